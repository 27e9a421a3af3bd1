// Member names: how the stored name bytes become UTF-16 text, and how that text splits
// into folder and file name. A name flagged as UTF-8 (general-purpose bit 11) is UTF-8;
// otherwise an Info-ZIP Unicode Path record that matches the stored bytes gives the UTF-8
// name. The names that declare no encoding are decided for the whole archive: UTF-8 when
// every one of them that is not ASCII reads as UTF-8 more plausibly than as the code
// page, else the ANSI code page (platform/codepage.h); a code page the user chose applies
// without that decision. A 0 byte ends a name. Names are as long as the header says (up
// to 65,535 bytes), precomposed (NFC), and "\\" separates folders as "/" does and is
// listed as "/". Bytes that their encoding rejects become distinct stand-ins
// (platform/text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory_resource>
#include <string>
#include <vector>

#include "common/conversions.h"
#include "platform/text.h"
#include "zip/extra_field.h"

namespace quillory::zip {

// True for a volume-label entry: external attribute 0x08 from a host that sets it
// (0 MS-DOS/FAT, 5 Atari ST, 6 OS/2 HPFS, 11 NTFS).
bool IsVolumeLabel(std::uint8_t madeByHost, std::uint32_t externalAttributes);

// The stored name of one central header, as the decoder needs it.
struct StoredName {
    const std::uint8_t* bytes;
    std::size_t length;
    std::uint32_t flags;      // general-purpose flags: bit 11 declares UTF-8
    ExtraRecord unicodePath;  // the header's Unicode Path record, if any
    bool volumeLabel;         // a volume label of more than 8 characters loses a "." in
                              // the ninth place (MYDISK01.LBL is listed as MYDISK01LBL)
};

// Decodes the names of one archive's directory, in order, and makes the archive's
// decision about the names that declare no encoding once all of them were seen.
class MemberNameDecoder {
public:
    // Undeclared names are in the encoding's code page, and may be taken as UTF-8 when
    // the user did not choose it.
    explicit MemberNameDecoder(const NameEncoding& encoding)
        : codePage_(encoding.codePage), detect_(!encoding.chosen) {}

    // The name of entry `index` as far as it can be known now: an undeclared name that
    // is not ASCII comes in the code page and is noted for the decision.
    WString Decode(std::size_t index, const StoredName& stored);

    // After the last name: when the undeclared names are UTF-8, gives each noted entry
    // its name again. False when they stay in the code page.
    bool RedecodeAsUtf8(const std::function<void(std::size_t index, WString name)>& rename);

private:
    struct Noted {
        std::size_t index;
        std::size_t offset;  // in bytes_
        std::size_t length;
        bool volumeLabel;
    };
    void Note(std::size_t index, std::string_view bytes, const WString& inCodePage,
              bool volumeLabel);

    platform::CodePage codePage_;
    bool detect_;
    // Every noted name was valid UTF-8 (the decision is still open).
    bool allUtf8_ = true;
    // Over the noted names: whether the code page rejected a byte, and the UTF-16 units of
    // both readings.
    bool codePageRejects_ = false;
    std::size_t utf8Units_ = 0;
    std::size_t codePageUnits_ = 0;
    std::vector<Noted> noted_;
    std::string bytes_;
};

// "docs/readme.txt" gives folder "docs/" and file "readme.txt"; "docs/" gives folder
// "docs/" and an empty file; "readme.txt" an empty folder.
void SplitMemberName(WStringView name, std::pmr::u16string* folder, std::pmr::u16string* file);

}  // namespace quillory::zip
