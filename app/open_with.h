// Opening a file with an application the user picks, for files the desktop has no
// application for: the desktop portal's own chooser where a portal runs (OpenURI's
// OpenFile with "ask"), otherwise the program's list of installed applications, those
// that declare the file's type first.
#pragma once

#include <QList>
#include <QString>

#include "app/desktop_applications.h"

class QWidget;

namespace quillory {

// Each call takes the installed applications (InstalledApplications), read once for a
// file the user opens.

// True when the desktop has an application for the file's type (its MIME type from the
// name and the content), or the file is a folder.
bool DesktopOpens(const QString& path, const QList<DesktopApplication>& installed);

// The program's own chooser of the installed applications (apps; the file's type's
// first, ChooserApplications); starts the chosen one with the file.
QList<DesktopApplication> ChooserApplications(const QString& path,
                                              const QList<DesktopApplication>& installed);
void ChooseApplication(QWidget* owner, const QString& path, const QList<DesktopApplication>& apps);

// The message that the desktop has no application for path, with "別のアプリケーション
// で開く..." where a chooser can be offered; then the chooser. Modal.
void OfferOtherApplication(QWidget* owner, const QString& path,
                           const QList<DesktopApplication>& installed);

}  // namespace quillory
