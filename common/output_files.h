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

// True when relativePath climbs out of the folder it is taken from: a ".." level that
// goes above it ("a/../b" stays inside). A path starting with a separator is no climb:
// it lands below the destination too (LHMelt and other Windows tools store folders as
// "\subdir\"). Dots inside a name ("a..b") are harmless and do not count.
bool IsUnsafePath(WStringView relativePath);

enum class PathDecision {
    Safe,     // below the destination: written beneath it (platform/output_file.h)
    Allowed,  // unsafe, and allowed: written where its path leads
    Refused,
};

// Decides whether a member whose path relative to the destination is relativePath (as
// the question shows it: storedPath) may be written at targetPath. It is unsafe when it
// climbs out (IsUnsafePath) or passes through a link in the destination that leads out
// (the question then shows where it really goes). Unsafe paths proceed when the run's
// answers allow them all or the user agrees. An answer for all allows the rest of the
// run's.
PathDecision CheckUnsafePath(WStringView storedPath, WStringView relativePath,
                             WStringView targetPath, MemberRun& run);

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

// Where a member at relativePath goes in the run: below its destination, beneath it
// unless the path was allowed to leave it.
platform::OutputPlace PlaceOf(const MemberRun& run, WStringView relativePath,
                              PathDecision decision);

}  // namespace quillory
