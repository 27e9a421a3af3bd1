// Member-name decoding.
#include "zip/zip_names.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/codepage.h"
#include "zip/extra_field.h"
#include "zip/zip_format.h"

namespace quillory {

namespace {

// The text before the first 0 byte. An empty name may come without any buffer at all.
std::string_view UpToNul(const char* bytes, std::size_t length) {
    if (length == 0) return {};
    const void* nul = std::memchr(bytes, 0, length);
    return {bytes, nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes)
                                  : length};
}

// The name of a matching Unicode Path record.
bool UnicodePathName(const std::uint8_t* bytes, std::size_t length, const std::uint8_t* extra,
                     std::size_t extraSize, WString* name) {
    std::string_view utf8;
    if (!FindUnicodePath(extra, extraSize, bytes, length, &utf8)) return false;
    *name = platform::Utf8NameToWide(UpToNul(utf8.data(), utf8.size()));
    return true;
}

}  // namespace

bool IsVolumeLabel(std::uint8_t madeByHost, std::uint32_t externalAttributes) {
    constexpr std::uint32_t kVolumeLabelAttribute = 0x08;
    if ((externalAttributes & kVolumeLabelAttribute) == 0) return false;
    return madeByHost == 0 || madeByHost == 5 || madeByHost == 6 || madeByHost == 11;
}

WString DecodeMemberName(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags,
                         const std::uint8_t* extra, std::size_t extraSize, bool volumeLabel) {
    const std::string_view stored = UpToNul(reinterpret_cast<const char*>(bytes), length);
    WString name;
    if ((flags & zipformat::kFlagUtf8) != 0) {
        name = platform::Utf8NameToWide(stored);
    } else if (!UnicodePathName(bytes, length, extra, extraSize, &name)) {
        name = platform::AnsiToWide(stored);
    }
    if (volumeLabel && name.size() > 8 && name[8] == u'.') name.erase(8, 1);
    // .NET's ZipFile (before 4.6.1) and other Windows tools separate folders with "\".
    // Decoded text only: a Shift-JIS trail byte 0x5C is part of its character.
    std::replace(name.begin(), name.end(), u'\\', u'/');
    return name;
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

}  // namespace quillory
