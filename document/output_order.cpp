// The barriers: one pass over the members with the last writer of each path as a file
// and the last member that needed each path as a folder; paths keyed from the deepest
// folder on the way that exists, by its identity.
#include "document/output_order.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "common/output_files.h"
#include "platform/path.h"

namespace quillory {

std::vector<int> OutputOrderBarriers(WStringView destFolder, std::span<const WString> relativePaths,
                                     const FolderIdentify& identify) {
    // The identity of each existing folder, by its spelling below the destination.
    std::unordered_map<std::string, std::string> identities;
    const auto identityOf = [&](const std::string& spelled, WStringView relative) {
        const auto known = identities.find(spelled);
        if (known != identities.end()) return known->second;
        WString path(destFolder);
        if (!relative.empty()) path.append(u"/").append(relative);
        const auto found = identify(path);
        std::string id =
            found ? "#" + std::to_string(found->device) + ":" + std::to_string(found->inode)
                  : std::string();
        identities.emplace(spelled, id);
        return id;
    };
    std::vector<int> barriers(relativePaths.size(), -1);
    std::unordered_map<std::string, int> lastFile;
    std::unordered_map<std::string, int> lastFolderUse;
    const auto last = [](const std::unordered_map<std::string, int>& map, const std::string& key) {
        const auto found = map.find(key);
        return found == map.end() ? -1 : found->second;
    };
    int fence = -1;  // the last member whose path may land anywhere
    std::vector<std::string> levels;
    for (std::size_t i = 0; i < relativePaths.size(); ++i) {
        const int position = static_cast<int>(i);
        const WStringView relative = relativePaths[i];
        if (relative.empty()) continue;
        if (IsUnsafePath(relative)) {
            barriers[i] = position - 1;
            fence = position;
            continue;
        }
        // The levels as the host names them, each key the path up to that level, from the
        // identity of the deepest existing folder on the way.
        const std::string host = platform::ToHostPath(relative);
        levels.clear();
        std::string key;
        std::string spelled;  // the levels so far as written, for the identity look-up
        bool existing = true;
        const bool folderEntry = platform::IsPathSeparator(relative.back());
        std::vector<std::string> names;
        for (std::size_t start = 0; start <= host.size();) {
            std::size_t end = host.find('/', start);
            if (end == std::string::npos) end = host.size();
            std::string level = host.substr(start, end - start);
            start = end + 1;
            if (level.empty() || level == ".") continue;
            names.push_back(std::move(level));
        }
        for (std::size_t n = 0; n < names.size(); ++n) {
            std::string level = names[n];
            if (!spelled.empty()) spelled += '/';
            spelled += level;
            const bool folderLevel = n + 1 < names.size() || folderEntry;
            if (existing && folderLevel) {
                const std::string id = identityOf(spelled, platform::FromHostPath(spelled));
                if (!id.empty()) {
                    key = id;
                    levels.push_back(key);
                    continue;
                }
                existing = false;
            }
            std::transform(level.begin(), level.end(), level.begin(), [](char c) {
                return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            });
            if (!key.empty()) key += '/';
            key += level;
            levels.push_back(key);
        }
        if (levels.empty()) continue;
        const std::size_t folders = folderEntry ? levels.size() : levels.size() - 1;
        int barrier = fence;
        for (std::size_t level = 0; level < folders; ++level) {
            barrier = std::max(barrier, last(lastFile, levels[level]));
            lastFolderUse[levels[level]] = position;
        }
        if (!folderEntry) {
            const std::string& file = levels.back();
            barrier = std::max({barrier, last(lastFile, file), last(lastFolderUse, file)});
            lastFile[file] = position;
        }
        barriers[i] = barrier;
    }
    return barriers;
}

}  // namespace quillory
