// Archives made by jlha and its library (tests/fixtures/lzh): every member lists with its name,
// folder, method, sizes, time and attributes, tests clean, and extracts byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/checksums.h"
#include "lzh/lzh_archive.h"
#include "tests/lzh/fixture_data.h"
#include "tests/lzh/lzh_test_util.h"
#include "tests/support/recording_callback.h"

namespace quillory::testing {
namespace {

struct Member {
    WString path;  // folder part with trailing "\"
    WString name;  // empty for folder entries
    std::string method;
    FixtureKind kind = FixtureKind::Text;
    std::size_t size = 0;
    std::uint32_t seed = 0;

    bool IsFolder() const { return method == "-lhd-"; }
    Bytes Content() const { return size == 0 ? Bytes{} : FixtureData(kind, size, seed); }
};

struct Fixture {
    std::string file;
    int level;
    std::vector<Member> members;
};

Member File(WString path, WString name, std::string method, FixtureKind kind, std::size_t size,
            std::uint32_t seed) {
    return {std::move(path), std::move(name), std::move(method), kind, size, seed};
}
Member Folder(WString path) {
    return {std::move(path), u"", "-lhd-"};
}

std::vector<Member> CommonTree(const std::string& method) {
    return {File(u"", u"text.txt", method, FixtureKind::Text, 6000, 11),
            File(u"", u"data.bin", method, FixtureKind::Binary, 5000, 12),
            File(u"", u"empty.txt", "-lh0-", FixtureKind::Text, 0, 0),
            Folder(u"docs\\"),
            File(u"docs\\", u"readme.txt", method, FixtureKind::Text, 700, 13),
            Folder(u"docs\\img\\"),
            File(u"docs\\img\\", u"pic.bin", method, FixtureKind::Binary, 1500, 14),
            Folder(u"docs\\empty\\")};
}

std::vector<Fixture> AllFixtures() {
    std::vector<Fixture> all;
    for (int level = 0; level <= 2; ++level) {
        for (int m = 5; m <= 7; ++m) {
            const std::string method = "-lh" + std::to_string(m) + "-";
            Fixture f{"jlha_l" + std::to_string(level) + "_lh" + std::to_string(m) + ".lzh", level,
                      CommonTree(method)};
            if (level == 2) {
                const std::size_t d = std::size_t{1} << (m == 5 ? 13 : m == 6 ? 15 : 16);
                for (std::size_t s = d - 1; s <= d + 1; ++s) {
                    f.members.push_back(File(u"", Wide("w" + std::to_string(s) + ".bin"), method,
                                             FixtureKind::Binary, s,
                                             static_cast<std::uint32_t>(s)));
                }
            }
            all.push_back(std::move(f));
        }
    }
    Fixture stored{"jlha_stored.lzh", 2, CommonTree("-lh0-")};
    stored.members.insert(stored.members.begin() + 1,
                          File(u"", u"random.bin", "-lh0-", FixtureKind::Random, 3000, 21));
    stored.members.erase(stored.members.begin() + 2);  // no data.bin in this one
    all.push_back(stored);
    all.push_back({"jlha_incompressible.lzh",
                   2,
                   {File(u"", u"random.bin", "-lh0-", FixtureKind::Random, 3000, 21),
                    File(u"", u"text.txt", "-lh7-", FixtureKind::Text, 4000, 22)}});
    all.push_back(
        {"jlha_long.lzh", 2, {File(u"", u"long.bin", "-lh7-", FixtureKind::Binary, 300000, 31)}});
    // The older methods, from jlha's library.
    for (const std::string method : {"lh1", "lh3", "lh4", "lzs", "lz5"}) {
        Fixture f{"jlib_" + method + ".lzh",
                  1,
                  {File(u"", u"text.txt", "-" + method + "-", FixtureKind::Text, 6000, 11),
                   File(u"", u"data.bin", "-" + method + "-", FixtureKind::Binary, 5000, 12)}};
        if (method == "lh1") {
            f.members.push_back(
                File(u"", u"letters.txt", "-lh1-", FixtureKind::Letters, 60000, 51));
        }
        all.push_back(std::move(f));
    }
    for (int level = 0; level <= 2; ++level) {
        all.push_back(
            {"jlha_sjis_l" + std::to_string(level) + ".lzh",
             level,
             {File(u"", u"表ソ能.txt", "-lh5-", FixtureKind::Text, 300, 41), Folder(u"表示\\"),
              File(u"表示\\", u"予定表.txt", "-lh5-", FixtureKind::Text, 400, 42)}});
    }
    return all;
}

void PrintTo(const Fixture& fixture, std::ostream* out) {
    *out << fixture.file;
}

class FixtureTest : public ::testing::TestWithParam<Fixture> {
protected:
    WString Path() const { return ProgramPath(FixturesDir() / "lzh" / GetParam().file); }
};

TEST_P(FixtureTest, ListsEveryMemberAsStored) {
    LzhArchive archive;
    ASSERT_TRUE(archive.Open(Path()).ok());
    EXPECT_EQ(archive.warning(), LzhStatus::Ok);
    const auto& members = GetParam().members;
    ASSERT_EQ(archive.entries().size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const LzhEntry& e = archive.entries()[i];
        const Member& m = members[i];
        SCOPED_TRACE(Utf8(m.path + m.name));
        EXPECT_EQ(WStringView(e.path), m.path);
        EXPECT_EQ(WStringView(e.name), m.name);
        EXPECT_EQ(WStringView(e.method), Wide(m.method));
        EXPECT_EQ(e.originalSize, m.size);
        if (m.method == "-lh0-" || m.IsFolder()) {
            EXPECT_EQ(e.compressedSize, m.size);
        }
        EXPECT_EQ(e.modifiedTime, kFixtureTime);
        EXPECT_EQ(e.attributes, 0x20u);  // jlha marks folders with the archive bit too
        const Bytes content = m.Content();
        EXPECT_EQ(e.crc16, Crc16Update(0, content.data(), content.size()));
    }
    archive.Close();
    EXPECT_TRUE(archive.entries().empty());
}

TEST_P(FixtureTest, CompressedDataCutShortIsDamaged) {
    // Each decoder stops at the member's data: one byte less and the stream runs out.
    LzhArchive archive;
    ASSERT_TRUE(archive.Open(Path()).ok());
    MemberRun run;
    run.testMode = true;
    for (LzhEntry e : archive.entries()) {
        if (e.originalSize == 0 || WStringView(e.method) == u"-lh0-" ||
            WStringView(e.method) == u"-lhd-") {
            continue;
        }
        --e.compressedSize;
        EXPECT_EQ(Extract(archive, e, run).status, LzhStatus::DecodeFailed) << Utf8(e.name);
    }
}

TEST_P(FixtureTest, TestsCleanAndExtractsEveryByte) {
    TempDir dir;
    LzhArchive archive;
    // Every method reports its output as it goes, testing too, each byte once.
    RecordingCallback progress;
    MemberRun run;
    run.callback = &progress;
    ASSERT_TRUE(archive.Open(Path()).ok());
    run.testMode = true;
    for (const LzhEntry& e : archive.entries()) {
        const std::uint64_t before = progress.produced;
        EXPECT_EQ(archive.ExtractEntry(e, run).status, LzhStatus::Ok) << Utf8(e.path + e.name);
        EXPECT_EQ(progress.produced - before, e.originalSize) << Utf8(e.path + e.name);
    }
    run.testMode = false;
    run.destFolder = dir.Program("out");
    for (const LzhEntry& e : archive.entries()) {
        EXPECT_TRUE(archive.ExtractEntry(e, run).ok()) << Utf8(e.path + e.name);
    }
    archive.Close();
    for (const Member& m : GetParam().members) {
        std::string relative = Utf8(m.path + m.name);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const auto onDisk = dir.Host("out/" + relative);
        SCOPED_TRACE(relative);
        if (m.IsFolder()) {
            EXPECT_TRUE(std::filesystem::is_directory(onDisk));
            continue;
        }
        EXPECT_EQ(ReadHostFile(onDisk), m.Content());
        const auto written = platform::GetPathLastWriteTime(ProgramPath(onDisk));
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(*written, kFixtureTime);
    }
}

TEST_P(FixtureTest, DosTimesAreLocalAndUnixTimesAreUtc) {
    const ScopedTimeZone tokyo("JST-9");
    LzhArchive archive;
    ASSERT_TRUE(archive.Open(Path()).ok());
    // jlha wrote the level 0/1 MS-DOS times in UTC; read as Tokyo time they are nine
    // hours earlier in UTC. Level 2 holds UTC itself.
    const FileTime expected =
        GetParam().level == 2 ? kFixtureTime : kFixtureTime - 9ull * 3600 * kTicksPerSecond;
    for (const LzhEntry& e : archive.entries())
        EXPECT_EQ(e.modifiedTime, expected);
}

INSTANTIATE_TEST_SUITE_P(Jlha, FixtureTest, ::testing::ValuesIn(AllFixtures()),
                         [](const auto& test) {
                             std::string name =
                                 test.param.file.substr(0, test.param.file.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(FixtureFolders, FoldersOffPutsFilesAtTheTopAndSkipsFolderEntries) {
    TempDir dir;
    LzhArchive archive;
    ASSERT_TRUE(archive.Open(ProgramPath(FixturesDir() / "lzh" / "jlha_l1_lh6.lzh")).ok());
    MemberRun run;
    run.destFolder = dir.Program();
    run.useFolders = false;
    for (const LzhEntry& e : archive.entries()) {
        const LzhStatus status = archive.ExtractEntry(e, run).status;
        EXPECT_EQ(status, WStringView(e.method) == u"-lhd-" ? LzhStatus::FolderEntrySkipped
                                                            : LzhStatus::Ok);
    }
    EXPECT_EQ(ReadHostFile(dir.Host("pic.bin")), FixtureData(FixtureKind::Binary, 1500, 14));
    EXPECT_FALSE(std::filesystem::exists(dir.Host("docs")));
}

TEST(FixtureNames, ShiftJisTrailByte5CStaysInsideItsCharacter) {
    // 表 is 0x95 0x5C in Shift-JIS; a byte-wise split at 0x5C would cut it in half.
    TempDir dir;
    for (int level = 0; level <= 2; ++level) {
        LzhArchive archive;
        ASSERT_TRUE(archive
                        .Open(ProgramPath(FixturesDir() / "lzh" /
                                          ("jlha_sjis_l" + std::to_string(level) + ".lzh")))
                        .ok());
        MemberRun run;
        run.destFolder = dir.Program("l" + std::to_string(level));
        for (const LzhEntry& e : archive.entries())
            ASSERT_TRUE(archive.ExtractEntry(e, run).ok());
        EXPECT_EQ(ReadHostFile(dir.Host("l" + std::to_string(level) + "/表示/予定表.txt")),
                  FixtureData(FixtureKind::Text, 400, 42));
        EXPECT_TRUE(std::filesystem::exists(dir.Host("l" + std::to_string(level) + "/表ソ能.txt")));
    }
}

}  // namespace
}  // namespace quillory::testing
