// Member-name decoding: the UTF-8 flag, a matching Unicode Path record, or the archive's
// one decision for undeclared names (UTF-8 or the code page), then NFC and the folder
// split. A 0 byte ends a name; "\\" separates folders as "/" does.
#include "zip/zip_names.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "common/unicode_nfc.h"
#include "platform/codepage.h"
#include "zip/zip_format.h"

namespace quillory::zip {

namespace {

// The text before the first 0 byte. An empty name may come without any buffer at all.
std::string_view UpToNul(const char* bytes, std::size_t length) {
    if (length == 0) return {};
    const void* nul = std::memchr(bytes, 0, length);
    return {bytes, nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes)
                                  : length};
}

// Whether decoded text is ASCII and whether it holds a "\", in one pass of four units at
// a time (a "\" is a zero lane of the text XOR "\\\\").
struct TextLook {
    bool ascii;
    bool backslash;
};
TextLook Look(const WString& text) {
    constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80ull;
    constexpr std::uint64_t kBackslashes = 0x005C005C005C005Cull;
    constexpr std::uint64_t kLaneOnes = 0x0001000100010001ull;
    constexpr std::uint64_t kLaneTops = 0x8000800080008000ull;
    std::uint64_t seen = 0;
    std::uint64_t zeroLanes = 0;
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        seen |= word;
        const std::uint64_t x = word ^ kBackslashes;
        zeroLanes |= (x - kLaneOnes) & ~x & kLaneTops;
    }
    bool backslash = zeroLanes != 0;
    for (; i < text.size(); ++i) {
        seen |= text[i];
        backslash = backslash || text[i] == u'\\';
    }
    return {(seen & kNotAscii) == 0, backslash};
}

// The UTF-16 units of a UTF-8 reading of bytes, or 0 when they are not UTF-8 as a name
// would be: malformed, or with a C1 control (U+0080..U+009F), which no name holds but a
// code page's lead byte before a trail byte can spell.
std::size_t Utf8NameUnits(std::string_view bytes) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const platform::Utf8Step step = platform::DecodeUtf8At(bytes, at);
        if (step.codePoint == platform::kNotUtf8 ||
            (step.codePoint >= 0x80 && step.codePoint < 0xA0)) {
            return 0;
        }
        units += step.codePoint >= 0x10000 ? 2 : 1;
        at += step.length;
    }
    return units;
}

// The last steps every name takes: precomposed, a volume label's dot, "/" separators.
// An ASCII name, by far the most common, is composed already.
WString Finish(WString name, bool volumeLabel, const TextLook& look) {
    if (!look.ascii) ComposeNfc(name);
    if (volumeLabel && name.size() > 8 && name[8] == u'.') name.erase(8, 1);
    // .NET's ZipFile (before 4.6.1) and other Windows tools separate folders with "\".
    // Decoded text only: a Shift-JIS trail byte 0x5C is part of its character.
    if (look.backslash) std::replace(name.begin(), name.end(), u'\\', u'/');
    return name;
}

WString Finish(WString name, bool volumeLabel) {
    const TextLook look = Look(name);
    return Finish(std::move(name), volumeLabel, look);
}

}  // namespace

bool IsVolumeLabel(std::uint8_t madeByHost, std::uint32_t externalAttributes) {
    constexpr std::uint32_t kVolumeLabelAttribute = 0x08;
    if ((externalAttributes & kVolumeLabelAttribute) == 0) return false;
    return madeByHost == 0 || madeByHost == 5 || madeByHost == 6 || madeByHost == 11;
}

WString MemberNameDecoder::Decode(std::size_t index, const StoredName& stored) {
    const std::string_view bytes =
        UpToNul(reinterpret_cast<const char*>(stored.bytes), stored.length);
    if ((stored.flags & format::kFlagUtf8) != 0) {
        return Finish(platform::Utf8NameToWide(bytes), stored.volumeLabel);
    }
    if (std::string_view utf8;
        ReadUnicodePath(stored.unicodePath, stored.bytes, stored.length, &utf8)) {
        return Finish(platform::Utf8NameToWide(UpToNul(utf8.data(), utf8.size())),
                      stored.volumeLabel);
    }
    WString name = codePage_.ToWide(bytes);
    // ASCII reads the same in UTF-8 and in every code page a name comes in.
    const TextLook look = Look(name);
    if (detect_ && allUtf8_ && !look.ascii) Note(index, bytes, name, stored.volumeLabel);
    return Finish(std::move(name), stored.volumeLabel, look);
}

// Names that declare no encoding are UTF-8 from Linux and macOS tools (Info-ZIP zip 3.0
// as Linux distributions ship it, macOS's Archive Utility, many web services) and in the
// code page from Windows tools (Explorer's compressed folders, older WinZip, LHAPLUS).
// Text in a code page is almost never valid UTF-8 (Shift-JIS kana and common kanji
// start with bytes that UTF-8 only continues with), so the archive's names are UTF-8
// when all of them are valid UTF-8 and that reading is the more plausible one: the code
// page rejects some byte, or reads the names longer (a UTF-8 character of three bytes
// becomes two or three code-page characters, of two bytes one or two). Alike in length,
// as two-byte sequences read in a double-byte code page are, the code page stays.
void MemberNameDecoder::Note(std::size_t index, std::string_view bytes, const WString& inCodePage,
                             bool volumeLabel) {
    const std::size_t units = Utf8NameUnits(bytes);
    if (units == 0) {
        allUtf8_ = false;
        noted_.clear();
        noted_.shrink_to_fit();
        bytes_.clear();
        bytes_.shrink_to_fit();
        return;
    }
    utf8Units_ += units;
    codePageUnits_ += inCodePage.size();
    codePageRejects_ = codePageRejects_ || inCodePage.find(kReplacementChar) != WString::npos;
    noted_.push_back({index, bytes_.size(), bytes.size(), volumeLabel});
    bytes_.append(bytes);
}

bool MemberNameDecoder::RedecodeAsUtf8(
    const std::function<void(std::size_t index, WString name)>& rename) {
    if (!detect_ || !allUtf8_ || noted_.empty()) return false;
    if (!codePageRejects_ && utf8Units_ >= codePageUnits_) return false;
    for (const Noted& n : noted_) {
        const std::string_view bytes = std::string_view(bytes_).substr(n.offset, n.length);
        rename(n.index, Finish(platform::Utf8NameToWide(bytes), n.volumeLabel));
    }
    return true;
}

void SplitMemberName(WStringView name, std::pmr::u16string* folder, std::pmr::u16string* file) {
    const std::size_t slash = name.rfind(u'/');
    if (slash == WStringView::npos) {
        folder->clear();
        file->assign(name);
    } else {
        folder->assign(name.substr(0, slash + 1));
        file->assign(name.substr(slash + 1));
    }
}

}  // namespace quillory::zip
