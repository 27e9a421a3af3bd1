// Conversions between the program's text and Qt's.
#include "app/qt_text.h"

#include "platform/path.h"

namespace quillory {

QString ToQString(WStringView text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

WString FromQString(const QString& text) {
    return text.toStdU16String();
}

QString HostPathText(WStringView programPath) {
    return QString::fromStdString(platform::ToHostPath(programPath));
}

WString ProgramPathOf(const QString& hostPath) {
    return platform::FromHostPath(hostPath.toStdString());
}

}  // namespace quillory
