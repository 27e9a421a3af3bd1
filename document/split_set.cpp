// Split sets by name: the extension tells the style (".z01" and up, or ".001" and up; a
// ".zip" is a PKWARE set's last part when NAME.z01 stands beside it), the numbers are
// counted up from 1 while the parts exist, and a part smaller than the first (all but
// the last are of one size, as every splitter writes them) ends the set there.
#include "document/split_set.h"

#include <cstdio>
#include <string>

#include "platform/path.h"

namespace quillory {
namespace {

bool IsDigit(WChar c) {
    return c >= u'0' && c <= u'9';
}

bool Exists(WStringView path) {
    return platform::GetPathAttributes(path).has_value();
}

// ".z01" style: "z" or "Z" and two or more digits.
bool IsDiskExtension(WStringView extension) {
    if (extension.size() < 3 || (extension[0] != u'z' && extension[0] != u'Z')) return false;
    for (std::size_t i = 1; i < extension.size(); ++i) {
        if (!IsDigit(extension[i])) return false;
    }
    return true;
}

bool IsPieceExtension(WStringView extension) {
    return extension.size() == 3 && IsDigit(extension[0]) && IsDigit(extension[1]) &&
           IsDigit(extension[2]);
}

// stem + "." + prefix + number in at least `digits` digits.
WString Numbered(WStringView stem, WStringView prefix, unsigned number, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*u", digits, number);
    return WString(stem) + u'.' + WString(prefix) + platform::AsciiToWide(text);
}

// Counts the parts up from 1 while they exist. All parts but the set's last are of one
// size: one shorter than the first (checked on all of them when another part, NAME.zip,
// follows) ends the set there and is named, as what follows it in the archive is not there.
void CollectParts(SplitSet& set, WStringView stem, WStringView prefix, int digits, bool followed) {
    unsigned number = 1;
    for (;; ++number) {
        WString part = Numbered(stem, prefix, number, digits);
        if (!Exists(part)) break;
        set.parts.push_back(std::move(part));
    }
    set.next = Numbered(stem, prefix, number, digits);
    // Parts after a gap, looked for a little way on (a set missing one or a few parts).
    constexpr unsigned kLookBeyond = 16;
    unsigned last = 0;
    for (unsigned beyond = number + 1; beyond <= number + kLookBeyond; ++beyond) {
        if (Exists(Numbered(stem, prefix, beyond, digits))) last = beyond;
    }
    for (unsigned gap = number; gap <= last; ++gap)
        set.afterGap.push_back(Numbered(stem, prefix, gap, digits));
    if (set.parts.empty()) return;
    const std::optional<std::uint64_t> first = platform::GetPathSize(set.parts[0]);
    const std::size_t checked = set.parts.size() - (followed ? 0 : 1);
    for (std::size_t i = 0; i < checked; ++i) {
        const std::optional<std::uint64_t> size = platform::GetPathSize(set.parts[i]);
        if (first && size && *size < *first) {
            set.missing = PartName(set.parts[i]);
            set.parts.resize(i + 1);
            return;
        }
    }
}

}  // namespace

WString PartName(WStringView part) {
    const std::size_t slash = part.find_last_of(u"\\/");
    return WString(slash == WStringView::npos ? part : part.substr(slash + 1));
}

std::optional<SplitSet> SplitSetOf(WStringView path) {
    const std::size_t dot = path.rfind(u'.');
    if (dot == WStringView::npos || path.find_first_of(u"\\/", dot) != WStringView::npos) {
        return std::nullopt;
    }
    const WStringView stem = path.substr(0, dot);
    const WStringView extension = path.substr(dot + 1);
    SplitSet set;
    const bool zipPart = extension == u"zip" || extension == u"ZIP";
    if (IsDiskExtension(extension) || zipPart) {
        const bool upper = extension[0] == u'Z';
        const WString first = Numbered(stem, upper ? u"Z" : u"z", 1, 2);
        if (zipPart && !Exists(first)) return std::nullopt;
        set.disks = true;
        set.name = WString(stem) + (upper ? u".ZIP" : u".zip");
        CollectParts(set, stem, upper ? u"Z" : u"z", 2, true);
        if (set.missing) return set;
        if (!Exists(set.name)) {
            set.missing = PartName(set.name);
            return set;
        }
        if (set.afterGap.empty()) set.afterGap.push_back(set.next);
        set.afterGap.push_back(set.name);
        set.parts.push_back(set.name);
        return set;
    }
    if (IsPieceExtension(extension)) {
        set.name = WString(stem);
        CollectParts(set, stem, u"", 3, false);
        if (set.parts.empty()) set.missing = PartName(set.next);
        return set;
    }
    return std::nullopt;
}

std::shared_ptr<const ByteSource> OpenSplitSet(const SplitSet& set, std::size_t count,
                                               platform::FileErrorInfo* error) {
    std::vector<std::unique_ptr<ByteSource>> parts;
    for (std::size_t i = 0; i < count && i < set.parts.size(); ++i) {
        std::unique_ptr<ByteSource> part = FileSource::Open(set.parts[i], error);
        if (part == nullptr) return nullptr;
        parts.push_back(std::move(part));
    }
    if (parts.empty()) return nullptr;
    return std::make_shared<VolumeSource>(std::move(parts), set.name, set.disks);
}

std::shared_ptr<const ByteSource> OpenSplitSetAcrossGaps(const SplitSet& set,
                                                         platform::FileErrorInfo* error) {
    // A PKWARE set's parts end with NAME.zip, which afterGap holds.
    const std::size_t before = set.parts.size() - (set.disks ? 1 : 0);
    if (before == 0 || set.afterGap.empty()) return nullptr;
    const std::optional<std::uint64_t> partSize = platform::GetPathSize(set.parts[0]);
    if (!partSize) return nullptr;
    std::vector<std::unique_ptr<ByteSource>> parts;
    for (std::size_t i = 0; i < before; ++i) {
        std::unique_ptr<ByteSource> part = FileSource::Open(set.parts[i], error);
        if (part == nullptr) return nullptr;
        parts.push_back(std::move(part));
    }
    for (const WString& name : set.afterGap) {
        if (!Exists(name)) {
            parts.push_back(std::make_unique<AbsentSource>(*partSize, name));
            continue;
        }
        std::unique_ptr<ByteSource> part = FileSource::Open(name, error);
        if (part == nullptr) return nullptr;
        parts.push_back(std::move(part));
    }
    return std::make_shared<VolumeSource>(std::move(parts), set.name, set.disks);
}

}  // namespace quillory
