// Tree snapshots: every file, folder and link below a root with its kind, permissions,
// size, content hash and time, and the paths two snapshots differ in. Links are recorded
// as themselves and never followed.
#include "tests/robustness/tree_snapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace quillory::testing {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kFnvOffset = 0xCBF29CE484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001B3ull;

std::uint64_t HashFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t hash = kFnvOffset;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * kFnvPrime;
        }
    }
    return hash;
}

TreeItem Describe(const fs::path& path) {
    TreeItem item;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return item;
    item.permissions = st.st_mode & 07777;
    if (S_ISLNK(st.st_mode)) {
        item.kind = TreeItem::Link;
        std::error_code ec;
        item.linkTarget = fs::read_symlink(path, ec).string();
    } else if (S_ISDIR(st.st_mode)) {
        item.kind = TreeItem::Folder;
    } else if (S_ISREG(st.st_mode)) {
        item.kind = TreeItem::File;
        item.size = static_cast<std::uint64_t>(st.st_size);
        item.hash = HashFile(path);
        item.modifiedNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return item;
}

}  // namespace

TreeSnapshot Snapshot(const fs::path& root) {
    TreeSnapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        snapshot[fs::relative(it->path(), root).generic_string()] = Describe(it->path());
    }
    return snapshot;
}

std::set<std::string> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after) {
    std::set<std::string> changed;
    for (const auto& [path, item] : before) {
        const auto found = after.find(path);
        if (found == after.end() || !(found->second == item)) changed.insert(path);
    }
    for (const auto& [path, item] : after) {
        if (!before.contains(path)) changed.insert(path);
    }
    return changed;
}

std::vector<std::string> UnexpectedChanges(const TreeSnapshot& before, const TreeSnapshot& after,
                                           const std::set<std::string>& allowed,
                                           const std::set<std::string>& allowedTrees) {
    std::vector<std::string> unexpected;
    for (const std::string& path : ChangedPaths(before, after)) {
        if (allowed.contains(path)) continue;
        bool inTree = false;
        for (const std::string& tree : allowedTrees) {
            inTree = inTree || path == tree || path.rfind(tree + "/", 0) == 0;
        }
        if (!inTree) unexpected.push_back(path);
    }
    return unexpected;
}

std::uint64_t ChangedUserBytes(const TreeSnapshot& before, const TreeSnapshot& after,
                               const std::set<std::string>& paths) {
    std::uint64_t bytes = 0;
    for (const std::string& path : paths) {
        const auto old = before.find(path);
        if (old == before.end() || old->second.kind != TreeItem::File) continue;
        const auto now = after.find(path);
        if (now == after.end() || now->second.kind != TreeItem::File ||
            now->second.hash != old->second.hash || now->second.size != old->second.size) {
            bytes += old->second.size;
        }
    }
    return bytes;
}

}  // namespace quillory::testing
