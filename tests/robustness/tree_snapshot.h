// A picture of everything below a folder, to prove what an extraction changed: each
// file, folder and link with its kind, permission bits, size, content hash, a file's
// modification time and a link's target. Links are recorded as themselves and never
// followed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillory::testing {

struct TreeItem {
    enum Kind { File, Folder, Link, Other } kind = Other;
    unsigned permissions = 0;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;       // FNV-1a of the content (files only)
    std::int64_t modifiedNs = 0;  // files only: a folder's changes with what it holds
    std::string linkTarget;       // links only

    bool operator==(const TreeItem&) const = default;
};

// Paths relative to the root, with "/" separators.
using TreeSnapshot = std::map<std::string, TreeItem>;

TreeSnapshot Snapshot(const std::filesystem::path& root);

// The paths that were added, removed or changed between two snapshots.
std::set<std::string> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after);

// The changed paths that are not in allowed and not below a folder named in allowedTrees.
std::vector<std::string> UnexpectedChanges(const TreeSnapshot& before, const TreeSnapshot& after,
                                           const std::set<std::string>& allowed,
                                           const std::set<std::string>& allowedTrees = {});

// Bytes of content that differ between the snapshots among the paths that existed before
// as files (a removed or replaced file counts with its whole size), over the given paths.
std::uint64_t ChangedUserBytes(const TreeSnapshot& before, const TreeSnapshot& after,
                               const std::set<std::string>& paths);

}  // namespace quillory::testing
