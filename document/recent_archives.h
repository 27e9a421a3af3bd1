// The archives opened last, newest first, for the File menu's "最近使った書庫": at most
// kRecentArchiveCount program paths in the profile's "RecentFile" section as "File1" ..
// "File8", stored as the remembered folders are (whole, whatever their bytes). Nothing
// here checks that a file still exists: opening a gone one reports it as usual.
#pragma once

#include <vector>

#include "platform/profile.h"
#include "platform/text.h"

namespace quillory {

inline constexpr int kRecentArchiveCount = 8;

std::vector<WString> ReadRecentArchives(platform::Profile& profile);
// Puts path first, once, and keeps the newest kRecentArchiveCount.
void AddRecentArchive(platform::Profile& profile, WStringView path);

}  // namespace quillory
