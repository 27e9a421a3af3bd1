// Archive-named folders and remembered folders.
#include "document/archive_paths.h"

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
    WStringView name = archivePath.substr(AfterLastSeparator(archivePath));
    if (const std::size_t dot = name.rfind(u'.'); dot != WStringView::npos) {
        name = name.substr(0, dot);
    }
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
