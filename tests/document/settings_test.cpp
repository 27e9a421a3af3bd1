// Settings: defaults and the order of the start-up reads, the settings command on a first
// run, the eight writes in order on OK and none on Cancel, the overwrite choice taken
// from and pushed into both readers, and a changed choice surviving a restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/commands.h"
#include "document/member_list.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

using Access = platform::MemoryProfile::Access;

const std::vector<std::string> kOptionOrder = {
    "AutoExtract",      "AutoExtractMethod", "CreateFolder",  "UseFolder",  "DisplayFolder",
    "OverwriteInquire", "StartupFolder",     "ExtractFolder", "OpenFolder", "KeepDamaged",
};

// "section/name=value" of each logged access of that kind.
std::vector<std::string> Accesses(const platform::MemoryProfile& profile, Access::Kind kind) {
    std::vector<std::string> lines;
    for (const Access& a : profile.log()) {
        if (a.kind == kind) lines.push_back(Utf8(a.section + u"/" + a.name + u"=" + a.value));
    }
    return lines;
}

class SettingsTest : public DocumentTest {};

TEST_F(SettingsTest, FirstRunReadsEveryValueInOrderWithItsDefault) {
    Start();
    std::vector<std::string> expected;
    for (const std::string& name : kOptionOrder)
        expected.push_back("Option/" + name + "=");
    EXPECT_EQ(Accesses(profile, Access::GetInt), expected);
    const std::vector<std::string> folders = {"LastFolder/Startup=", "LastFolder/Extract="};
    EXPECT_EQ(Accesses(profile, Access::GetString), folders);
    EXPECT_EQ(profile.log().size(), 12u);
    EXPECT_EQ(profile.log()[7].name, u"ExtractFolder");
    EXPECT_EQ(profile.log()[8].name, u"OpenFolder");
    EXPECT_EQ(profile.log()[10].name, u"Startup");

    EXPECT_EQ(settings.AutoExtract, 0);
    EXPECT_EQ(settings.AutoExtractMethod, 0);
    EXPECT_EQ(settings.CreateFolder, 1);
    EXPECT_EQ(settings.UseFolder, 1);
    EXPECT_EQ(settings.DisplayFolder, 0);
    EXPECT_EQ(settings.OverwriteInquire, 1);
    EXPECT_EQ(settings.StartupFolder, 1);
    EXPECT_EQ(settings.ExtractFolder, 1);
    EXPECT_EQ(settings.desktopFolder, temp.Program("Desktop") + u"\\");
    EXPECT_EQ(settings.myDocumentsFolder, temp.Program("Documents") + u"\\");
    EXPECT_EQ(settings.lastOpenFolder, settings.myDocumentsFolder);
    EXPECT_EQ(settings.lastExtractFolder, settings.myDocumentsFolder);
}

TEST_F(SettingsTest, StoredValuesAreReadAndTheOverwriteChoiceTaken) {
    profile.SetInt(u"Option", u"UseFolder", 0);
    profile.SetInt(u"Option", u"OverwriteInquire", 2);
    profile.SetInt(u"Option", u"ExtractFolder", 2);
    profile.SetString(u"LastFolder", u"Startup", u"\\open\\");
    profile.SetString(u"LastFolder", u"Extract", u"\\extract");
    Start();
    EXPECT_EQ(settings.ExtractFolder, 2);
    EXPECT_EQ(settings.lastOpenFolder, u"\\open\\");
    EXPECT_EQ(settings.lastExtractFolder, u"\\extract");
    EXPECT_EQ(settings.UseFolder, 0);
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteNever);
}

TEST_F(SettingsTest, OverwriteSettingIsTheChoiceAndOtherValuesAskForEveryFile) {
    for (int inquire : {0, 1, 7}) {
        SCOPED_TRACE(inquire);
        profile.SetInt(u"Option", u"OverwriteInquire", inquire);
        Start();
        EXPECT_EQ(doc->OverwriteChoice(),
                  inquire == 1 ? kOverwriteAskIfNewer : kOverwriteAlwaysAsk);
    }
}

