// The user's language: which locale asks for English, and the catalogue against the
// program's sources. Every Japanese text in document/, app/ and cli/ (a string literal
// outside comments) must have a finished English entry, each entry must still be used,
// and each translation must join with the pieces around it as its source does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/texts.h"
#include "document/translation.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

// The literals of a C++ source, escapes undone, in UTF-8: plain, prefixed (u, u8, L, U)
// and raw strings; comments, character literals and digit separators are stepped over.
std::vector<std::string> StringLiterals(const std::string& code) {
    std::vector<std::string> literals;
    std::size_t i = 0;
    while (i < code.size()) {
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            if (i == std::string::npos) break;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i + 2) + 2;
        } else if (code[i] == '"' && i > 0 && code[i - 1] == 'R') {
            const std::size_t open = code.find('(', i);
            const std::string end = ")" + code.substr(i + 1, open - i - 1) + "\"";
            const std::size_t close = code.find(end, open);
            literals.push_back(code.substr(open + 1, close - open - 1));
            i = close + end.size();
        } else if (code[i] == '"') {
            std::string text;
            for (++i; code[i] != '"'; ++i) {
                if (code[i] != '\\') {
                    text += code[i];
                    continue;
                }
                const char escaped = code[++i];
                text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            }
            literals.push_back(text);
            ++i;
        } else if (code[i] == '\'' && i > 0 &&
                   std::isdigit(static_cast<unsigned char>(code[i - 1]))) {
            ++i;  // 1'000: a digit separator
        } else if (code[i] == '\'') {
            for (++i; code[i] != '\''; ++i)
                if (code[i] == '\\') ++i;
            ++i;
        } else {
            ++i;
        }
    }
    return literals;
}

// Hiragana, katakana, CJK ideographs and punctuation, full-width forms.
bool HasJapanese(WStringView text) {
    for (const char16_t c : text)
        if ((c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
    return false;
}

struct SourceText {
    WString text;
    std::string file;
};

// Every literal of the front ends and the document layer. The screenshot mode's sample
// member names are archive content, not texts of the program, and stay out.
std::vector<SourceText> ProgramLiterals() {
    std::vector<SourceText> found;
    for (const char* folder : {"document", "app", "cli"}) {
        for (const fs::directory_entry& entry :
             fs::directory_iterator(fs::path(QUILLORY_SOURCE_DIR) / folder)) {
            const fs::path& path = entry.path();
            if (path.extension() != ".cpp" && path.extension() != ".h") continue;
            if (path.filename() == "screenshots.cpp") continue;
            std::ifstream in(path);
            const std::string code((std::istreambuf_iterator<char>(in)), {});
            for (const std::string& literal : StringLiterals(code))
                found.push_back({platform::Utf8ToWide(literal),
                                 std::string(folder) + "/" + path.filename().string()});
        }
    }
    return found;
}

std::string Utf8(WStringView text) {
    return platform::WideToUtf8(text);
}

class LanguageGuard : public ::testing::Test {
protected:
    void TearDown() override { SetLanguage(Language::Japanese); }
};

TEST(LanguageTest, LocaleVariablesInGettextsOrder) {
    struct Row {
        const char* language;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language expected;
    };
    const Language ja = Language::Japanese, en = Language::English;
    const Row rows[] = {
        {nullptr, nullptr, nullptr, nullptr, ja},              // nothing set
        {nullptr, nullptr, nullptr, "C", ja},                  // the C locale
        {nullptr, nullptr, nullptr, "C.UTF-8", ja},            // ... with a codeset
        {"en", nullptr, nullptr, "POSIX", ja},                 // LANGUAGE ignored under C
        {nullptr, nullptr, nullptr, "en_US.UTF-8", en},        // LANG
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", ja},        //
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", ja},        // no catalogue: source
        {nullptr, nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", en},  // LC_MESSAGES over LANG
        {nullptr, "ja_JP.UTF-8", "en_GB.UTF-8", nullptr, ja},  // LC_ALL over both
        {nullptr, "", "en_GB.UTF-8", "ja_JP.UTF-8", en},       // empty is unset
        {"en:ja", nullptr, nullptr, "ja_JP.UTF-8", en},        // LANGUAGE over the locale
        {"fr:ja:en", nullptr, nullptr, "en_US.UTF-8", ja},     // its first known entry
        {"fr", nullptr, nullptr, "en_US.UTF-8", ja},           // none known: source
        {"", nullptr, nullptr, "en_US.UTF-8", en},             // empty LANGUAGE: locale
        {"en_AU", "C", nullptr, "en_US.UTF-8", ja},            // LC_ALL=C wins
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LanguageFromLocale(r.language, r.lcAll, r.lcMessages, r.lang), r.expected)
            << "LANGUAGE=" << (r.language ? r.language : "(unset)")
            << " LC_ALL=" << (r.lcAll ? r.lcAll : "(unset)")
            << " LC_MESSAGES=" << (r.lcMessages ? r.lcMessages : "(unset)")
            << " LANG=" << (r.lang ? r.lang : "(unset)");
    }
}

TEST_F(LanguageGuard, JapaneseIsTheSourceItselfAndEnglishTheCatalogues) {
    const WStringView source = texts::kExtractDone;
    EXPECT_EQ(source.data(), texts::kExtractDone.source.data());
    SetLanguage(Language::English);
    EXPECT_EQ(WStringView(texts::kExtractDone), u"Extraction finished");
    // A text without an entry stays as it is.
    EXPECT_EQ(Translate(u"<DIR>"), u"<DIR>");
}

TEST(CatalogueTest, EveryJapaneseTextOfTheProgramIsTranslated) {
    std::set<WString> reported;
    for (const SourceText& literal : ProgramLiterals()) {
        if (!HasJapanese(literal.text) || !reported.insert(literal.text).second) continue;
        EXPECT_TRUE(EnglishOf(literal.text))
            << literal.file << ": \"" << Utf8(literal.text)
            << "\" has no finished entry in translations/quillory_en.ts";
    }
    EXPECT_GT(reported.size(), 100u);  // the scan found the program's texts
}

// The window shows its own texts through Tr(), which asks Qt's translator: a Japanese
// text made into a QString directly would stay Japanese whatever the catalogue holds.
TEST(CatalogueTest, TheWindowsJapaneseTextsGoThroughTheTranslator) {
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(QUILLORY_SOURCE_DIR) / "app")) {
        if (entry.path().extension() != ".cpp" || entry.path().filename() == "screenshots.cpp")
            continue;
        std::ifstream in(entry.path());
        const std::string code((std::istreambuf_iterator<char>(in)), {});
        for (const std::string call : {"fromUtf8(\"", "QStringLiteral(\"", "QString(\""}) {
            for (std::size_t at = code.find(call); at != std::string::npos;
                 at = code.find(call, at + 1)) {
                const std::size_t start = at + call.size();
                const std::string text = code.substr(start, code.find('"', start) - start);
                EXPECT_FALSE(HasJapanese(platform::Utf8ToWide(text)))
                    << entry.path().filename().string() << ": \"" << text
                    << "\" is shown without Tr()";
            }
        }
    }
}

