// Conversions between the program's UTF-16 text and QString, the window's texts through
// Qt's translator, and program paths to and from the paths Qt's file APIs take. Paths shown to the
// user go through the platform's display form; nothing here touches the file system.
#include "app/qt_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <climits>

#include "platform/path.h"

namespace quillory {

QString ToQString(WStringView text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

WString FromQString(const QString& text) {
    return text.toStdU16String();
}

QString Tr(const char* japanese) {
    return QCoreApplication::translate(kTranslationContext, japanese);
}

QString ReadableSize(std::uint64_t bytes) {
    // Binary multiples with the names people know, as file managers show them.
    constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(INT64_MAX);
    return QLocale().formattedDataSize(static_cast<qint64>(std::min(bytes, kLargest)), 1,
                                       QLocale::DataSizeTraditionalFormat);
}

QString HostPathText(WStringView programPath) {
    return ToQString(platform::DisplayPath(programPath));
}

QString QtFilePath(WStringView programPath) {
    return QFile::decodeName(QByteArray::fromStdString(platform::ToHostPath(programPath)));
}

WString ProgramPathOf(const QString& qtFilePath) {
    return platform::FromHostPath(QFile::encodeName(qtFilePath).toStdString());
}

}  // namespace quillory
