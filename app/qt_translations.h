// Qt's own texts (the file and folder choosers, the standard buttons) in the user's
// language, from the translations Qt installs (Debian: qt6-translations-l10n). Without
// them Qt's dialogs stay in English; nothing else changes.
#pragma once

#include <QLocale>

class QTranslator;

namespace quillory {

// Loads and installs Qt's translation for locale; the installed translator (owned by
// the caller, to remove again), or null when there is none for that locale.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace quillory
