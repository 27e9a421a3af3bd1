// Text between the program's UTF-16 strings and Qt's, and program paths shown to the user
// in the host's form ("/" separators). Nothing here touches the file system.
#pragma once

#include <QString>

#include "platform/text.h"

namespace quillory {

QString ToQString(WStringView text);
WString FromQString(const QString& text);

// A program path as the user reads and types it on this host, and back.
QString HostPathText(WStringView programPath);
WString ProgramPathOf(const QString& hostPath);

}  // namespace quillory
