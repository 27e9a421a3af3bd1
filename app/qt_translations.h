// The translations the window is drawn with: the program's own catalogue (the .qm that
// lrelease makes of translations/quillory_<language>.ts, installed beside the program's
// data) for a language other than Japanese, and Qt's own texts (the file and folder
// choosers, the standard buttons) from the translations Qt installs (Debian:
// qt6-translations-l10n). A missing file leaves those texts in Japanese or English.
#pragma once

#include <QLocale>
#include <QString>

#include "document/translation.h"

class QTranslator;

namespace quillory {

// Loads and installs Qt's translation for locale; the installed translator (owned by
// the caller, to remove again), or null when there is none for that locale.
QTranslator* InstallQtTranslations(const QLocale& locale);

// Where the program's .qm files are: share/quillory/translations beside the folder of
// the program (/usr/bin and /usr/share; in a build tree, build/app and build/share).
QString ProgramTranslationsFolder();

// Loads and installs the program's catalogue for language from folder; null for
// Japanese, the texts' own language, and when the file is missing.
QTranslator* InstallProgramTranslation(Language language,
                                       const QString& folder = ProgramTranslationsFolder());

}  // namespace quillory
