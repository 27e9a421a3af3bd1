// The language the program speaks and its texts in it. Japanese is the program's own
// language, the catalogue's source and what every text shows unless the locale asks for
// English; the English texts come from translations/quillory_en.ts, compiled in. It never
// guesses a translation: a text the catalogue lacks is shown in Japanese.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/text.h"

namespace quillory {

enum class Language { Japanese, English };

// The language the environment asks for, as gettext reads it: the locale is the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty; when there is none, or it is C
// or POSIX (with or without a codeset), the answer is Japanese. Otherwise a LANGUAGE that
// is set and not empty decides by the first of its colon-separated entries that names
// Japanese or English (none: Japanese, the untranslated texts), and without it the
// locale does. A name starting with "en" is English. Null stands for an unset variable.
Language LanguageFromLocale(const char* language, const char* lcAll, const char* lcMessages,
                            const char* lang);
// The same from the process's environment.
Language LanguageFromEnvironment();

// The language of every text from now on; Japanese until a front end sets it at
// start-up, before any other thread runs.
void SetLanguage(Language language);
Language CurrentLanguage();

// The catalogue's English for a Japanese source text; nothing when it has none.
std::optional<WStringView> EnglishOf(WStringView source);
// The text in the current language: its English when the language is English and the
// catalogue has it, else the source itself (the very same characters).
WStringView Translate(WStringView source);

// A text the program shows, held as its Japanese source and read in the current language
// wherever it is used as text: appended, compared, shown. texts.h holds them.
struct ShownText {
    constexpr ShownText(const char16_t* japanese) : source(japanese) {}

    operator WStringView() const { return Translate(source); }
    std::size_t size() const { return Translate(source).size(); }
    friend bool operator==(const ShownText& text, WStringView other) {
        return WStringView(text) == other;
    }

    WStringView source;
};

}  // namespace quillory
