// The recent-archive list in the profile, newest first: "File1" .. "File8" in the
// "RecentFile" section, paths stored whole whatever their bytes. Adding an archive moves
// it to the front; nothing here checks that a file still exists.
#include "document/recent_archives.h"

#include <algorithm>
#include <string>

namespace quillory {
namespace {

constexpr WStringView kRecentSection = u"RecentFile";

WString ValueName(int number) {
    return WString(u"File") + platform::AsciiToWide(std::to_string(number));
}

}  // namespace

std::vector<WString> ReadRecentArchives(platform::Profile& profile) {
    std::vector<WString> paths;
    for (int i = 1; i <= kRecentArchiveCount; ++i) {
        WString path = profile.GetString(kRecentSection, ValueName(i), u"");
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

void AddRecentArchive(platform::Profile& profile, WStringView path) {
    std::vector<WString> paths = ReadRecentArchives(profile);
    std::erase(paths, WString(path));
    paths.insert(paths.begin(), WString(path));
    paths.resize(std::min<std::size_t>(paths.size(), kRecentArchiveCount));
    for (int i = 1; i <= kRecentArchiveCount; ++i) {
        const std::size_t at = static_cast<std::size_t>(i - 1);
        profile.WriteString(kRecentSection, ValueName(i),
                            at < paths.size() ? paths[at] : WString());
    }
}

}  // namespace quillory
