// The language chosen from the locale, and the look-up of a Japanese source text in the
// compiled catalogue. The catalogue is read-only data made at build time from the .ts
// file; the language is set once at start-up, so look-ups from worker threads need no
// lock. Japanese never touches the catalogue.
#include "document/translation.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <vector>

namespace quillory {
namespace {

struct Entry {
    WStringView source;
    WStringView english;
};

// The entries, generated from translations/quillory_en.ts: { u"source", u"english" },
constexpr Entry kEnglish[] = {
#include "document/catalogue_en.inc"
};

// The entries by source, sorted once on first use.
const std::vector<Entry>& SortedEntries() {
    static const std::vector<Entry> sorted = [] {
        std::vector<Entry> entries(std::begin(kEnglish), std::end(kEnglish));
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.source < b.source; });
        return entries;
    }();
    return sorted;
}

std::atomic<Language> gLanguage{Language::Japanese};

bool IsSet(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// "C", "POSIX", "C.UTF-8" and the like: the texts untranslated.
bool IsPlainLocale(std::string_view locale) {
    const std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    return name == "C" || name == "POSIX";
}

std::optional<Language> LanguageNamed(std::string_view name) {
    if (name.starts_with("en")) return Language::English;
    if (name.starts_with("ja")) return Language::Japanese;
    return std::nullopt;
}

}  // namespace

Language LanguageFromLocale(const char* language, const char* lcAll, const char* lcMessages,
                            const char* lang) {
    const char* locale = IsSet(lcAll) ? lcAll : IsSet(lcMessages) ? lcMessages : lang;
    if (!IsSet(locale) || IsPlainLocale(locale)) return Language::Japanese;
    if (IsSet(language)) {
        std::string_view list(language);
        while (!list.empty()) {
            const std::size_t colon = list.find(':');
            if (const std::optional<Language> named = LanguageNamed(list.substr(0, colon)))
                return *named;
            list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        }
        return Language::Japanese;
    }
    return LanguageNamed(locale).value_or(Language::Japanese);
}

Language LanguageFromEnvironment() {
    return LanguageFromLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                              std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void SetLanguage(Language language) {
    gLanguage.store(language, std::memory_order_relaxed);
}

Language CurrentLanguage() {
    return gLanguage.load(std::memory_order_relaxed);
}

std::optional<WStringView> EnglishOf(WStringView source) {
    const std::vector<Entry>& entries = SortedEntries();
    const auto it = std::lower_bound(entries.begin(), entries.end(), source,
                                     [](const Entry& e, WStringView s) { return e.source < s; });
    if (it == entries.end() || it->source != source) return std::nullopt;
    return it->english;
}

WStringView Translate(WStringView source) {
    if (CurrentLanguage() == Language::Japanese) return source;
    return EnglishOf(source).value_or(source);
}

}  // namespace quillory
