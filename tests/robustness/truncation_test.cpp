// Every committed archive cut short, opened, listed and tested through the document:
// every cut ends in a status (a refused open, or a test whose summary matches its
// messages), never a crash or a hang, and a cut that leaves every LZH member listed
// always shows up as a damaged member. Small files are cut at every byte; larger ones at
// every byte of their first and last stretch and at evenly spread offsets between.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "document/member_list.h"
#include "tests/robustness/robust_fixture.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ArchiveFixtures() {
    std::vector<std::string> names;
    for (const char* folder : {"lzh", "zip", "crypto", "document"}) {
        for (const auto& item : fs::directory_iterator(FixturesDir() / folder)) {
            const std::string ext = item.path().extension().string();
            if (ext == ".lzh" || ext == ".zip") {
                names.push_back(std::string(folder) + "/" + item.path().filename().string());
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The cut lengths to try, longest first.
std::vector<std::size_t> CutLengths(std::size_t size) {
    const std::size_t everyByteUpTo = kSanitized ? 1024 : 4096;
    const std::size_t edge = kSanitized ? 96 : 384;
    const std::size_t spread = kSanitized ? 64 : 384;
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < size; ++n) {
        if (size <= everyByteUpTo || n < edge || n >= size - edge) cuts.push_back(n);
    }
    if (size > everyByteUpTo) {
        for (const std::size_t n : EvenSample(size - 2 * edge, spread))
            cuts.push_back(edge + n - 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::reverse(cuts.begin(), cuts.end());
    return cuts;
}

class TruncationTest : public RobustDocumentTest,
                       public ::testing::WithParamInterface<std::string> {};

TEST_P(TruncationTest, EveryCutEndsInAStatus) {
    const std::string& fixture = GetParam();
    const bool lzh = fs::path(fixture).extension() == ".lzh";
    const Bytes whole = ReadHostFile(FixturesDir() / fixture);
    user.defaultPassword = fixture.rfind("crypto/", 0) == 0 ? u"Secret" : u"quillory";
    const fs::path cut = temp.Host(lzh ? "cut.lzh" : "cut.zip");
    WriteHostFile(cut, whole);

    // The whole archive, for comparison (one fixture is refused whole).
    const bool wholeOpens = doc->OpenArchive(ProgramPath(cut)) == 1;
    const int fullCount = doc->EntryCount();
    const RunSummary full = wholeOpens ? doc->OnTest() : RunSummary{};
    // Where a ZIP archive's members end: each at the next one's local header, the last at
    // the directory (where the end record alone places it).
    std::vector<std::uint64_t> memberEnds;
    const std::size_t endRecord = whole.size() - 22;
    if (!lzh && wholeOpens && whole.size() >= 22 && whole[endRecord] == 'P' &&
        whole[endRecord + 1] == 'K' && whole[endRecord + 2] == 5 && whole[endRecord + 3] == 6) {
        const auto le32 = [&](std::size_t at) {
            return std::uint64_t{whole[at]} | std::uint64_t{whole[at + 1]} << 8 |
                   std::uint64_t{whole[at + 2]} << 16 | std::uint64_t{whole[at + 3]} << 24;
        };
        const std::uint64_t directory = le32(endRecord + 16);
        if (directory + le32(endRecord + 12) == endRecord && doc->EntryCount() > 0) {
            for (const ZipEntry& e : doc->zipArchive->entries())
                memberEnds.push_back(e.localHeaderOffset);
            std::sort(memberEnds.begin(), memberEnds.end());
            memberEnds.erase(memberEnds.begin());
            memberEnds.push_back(directory);
        }
    }
    doc->CloseArchive();

    MemberList list;
    int opened = 0;
    for (const std::size_t length : CutLengths(whole.size())) {
        SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
        fs::resize_file(cut, length);
        user.log.clear();
        ++Tally().truncatedRuns;
        Tally().Count(!lzh, "truncated file");
        // Members wholly before a cut that took the ZIP directory are listed from their
        // headers and pass as they did whole (the damaged ones of the whole archive aside).
        const auto wholeMembers = std::count_if(memberEnds.begin(), memberEnds.end(),
                                                [&](std::uint64_t end) { return end <= length; });
        const bool directoryCut = !memberEnds.empty() && length < memberEnds.back();
        if (doc->OpenArchive(ProgramPath(cut)) == 0) {
            EXPECT_EQ(doc->isOpen, 0);
            EXPECT_EQ(wholeMembers, 0);
            continue;
        }
        ++opened;
        list.Rebuild(*doc);
        for (int row = 0; row < list.rowCount(); ++row)
            list.RowTexts(row);
        const RunSummary summary = doc->OnTest();
        ASSERT_TRUE(summary.ran);
        // One message per damaged member, then the summary.
        const std::vector<std::string> talk = user.Talk();
        ASSERT_FALSE(talk.empty());
        // The summary's last line names the unsupported methods, which a cut may change.
        std::string last = talk.back();
        // A warned listing ends the summary with a line that says so, and a test with
        // members it could not check never calls the archive good.
        const std::string warned = "\n書庫が壊れています。一覧にないファイルは処理されていません。";
        EXPECT_EQ(last.ends_with(warned), summary.archiveDamaged) << last;
        if (summary.archiveDamaged) last.resize(last.size() - warned.size());
        if (const auto methods = last.find("\n非対応の方式 "); methods != std::string::npos)
            last.resize(methods);
        const auto damagedMessages = std::count_if(talk.begin(), talk.end(), [](const auto& l) {
            // A member of another password counts as damaged too.
            return l.rfind("message: ファイルが壊れています。", 0) == 0 ||
                   l.rfind("message: パスワードが違います。", 0) == 0;
        });
        // A test counts members it had no password for apart (and with the unsupported
        // in the summary's count).
        int unchecked = 0;
        const std::string uncheckedLine = "\nテストできなかったファイル数 ";
        if (const auto at = last.find(uncheckedLine); at != std::string::npos) {
            const auto end = last.find('\n', at + 1);
            unchecked = std::stoi(last.substr(at + uncheckedLine.size()));
            last.erase(at, end == std::string::npos ? std::string::npos : end - at);
        }
        EXPECT_EQ(damagedMessages, summary.damagedCount + unchecked);
        const int unsupportedCount = summary.unsupportedCount - unchecked;
        const std::string unsupported =
            unsupportedCount == 0 ? ""
                                  : "\n非対応圧縮ファイル数 " + std::to_string(unsupportedCount);
        if (summary.damagedCount == 0 && unsupportedCount == 0 && unchecked == 0) {
            EXPECT_EQ(last, summary.archiveDamaged ? "message: テストできたファイルは正常です。"
                                                   : "message: すべてのファイルは正常です。");
        } else if (summary.damagedCount == 0) {
            EXPECT_TRUE(last == "message: テストできたファイルはありません。" + unsupported ||
                        last == "message: テストできたファイルは正常です。" + unsupported)
                << last;
        } else {
            EXPECT_EQ(last, "message: " + std::to_string(doc->EntryCount()) + "ファイル中" +
                                std::to_string(summary.damagedCount) + "ファイルが不正です。" +
                                unsupported);
        }
        if (directoryCut) {
            EXPECT_EQ(talk.front(),
                      "message: 警告：書庫の中央ディレクトリが見つからないため、"
                      "各ファイルのヘッダから読み取りました");
            EXPECT_GE(doc->EntryCount() - summary.damagedCount, wholeMembers - full.damagedCount);
        }
        // With every member still listed, the cut lies in the last member's data.
        if (lzh && wholeOpens && doc->EntryCount() == fullCount && length + 1 < whole.size()) {
            EXPECT_GT(summary.damagedCount, full.damagedCount);
        }
        doc->CloseArchive();
        if (HasFailure()) return;
    }
    if (lzh) {
        EXPECT_GT(opened, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TruncationTest, ::testing::ValuesIn(ArchiveFixtures()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             std::string name = p.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace quillory::testing
