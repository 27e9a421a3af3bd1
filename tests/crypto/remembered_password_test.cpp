// The remembered password: emptied when an archive was opened, tried before asking,
// asked for once per member, remembered when it passes, converted into the ANSI code
// page and cut only between characters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/remembered_password.h"
#include "platform/codepage.h"
#include "tests/support/recording_callback.h"

namespace quillory {
namespace {

using testing::RecordingCallback;
using Question = RecordingCallback::Question;

// Sets QUILLORY_CODEPAGE for the life of the object.
class ScopedCodePage {
public:
    explicit ScopedCodePage(const char* name) {
        const char* old = std::getenv("QUILLORY_CODEPAGE");
        had_ = old != nullptr;
        if (had_) previous_ = old;
        setenv("QUILLORY_CODEPAGE", name, 1);
    }
    ~ScopedCodePage() {
        if (had_) {
            setenv("QUILLORY_CODEPAGE", previous_.c_str(), 1);
        } else {
            unsetenv("QUILLORY_CODEPAGE");
        }
    }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    std::string previous_;
    bool had_ = false;
};

// A check that accepts one password and records every password it was shown.
struct Check {
    std::string right;
    std::vector<std::string> tried;
    bool operator()(const char* password) {
        tried.emplace_back(password);
        return tried.back() == right;
    }
};

bool Obtain(RememberedPassword& remembered, Check& check, ExtractCallback* callback,
            int& needsReset, int fromCaller = 0) {
    return remembered.Obtain([&](const char* p) { return check(p); }, callback, u"dir/a.txt",
                             needsReset, fromCaller);
}

TEST(RememberedPasswordTest, AsksOnceThenRemembersForTheNextMember) {
    RememberedPassword remembered;
    RecordingCallback callback;
    callback.passwords = {u"Secret"};
    int needsReset = 1;
    Check check{"Secret", {}};
    EXPECT_TRUE(Obtain(remembered, check, &callback, needsReset));
    EXPECT_EQ(needsReset, 0);
    EXPECT_EQ(check.tried, (std::vector<std::string>{"", "Secret"}));  // empty first
    ASSERT_EQ(callback.Count(Question::Password), 1u);
    EXPECT_EQ(callback.questions[0].name, u"dir/a.txt");

    check.tried.clear();
    EXPECT_TRUE(Obtain(remembered, check, &callback, needsReset));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"Secret"}));
    EXPECT_EQ(callback.Count(Question::Password), 1u);  // no second question
    EXPECT_STREQ(remembered.Text(), "Secret");
    EXPECT_EQ(remembered.Length(), 6u);
}

TEST(RememberedPasswordTest, OpeningAnotherArchiveForgetsThePassword) {
    RememberedPassword remembered;
    remembered.SetFromAnswer(u"Secret");
    RecordingCallback callback;
    int needsReset = 1;
    Check check{"Secret", {}};
    EXPECT_FALSE(Obtain(remembered, check, &callback, needsReset));  // cancelled question
    EXPECT_EQ(check.tried, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(callback.Count(Question::Password), 1u);
}

TEST(RememberedPasswordTest, SecondWrongAnswerFailsTheMemberAndStaysForTheNext) {
    RememberedPassword remembered;
    RecordingCallback callback;
    callback.passwords = {u"wrong", u"Secret"};
    int needsReset = 1;
    Check check{"Secret", {}};
    EXPECT_FALSE(Obtain(remembered, check, &callback, needsReset));
    EXPECT_STREQ(remembered.Text(), "wrong");
    // The next member starts from "wrong", is asked once and gets the right one.
    check.tried.clear();
    EXPECT_TRUE(Obtain(remembered, check, &callback, needsReset));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"wrong", "Secret"}));
    EXPECT_EQ(callback.Count(Question::Password), 2u);
}

TEST(RememberedPasswordTest, NoQuestionForACallersPasswordOrWithoutCallback) {
    RememberedPassword remembered;
    RecordingCallback callback;
    callback.passwords = {u"Secret"};
    int needsReset = 0;
    Check check{"Secret", {}};
    EXPECT_FALSE(Obtain(remembered, check, &callback, needsReset, 1));
    EXPECT_EQ(callback.Count(Question::Password), 0u);
    EXPECT_EQ(check.tried.size(), 1u);

    // No callback: the question counts as cancelled, the empty password is tried.
    remembered.SetFromAnswer(u"old");
    check.tried.clear();
    EXPECT_FALSE(Obtain(remembered, check, nullptr, needsReset));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"old", ""}));
}

TEST(RememberedPasswordTest, AnswerIsConvertedIntoTheAnsiCodePage) {
    const ScopedCodePage codePage("CP932");
    RememberedPassword remembered;
    remembered.SetFromAnswer(u"パスワード");
    EXPECT_EQ(std::string(remembered.Text()), "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68");
    remembered.SetFromAnswer(std::u16string(u"ab\0cd", 5));  // ends at the terminator
    EXPECT_STREQ(remembered.Text(), "ab");
}

TEST(RememberedPasswordTest, LongAnswersAreCutBetweenCharacters) {
    const ScopedCodePage codePage("UTF-8");
    RememberedPassword remembered;
    // 63 three-byte characters: only 42 (126 bytes) fit in 127.
    remembered.SetFromAnswer(std::u16string(63, u'あ'));
    EXPECT_EQ(remembered.Length(), 126u);
    EXPECT_EQ(platform::AnsiToWide(remembered.Text()), std::u16string(42, u'あ'));

    // 31 four-byte characters (surrogate pairs) and 3 ASCII letters fill 127 exactly;
    // one more letter does not fit and is dropped.
    std::u16string pairs;
    for (int i = 0; i < 31; ++i)
        pairs += u"\U0001F600";
    remembered.SetFromAnswer(pairs + u"abcd");
    EXPECT_EQ(remembered.Length(), 127u);
    EXPECT_EQ(platform::AnsiToWide(remembered.Text()), pairs + u"abc");
}

// An answer that fills all 64 units without a terminator.
class UnterminatedCallback : public ExtractCallback {
public:
    void AskPassword(WStringView, WChar* password) override {
        for (int i = 0; i < kPasswordBufferUnits; ++i)
            password[i] = u'x';
    }
};

TEST(RememberedPasswordTest, UnterminatedAnswerIsCutAtTheBuffer) {
    RememberedPassword remembered;
    UnterminatedCallback callback;
    int needsReset = 1;
    Check check{std::string(kPasswordBufferUnits - 1, 'x'), {}};
    EXPECT_TRUE(Obtain(remembered, check, &callback, needsReset));
    EXPECT_EQ(remembered.Length(), static_cast<std::size_t>(kPasswordBufferUnits - 1));
}

}  // namespace
}  // namespace quillory
