// Opening a file with an application the user picks, for files the desktop has no
// application for: the desktop portal's own chooser where a portal runs (OpenURI's
// OpenFile with "ask"), otherwise the program's list of installed applications, those
// that declare the file's type first.
#pragma once

#include <QString>

class QWidget;

namespace quillory {

// True when the desktop has an application for the file's type (its MIME type from the
// name and the content), or the file is a folder.
bool DesktopOpens(const QString& path);

// The message that the desktop has no application for path, with "別のアプリケーション
// で開く..." where a chooser can be offered; then the chooser. Modal.
void OfferOtherApplication(QWidget* owner, const QString& path);

}  // namespace quillory
