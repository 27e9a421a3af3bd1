// The central-directory walk: one ZipEntry per central header, read through a buffer
// from the directory's start up to the end record. The walk is all or nothing: a short
// read, a record count that differs from the end record's, or any record other than the
// end record after the last header (ZIP64 and signature records among them) fails it.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "common/buffered_reader.h"
#include "zip/zip_archive.h"

namespace quillory {

// Appends the records to entries, their names and folders in nameMemory. extraBuffer is
// work space for the extra field of the record being read.
bool ReadCentralDirectory(BufferedReader& reader, std::uint32_t totalEntries,
                          std::uint32_t centralDirSize, std::pmr::vector<ZipEntry>& entries,
                          std::pmr::memory_resource* nameMemory,
                          std::vector<std::uint8_t>& extraBuffer);

}  // namespace quillory
