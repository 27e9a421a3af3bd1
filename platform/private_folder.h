// A folder that belongs to the current user alone, for files the program hands to other
// applications (a member opened with the desktop's "open"). It lives below the user's
// cache folder ($XDG_CACHE_HOME, else ~/.cache), where the desktop expects files it may
// throw away, however large, and has mode 0700. A folder at that place that is a link,
// or that belongs to someone else, is refused, never used; so is a base folder that is
// not the user's own.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

// The folder named `name` below the cache folder, created when missing and set to mode
// 0700; its program path ends with "\". Nothing when no private folder can be had.
std::optional<WString> PrivateFolder(std::string_view name);

// Removes the files that were put into that folder more than maxAge ago (by the time
// they were last created, renamed or changed, not the stored time they were given).
// A missing folder, or one that is not the user's own, is left alone; so is anything in
// it that is not a plain file.
// Also removes what the session folders (below) of programs that have ended left there,
// and the folders named by a time alone that earlier versions left for each drag once
// they are older than maxAge, except files another program still has open.
void RemoveOldPrivateFiles(std::string_view name, std::chrono::seconds maxAge);

// A folder of this process's own below PrivateFolder(name), made on the first call and
// held locked while the process runs, so that a later start can tell the folder of a
// program that has ended from one in use. Its program path ends with "\". Nothing when
// none can be had.
std::optional<WString> SessionFolder(std::string_view name);

// Removes everything this process put into SessionFolder(name) except what another
// program still has open, and what was put there less than keepYoungerThan ago (an
// application just started may not have opened it yet); a later start removes those.
// The folder stays for the next copies.
void RemoveSessionFiles(std::string_view name, std::chrono::seconds keepYoungerThan);

}  // namespace quillory::platform
