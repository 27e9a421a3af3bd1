// What both readers share when they write members: the unsafe-path and overwrite
// decisions (asked through the run's callback, with the run's rule and answers) and
// creation of output files with their folders.
// Nothing here shows a message; a missing callback answers every question with no.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/member_run.h"
#include "platform/file.h"
#include "platform/output_file.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

// True when writing relativePath could leave the destination: it starts with a folder
// separator ("\" or "/", both separate folders here) or has a ".." level. Dots inside a
// name ("a..b") are harmless and do not count.
bool IsUnsafePath(WStringView relativePath);

// Decides whether a member whose path relative to the destination is relativePath may be
// written at targetPath. Safe paths proceed; unsafe ones proceed when the run's answers
// allow them all or the user, shown both paths, agrees. An answer for all allows the
// rest of the run's.
bool CheckUnsafePath(WStringView relativePath, WStringView targetPath, MemberRun& run);

// The relative path without the separators it starts with: a rooted member path lands
// below the destination, never at the root of the host.
WStringView WithoutLeadingSeparators(WStringView relativePath);

enum class OverwriteDecision { Overwrite, Skip };

// Decides whether the member may replace what exists at outputPath. Anything standing
// there counts as existing, whether or not it can be read. By the run's rule the user is
// asked for every existing file, never, or (AskIfNewer) only when the existing file is
// later (to the second) than memberTimeLocal or the member has no time (kNoFileTime) to
// compare. An answer for all replaces the rest of the run's without asking. The existing
// file is never changed here (its mode neither): the output file replaces it when
// complete. memberSize is shown with the question.
OverwriteDecision DecideOverwrite(WStringView outputPath, FileTime memberTimeLocal,
                                  std::uint64_t memberSize, WStringView name, MemberRun& run);

// The execute bits (0111) of a Unix mode stored in an archive, for a regular file or a
// mode without a file type (JSZip stores "755" so); 0 for links and anything else. No
// set-id, sticky or other bit ever comes from an archive.
std::uint32_t UnixExecuteBits(std::uint32_t mode);

// Creates the output file in the run's folders, creating its missing folders and trying
// again if the first attempt fails. Not open, with its error, when it still cannot be
// made.
platform::OutputFile CreateOutputFile(WStringView path, MemberRun& run);

// Creates the folders that lead to the last separator of path (a path ending with a
// separator creates that folder itself). 1 if the last folder creation succeeded, so an
// existing folder gives 0 (and the last failure's reason in *error, when given).
// Iterative: deep paths never exhaust the stack.
int CreateFolders(WStringView path, platform::FileErrorInfo* error = nullptr);

}  // namespace quillory
