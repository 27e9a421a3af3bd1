// The remembered password: tried before asking, asked for again when wrong (three
// questions at most), not after a cancel, remembered when it passes, converted into the archive's
// code page and cut only between characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/remembered_password.h"
#include "platform/codepage.h"
#include "tests/support/recording_callback.h"

namespace quillory {
namespace {

using testing::RecordingCallback;
using Question = RecordingCallback::Question;

platform::CodePage Named(const char* name) {
    return platform::CodePage::Named(name).value();
}

// A check that accepts one password and records every password it was shown.
struct Check {
    std::string right;
    std::vector<std::string> tried;
    bool operator()(const char* password) {
        tried.emplace_back(password);
        return tried.back() == right;
    }
};

bool Obtain(RememberedPassword& remembered, Check& check, ExtractCallback* callback) {
    return remembered.Obtain([&](const char* p) { return check(p); }, callback, u"dir/a.txt",
                             Named("CP932"));
}

TEST(RememberedPasswordTest, AsksOnceThenRemembersForTheNextMember) {
    RememberedPassword remembered;
    RecordingCallback callback;
    callback.passwords = {u"Secret"};
    Check check{"Secret", {}};
    EXPECT_TRUE(Obtain(remembered, check, &callback));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"", "Secret"}));  // empty first
    ASSERT_EQ(callback.Count(Question::Password), 1u);
    EXPECT_EQ(callback.questions[0].name, u"dir/a.txt");

    check.tried.clear();
    EXPECT_TRUE(Obtain(remembered, check, &callback));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"Secret"}));
    EXPECT_EQ(callback.Count(Question::Password), 1u);  // no second question
    EXPECT_STREQ(remembered.Text(), "Secret");
    EXPECT_EQ(remembered.Length(), 6u);
}

TEST(RememberedPasswordTest, AClearedPasswordIsAskedForAgain) {
    RememberedPassword remembered;
    remembered.SetFromAnswer(u"Secret", Named("CP932"));
    remembered.Clear();  // another archive was opened
    RecordingCallback callback;
    Check check{"Secret", {}};
    EXPECT_FALSE(Obtain(remembered, check, &callback));  // cancelled: nothing more tried
    EXPECT_EQ(check.tried, (std::vector<std::string>{""}));
    EXPECT_EQ(callback.Count(Question::Password), 1u);
}

TEST(RememberedPasswordTest, WrongAnswersAreAskedForAgainThreeTimesInAll) {
    RememberedPassword remembered;
    RecordingCallback callback;
    callback.passwords = {u"wrong", u"Secret"};
    Check check{"Secret", {}};
    EXPECT_TRUE(Obtain(remembered, check, &callback));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"", "wrong", "Secret"}));
    EXPECT_EQ(callback.passwordWrongBefore, (std::vector<bool>{false, true}));

    // Three wrong answers fail the member; the last one stays for the next member.
    RememberedPassword other;
    RecordingCallback wrong;
    wrong.passwords = {u"a", u"b", u"c", u"Secret"};
    check.tried.clear();
    EXPECT_FALSE(Obtain(other, check, &wrong));
    EXPECT_EQ(wrong.Count(Question::Password), 3u);
    EXPECT_STREQ(other.Text(), "c");
    check.tried.clear();
    EXPECT_TRUE(Obtain(other, check, &wrong));
    EXPECT_EQ(check.tried, (std::vector<std::string>{"c", "Secret"}));
}

TEST(RememberedPasswordTest, ACancelKeepsTheRememberedPassword) {
    RememberedPassword remembered;
    Check check{"Secret", {}};
    remembered.SetFromAnswer(u"old", Named("CP932"));
    RecordingCallback cancelling;
    EXPECT_FALSE(Obtain(remembered, check, &cancelling));
    EXPECT_FALSE(Obtain(remembered, check, nullptr));  // no callback: nothing is asked
    EXPECT_EQ(check.tried, (std::vector<std::string>{"old", "old"}));
    EXPECT_STREQ(remembered.Text(), "old");
}

TEST(RememberedPasswordTest, AnswerIsConvertedIntoTheArchivesCodePage) {
    RememberedPassword remembered;
    remembered.SetFromAnswer(u"パスワード", Named("CP932"));
    EXPECT_EQ(std::string(remembered.Text()), "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68");
    remembered.SetFromAnswer(std::u16string(u"ab\0cd", 5), Named("CP932"));  // ends there
    EXPECT_STREQ(remembered.Text(), "ab");
}

TEST(RememberedPasswordTest, LongAnswersAreCutBetweenCharacters) {
    const platform::CodePage utf8 = Named("UTF-8");
    RememberedPassword remembered;
    // 63 three-byte characters: only 42 (126 bytes) fit in 127.
    remembered.SetFromAnswer(std::u16string(63, u'あ'), utf8);
    EXPECT_EQ(remembered.Length(), 126u);
    EXPECT_EQ(utf8.ToWide(remembered.Text()), std::u16string(42, u'あ'));

    // 31 four-byte characters (surrogate pairs) and 3 ASCII letters fill 127 exactly;
    // one more letter does not fit and is dropped.
    std::u16string pairs;
    for (int i = 0; i < 31; ++i)
        pairs += u"\U0001F600";
    remembered.SetFromAnswer(pairs + u"abcd", utf8);
    EXPECT_EQ(remembered.Length(), 127u);
    EXPECT_EQ(utf8.ToWide(remembered.Text()), pairs + u"abc");
}

// An answer that fills all 64 units without a terminator.
class UnterminatedCallback : public ExtractCallback {
public:
    bool AskPassword(WStringView, bool, WChar* password) override {
        for (int i = 0; i < kPasswordBufferUnits; ++i)
            password[i] = u'x';
        return true;
    }
};

TEST(RememberedPasswordTest, UnterminatedAnswerIsCutAtTheBuffer) {
    RememberedPassword remembered;
    UnterminatedCallback callback;
    Check check{std::string(kPasswordBufferUnits - 1, 'x'), {}};
    EXPECT_TRUE(Obtain(remembered, check, &callback));
    EXPECT_EQ(remembered.Length(), static_cast<std::size_t>(kPasswordBufferUnits - 1));
}

}  // namespace
}  // namespace quillory