// The catalogue's sources, read back from the .ts through the compiled entries: each is
// still a literal of the program, and each translation keeps what joins it to the
// pieces around it: leading line breaks, a trailing space, the " [" before a name that
// the summary's short reasons are cut at, "[" and "]" around a name, the "\t" before a
// shortcut and the "&" of a mnemonic.
TEST(CatalogueTest, EntriesAreUsedAndJoinAsTheirSources) {
    std::set<WString> literals;
    for (const SourceText& literal : ProgramLiterals())
        literals.insert(literal.text);
    std::ifstream in(fs::path(QUILLORY_SOURCE_DIR) / "translations" / "quillory_en.ts");
    std::stringstream ts;
    ts << in.rdbuf();
    const std::string xml = ts.str();
    std::size_t at = 0;
    int entries = 0;
    while ((at = xml.find("<source>", at)) != std::string::npos) {
        at += 8;
        std::string text = xml.substr(at, xml.find("</source>", at) - at);
        for (const auto& [entity, character] : {std::pair{"&lt;", "<"},
                                                {"&gt;", ">"},
                                                {"&quot;", "\""},
                                                {"&apos;", "'"},
                                                {"&amp;", "&"}}) {
            for (std::size_t e; (e = text.find(entity)) != std::string::npos;)
                text.replace(e, std::string(entity).size(), character);
        }
        const WString source = platform::Utf8ToWide(text);
        ++entries;
        EXPECT_TRUE(literals.count(source)) << "\"" << text << "\" is no longer used";
        const std::optional<WStringView> english = EnglishOf(source);
        if (!english) continue;
        const WStringView e = *english;
        const auto leadingBreaks = [](WStringView s) { return s.find_first_not_of(u'\n'); };
        EXPECT_EQ(leadingBreaks(e), leadingBreaks(source)) << text;
        EXPECT_TRUE(!source.ends_with(u' ') || e.ends_with(u' ')) << text;
        EXPECT_TRUE(!source.ends_with(u" [") || e.ends_with(u" [")) << text;
        EXPECT_EQ(e.ends_with(u'['), source.ends_with(u'[')) << text;
        EXPECT_EQ(e.starts_with(u']'), source.starts_with(u']')) << text;
        EXPECT_EQ(e.find(u'\t') != WStringView::npos, source.find(u'\t') != WStringView::npos)
            << text;
        EXPECT_EQ(std::count(e.begin(), e.end(), u'&'),
                  std::count(source.begin(), source.end(), u'&'))
            << text;
    }
    EXPECT_GT(entries, 100);
}

}  // namespace
}  // namespace quillory::testing
