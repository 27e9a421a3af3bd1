// Loads the program's catalogue for the chosen language from share/quillory/translations
// next to the program's folder, and Qt's own translations (file choosers, standard
// buttons) for the user's locale from where Qt installs them. When a file is not found
// its texts stay as they are and nothing else changes.
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace quillory {
namespace {

QTranslator* LoadAndInstall(std::unique_ptr<QTranslator> translator, bool loaded) {
    if (!loaded) return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

}  // namespace

QTranslator* InstallQtTranslations(const QLocale& locale) {
    auto translator = std::make_unique<QTranslator>();
    const bool loaded = translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return LoadAndInstall(std::move(translator), loaded);
}

QString ProgramTranslationsFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/quillory/translations"));
}

QTranslator* InstallProgramTranslation(Language language, const QString& folder) {
    if (language == Language::Japanese) return nullptr;
    auto translator = std::make_unique<QTranslator>();
    const bool loaded = translator->load(QStringLiteral("quillory_en"), folder);
    return LoadAndInstall(std::move(translator), loaded);
}

}  // namespace quillory
