// What both readers share when they write members: the unsafe-path and overwrite
// decisions (asked through the callback, with the reader's own flags) and creation of
// output files with their folders.
// Nothing here shows a message; a missing callback answers every question with no.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/extract_callback.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

using platform::FileHandle;
using platform::kInvalidFileHandle;

// True when writing relativePath could leave the destination: it starts with a folder
// separator ("\" or "/", both separate folders here) or has a ".." level. Dots inside a
// name ("a..b") are harmless and do not count.
bool IsUnsafePath(WStringView relativePath);

// Decides whether a member whose path relative to the destination is relativePath may be
// written at targetPath. Safe paths proceed; unsafe ones proceed when unsafePathsAllowed
// is set or the user, shown both paths, agrees. An answer for all sets
// unsafePathsAllowed.
bool CheckUnsafePath(WStringView relativePath, WStringView targetPath, int& unsafePathsAllowed,
                     ExtractCallback* callback);

// The relative path without the separators it starts with: a rooted member path lands
// below the destination, never at the root of the host.
WStringView WithoutLeadingSeparators(WStringView relativePath);

enum class OverwriteDecision { Overwrite, Skip };

// Decides whether the member may replace what exists at outputPath. Anything standing
// there counts as existing, whether or not it can be read. With askOnlyIfNewer the user
// is asked only when the existing file is later (to the second) than memberTimeLocal,
// or when the member has no time (kNoFileTime) to compare.
// An answer for all sets overwriteWithoutAsking. The existing file is never changed here
// (its mode neither): the output file replaces it when complete.
// memberSize is shown with the question.
OverwriteDecision DecideOverwrite(WStringView outputPath, FileTime memberTimeLocal,
                                  std::uint64_t memberSize, WStringView name, int askOnlyIfNewer,
                                  int& overwriteWithoutAsking, ExtractCallback* callback);

// The execute bits (0111) of a Unix mode stored in an archive, for a regular file or a
// mode without a file type (JSZip stores "755" so); 0 for links and anything else. No
// set-id, sticky or other bit ever comes from an archive.
std::uint32_t UnixExecuteBits(std::uint32_t mode);

// Creates the output file, creating its missing folders and trying again if the first
// attempt fails. The invalid handle when it still cannot be made.
FileHandle CreateOutputFile(WStringView path);

// Creates the folders that lead to the last separator of path (a path ending with a
// separator creates that folder itself). 1 if the last folder creation succeeded, so an
// existing folder gives 0. Iterative: deep paths never exhaust the stack.
int CreateFolders(WStringView path);

}  // namespace quillory
