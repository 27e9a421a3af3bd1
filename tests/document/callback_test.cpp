// The callback object's questions: exact texts (never cut), the answers, never "for all",
// the cut of an over-long password without splitting a surrogate pair, and the password
// hand-over.
#include <gtest/gtest.h>

#include "document/extract_callback_impl.h"
#include "tests/document/scripted_user.h"
#include "tests/support/test_support.h"

namespace quillory::testing {
namespace {

TEST(CallbackTest, QuestionsShowTheTextsAndOnlyYesProceeds) {
    ScriptedUser user;
    CExtractCallbackImpl callback(user);
    user.yesNo = {true, false, true, false, false};
    int proceed = 0, forAll = 0;
    // The question shows the stored path and where the member would really be written.
    callback.ConfirmUnsafePath(u"..\\evil.txt", u"\\no-such-folder\\dest\\..\\evil.txt", &proceed,
                               &forAll);
    EXPECT_EQ(proceed, 1);
    proceed = 0;
    callback.ConfirmUnsafePath(u"/etc/evil.txt", u"\\d\\etc\\evil.txt", &proceed, &forAll);
    EXPECT_EQ(proceed, 0);
    int overwrite = 0;
    callback.ConfirmOverwrite(u"a.txt", u"\\d\\a.txt", 7, kNoFileTime, &overwrite, &forAll);
    EXPECT_EQ(overwrite, 1);
    overwrite = 0;
    callback.ConfirmOverwrite(u"a.txt", u"\\d\\a.txt", 7, kNoFileTime, &overwrite, &forAll);
    EXPECT_EQ(overwrite, 0);
    EXPECT_EQ(forAll, 0);
    ASSERT_EQ(user.questions.size(), 4u);
    EXPECT_EQ(user.questions[0],
              u"書庫内のファイル[../evil.txt]が意図しないフォルダに展開される可能性があります。\n"
              u"展開先：/no-such-folder/evil.txt\n展開しますか？");
    EXPECT_EQ(user.unsafeQuestions[1].storedPath, u"/etc/evil.txt");
    EXPECT_EQ(user.unsafeQuestions[1].targetPath, u"\\d\\etc\\evil.txt");
    EXPECT_EQ(user.questions[2], u"既に[a.txt]が存在します。上書きしますか？");

    // Long names are shown whole, however long.
    const WString longName = WString(300, u'x') + u"\U0001F600";
    callback.ConfirmOverwrite(longName, u"\\d\\x", 7, kNoFileTime, &overwrite, &forAll);
    EXPECT_EQ(user.questions.back(), u"既に[" + longName + u"]が存在します。上書きしますか？");
}

// The typed question carries the path, both sizes and times; the "all" answers hold for
// the rest of the run without asking again and never touch the reader's own flag.
TEST(CallbackTest, OverwriteQuestionCarriesBothFilesAndAllAnswersHoldForTheRun) {
    TempDir dir;
    WriteHostFile(dir.Host("old.txt"), std::string(1234, 'o'));
    ScriptedUser user;
    CExtractCallbackImpl callback(user);
    user.overwriteAnswers = {OverwriteAnswer::YesToAll};
    int overwrite = 0, forAll = 0;
    const FileTime memberTime = 132000000000000000;
    callback.ConfirmOverwrite(u"old.txt", dir.Program("old.txt"), 99, memberTime, &overwrite,
                              &forAll);
    ASSERT_EQ(user.overwriteQuestions.size(), 1u);
    const OverwriteQuestion& asked = user.overwriteQuestions[0];
    EXPECT_EQ(asked.path, dir.Program("old.txt"));
    EXPECT_EQ(asked.existingSize, 1234u);
    EXPECT_NE(asked.existingTime, kNoFileTime);
    EXPECT_EQ(asked.newSize, 99u);
    EXPECT_EQ(asked.newTime, memberTime);
    EXPECT_NE(Utf8(DetailText(asked)).find("1,234 バイト"), std::string::npos);
    for (int i = 0; i < 2; ++i) {
        overwrite = 0;
        callback.ConfirmOverwrite(u"old.txt", dir.Program("old.txt"), 1, memberTime, &overwrite,
                                  &forAll);
        EXPECT_EQ(overwrite, 1);
    }
    EXPECT_EQ(forAll, 0);
    EXPECT_EQ(user.overwriteQuestions.size(), 1u);

    CExtractCallbackImpl nextRun(user);
    user.overwriteAnswers = {OverwriteAnswer::NoToAll};
    for (int i = 0; i < 2; ++i) {
        overwrite = 0;
        nextRun.ConfirmOverwrite(u"old.txt", dir.Program("old.txt"), 1, memberTime, &overwrite,
                                 &forAll);
        EXPECT_EQ(overwrite, 0);
    }
    EXPECT_EQ(user.overwriteQuestions.size(), 2u);
}

TEST(CallbackTest, CutKeepsShortTextsAndNeverEndsOnAHighSurrogate) {
    EXPECT_EQ(CutWithoutSplittingPairs(u"abc", 5), u"abc");
    EXPECT_EQ(CutWithoutSplittingPairs(u"abc", 2), u"ab");
    EXPECT_EQ(CutWithoutSplittingPairs(u"a\U0001F600", 2), u"a");
    EXPECT_EQ(CutWithoutSplittingPairs(u"a\U0001F600", 3), u"a\U0001F600");
    EXPECT_EQ(CutWithoutSplittingPairs(u"\U0001F600", 0), u"");
}

TEST(CallbackTest, PasswordOkCopiesTheTextAndCancelLeavesTheBuffer) {
    ScriptedUser user;
    CExtractCallbackImpl callback(user);
    user.passwords = {WString(u"quillory"), std::nullopt, WString(100, u'p')};
    WChar buffer[kPasswordBufferUnits] = {};
    EXPECT_TRUE(callback.AskPassword(u"docs/readme.txt", false, buffer));
    EXPECT_EQ(WString(buffer), u"quillory");

    WChar untouched[kPasswordBufferUnits] = {};
    EXPECT_FALSE(callback.AskPassword(u"docs/readme.txt", true, untouched));
    EXPECT_EQ(untouched[0], u'\0');

    // A password longer than the buffer (from a front end without the dialog's limit)
    // is held to it, terminator included.
    WChar full[kPasswordBufferUnits + 1];
    full[kPasswordBufferUnits] = u'#';
    callback.AskPassword(u"x", false, full);
    EXPECT_EQ(WString(full), WString(kPasswordBufferUnits - 1, u'p'));
    EXPECT_EQ(full[kPasswordBufferUnits], u'#');
    ASSERT_EQ(user.log.size(), 3u);
    EXPECT_EQ(user.log[0], "password: docs/readme.txt -> ok");
    EXPECT_EQ(user.log[1], "password: docs/readme.txt (wrong before) -> cancel");
}

}  // namespace
}  // namespace quillory::testing
