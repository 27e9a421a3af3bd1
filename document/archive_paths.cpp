// The folder named after an archive that extraction creates, and the folder of a path
// that the open dialog remembers; "\" and "/" both separate. These are string operations
// only: nothing is created or checked here.
#include "document/archive_paths.h"

#include <algorithm>

#include "platform/path.h"

namespace quillory {
namespace {

// Index just past the last separator, 0 when there is none.
std::size_t AfterLastSeparator(WStringView path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (platform::IsPathSeparator(path[i - 1])) return i;
    }
    return 0;
}

}  // namespace

WString ArchiveNamedFolder(WStringView base, WStringView archivePath) {
    const WStringView file = archivePath.substr(AfterLastSeparator(archivePath));
    WString name(file.substr(0, std::min(file.rfind(u'.'), file.size())));
    // "." and ".." are no child of base, and "" is base itself.
    if (name.find_first_not_of(u'.') == WString::npos) name = u"_" + WString(file);
    WString folder(base);
    // An empty base stays empty rather than becoming the root folder.
    if (!folder.empty() && !platform::IsPathSeparator(folder.back())) folder += u'\\';
    folder += name;
    return folder;
}

WString FolderOfPath(WStringView path) {
    return WString(path.substr(0, AfterLastSeparator(path)));
}

}  // namespace quillory
