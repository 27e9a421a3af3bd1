// The central-directory walk: one ZipEntry per central header, read through a buffer
// from the directory's start up to the first record of another kind: the ZIP64 or plain
// end record, PKWARE's digital signature, or whatever a writer leaves before them. The
// headers counted decide how many members there are, not the end record's count. The walk is all or
// nothing: a header cut short fails it, and so does a directory without headers that the end record
// does not describe as empty.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "common/buffered_reader.h"
#include "zip/end_record.h"
#include "zip/extra_field.h"
#include "zip/zip_archive.h"

namespace quillory::zip {

// The AES record's fields into the entry, when the extra field has one (central or local).
void ApplyAesRecord(const ExtraRecords& extra, ZipEntry& e);

// Appends the records to entries, their names and folders in nameMemory, every local-
// header offset moved by the location's shift, or counted from the start of its disk in
// the source (a split set's). extraBuffer is work space for the extra
// field of the record being read. The names are decoded as encoding says
// (MemberNameDecoder).
bool ReadCentralDirectory(BufferedReader& reader, const DirectoryLocation& location,
                          const ByteSource& source, const NameEncoding& encoding,
                          std::pmr::vector<ZipEntry>& entries,
                          std::pmr::memory_resource* nameMemory,
                          std::vector<std::uint8_t>& extraBuffer);

}  // namespace quillory::zip