TEST_F(SettingsTest, DialogOnAFirstRunAndOkRewritesAllEight) {
    Start();
    profile.ClearLog();
    // OK without changes: the answer is what a first run shows.
    SettingsValues shown;
    shown.OverwriteInquire = 1;
    shown.DisplayFolder = 0;
    shown.CreateFolder = 1;
    shown.UseFolder = 1;
    shown.AutoExtract = 0;
    shown.AutoExtractMethod = 0;
    shown.StartupFolder = 1;
    shown.ExtractFolder = 1;
    user.settings = {shown};
    ASSERT_TRUE(doc->OnCommand(kCommandSettings));
    ASSERT_EQ(user.settingsShown.size(), 1u);
    const SettingsValues& first = user.settingsShown[0];
    // "自動展開" off, "デスクトップ", both folder boxes on, folders not listed,
    // "新しいファイルのみ", "最後に開いたフォルダ" twice.
    EXPECT_EQ(first.AutoExtract, 0);
    EXPECT_EQ(first.AutoExtractMethod, 0);
    EXPECT_EQ(first.CreateFolder, 1);
    EXPECT_EQ(first.UseFolder, 1);
    EXPECT_EQ(first.DisplayFolder, 0);
    EXPECT_EQ(first.OverwriteInquire, 1);
    EXPECT_EQ(first.StartupFolder, 1);
    EXPECT_EQ(first.ExtractFolder, 1);

    const std::vector<std::string> writes = {
        "Option/AutoExtract=0",   "Option/AutoExtractMethod=0", "Option/CreateFolder=1",
        "Option/UseFolder=1",     "Option/DisplayFolder=0",     "Option/OverwriteInquire=1",
        "Option/StartupFolder=1", "Option/ExtractFolder=1",     "Option/OpenFolder=0",
        "Option/KeepDamaged=0",
    };
    EXPECT_EQ(Accesses(profile, Access::WriteInt), writes);
    EXPECT_EQ(profile.log().size(), 10u);
    EXPECT_EQ(view.updates, 1);
}

TEST_F(SettingsTest, CancelWritesAndChangesNothing) {
    Start();
    profile.ClearLog();
    user.settings = {std::nullopt};
    doc->OnSettings();
    EXPECT_TRUE(profile.log().empty());
    EXPECT_EQ(view.updates, 0);
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteAskIfNewer);
}

TEST_F(SettingsTest, NeverAskIsPushedIntoBothReadersAndSurvivesARestart) {
    Start();
    user.settings = {std::nullopt};
    doc->OnSettings();
    SettingsValues changed = user.settingsShown[0];
    changed.OverwriteInquire = kOverwriteNever;
    changed.ExtractFolder = kExtractToDesktop;
    changed.AutoExtract = 1;
    user.settings = {changed, std::nullopt};
    doc->OnSettings();
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteNever);
    EXPECT_EQ(settings.ExtractFolder, kExtractToDesktop);
    EXPECT_EQ(settings.AutoExtract, 1);
    // The dialog shows the readers' choice when it opens again.
    doc->OnSettings();
    EXPECT_EQ(user.settingsShown[2].OverwriteInquire, kOverwriteNever);
    EXPECT_EQ(user.settingsShown[2].ExtractFolder, kExtractToDesktop);

    // The next start reads 2 and pushes it.
    ScriptedUser nextUser;
    ApplicationSettings nextSettings;
    CQuilloryDoc next(nextUser, nextSettings, profile);
    StartupRequest request;
    StartUp(next, request);
    EXPECT_EQ(nextSettings.OverwriteInquire, 2);
    EXPECT_EQ(next.OverwriteChoice(), kOverwriteNever);

    // Back to "常にする".
    changed.OverwriteInquire = kOverwriteAlwaysAsk;
    user.settings = {changed};
    doc->OnSettings();
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteAlwaysAsk);
}

TEST_F(SettingsTest, ShowingFoldersRebuildsTheListAtOnce) {
    Start();
    ASSERT_EQ(doc->OpenArchive(Fixture("zip/infozip-folders.zip")), 1);
    struct ListView : DocumentView {
        explicit ListView(CQuilloryDoc& d) : doc(d) {}
        void OnUpdate() override { list.Rebuild(doc); }
        CQuilloryDoc& doc;
        MemberList list;
    } listView(*doc);
    doc->AddView(&listView);
    doc->UpdateAllViews();
    EXPECT_EQ(listView.list.rowCount(), 4);
    user.settings = {std::nullopt};
    doc->OnSettings();
    SettingsValues shown = user.settingsShown[0];
    shown.DisplayFolder = 1;
    user.settings = {shown};
    doc->OnSettings();
    EXPECT_EQ(listView.list.rowCount(), 7);
    doc->RemoveView(&listView);
}

}  // namespace
}  // namespace quillory::testing
