// Reading one member header (levels 0 to 3, with their extended headers) from the
// archive's current position into a table record. Damaged or inconsistent headers are
// refused with a status and nothing is read outside the header's own bytes; a 0 byte
// where a header would start ends the archive, whatever follows it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/buffered_reader.h"
#include "lzh/lzh_archive.h"

namespace quillory::lzh {

// The largest extended header (its size field has 16 bits): the work buffer's size.
inline constexpr std::size_t kMaxExtendedHeaderBytes = 65535;

// Reads the header at the reader's position into entry (a fresh record) and leaves the
// reader at the member's data. Names and folders, decoded in codePage, are as long as
// their headers hold; the host decides later which paths it can take. Returns false when there is
// no further header: at the end mark (status untouched), at the end of the file (status NoEndMark),
// or for a damaged header (status BadHeader or UnknownLevel). A checksum or header CRC
// that does not match sets HeaderCheckWarning and the header is still read. work holds
// kMaxExtendedHeaderBytes bytes.
bool ReadHeader(BufferedReader& reader, std::uint8_t* work, const platform::CodePage& codePage,
                LzhEntry& entry, LzhStatus& status);

}  // namespace quillory::lzh
