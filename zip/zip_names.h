// Member names: how the stored name bytes become UTF-16 text, and how that text splits
// into folder and file name. A name flagged as UTF-8 (general-purpose bit 11) is
// UTF-8; otherwise an Info-ZIP Unicode Path record that matches the stored bytes gives
// the UTF-8 name; otherwise the bytes are in the ANSI code page. A 0 byte ends a name.
// Names are as long as the header says (up to 65,535 bytes); "\\" separates folders as
// "/" does and is listed as "/". Bytes that their encoding rejects become distinct
// stand-ins (platform/text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>

#include "platform/text.h"

namespace quillory {

// True for a volume-label entry: external attribute 0x08 from a host that sets it
// (0 MS-DOS/FAT, 5 Atari ST, 6 OS/2 HPFS, 11 NTFS).
bool IsVolumeLabel(std::uint8_t madeByHost, std::uint32_t externalAttributes);

// Decodes the `length` stored name bytes. A volume label of more than 8 characters loses
// a "." in the ninth place (MYDISK01.LBL is listed as MYDISK01LBL, as the label was
// typed).
WString DecodeMemberName(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags,
                         const std::uint8_t* extra, std::size_t extraSize, bool volumeLabel);

// "docs/readme.txt" gives folder "docs/" and file "readme.txt"; "docs/" gives folder
// "docs/" and an empty file; "readme.txt" an empty folder.
void SplitMemberName(WStringView name, std::pmr::u16string* folder, std::pmr::u16string* file);

}  // namespace quillory
