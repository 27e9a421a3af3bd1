// Text between the program's UTF-16 strings and Qt's, the window's own texts in the
// user's language, and program paths between the program and Qt: shown readably to the
// user, and handed to and taken from Qt's file APIs, which hold a host path as Qt decodes
// its bytes. Nothing here touches the file system.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/text.h"

namespace quillory {

QString ToQString(WStringView text);
WString FromQString(const QString& text);

// The translation context of every text of the window, the only one the catalogue has.
inline constexpr char kTranslationContext[] = "Quillory";
// One of the window's texts, given in Japanese (UTF-8), as the installed translator has
// it in the user's language; without a translator, or without that text in it, the
// Japanese itself.
QString Tr(const char* japanese);

// A size as people read it: "2.4 GB", "512 bytes" (the columns keep the exact number).
QString ReadableSize(std::uint64_t bytes);

// A program path as the user reads it on this host (platform::DisplayPath).
QString HostPathText(WStringView programPath);

// A program path for Qt's file APIs and dialogs, and back: the host path's bytes as Qt
// decodes and encodes file names. Exact for every name Qt can decode (bytes that are no
// UTF-8 Qt cannot keep; the program's own conversions keep them elsewhere).
QString QtFilePath(WStringView programPath);
WString ProgramPathOf(const QString& qtFilePath);

}  // namespace quillory
