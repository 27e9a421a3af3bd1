// Archives appended to self-extracting programs: found within the first 256 KiB after
// a prefix, refused at offset 0 and beyond the window, never judged by bytes outside
// the window.
#include <gtest/gtest.h>

#include "lzh/lzh_archive.h"
#include "lzh/lzh_exe_search.h"
#include "tests/lzh/fixture_data.h"
#include "tests/lzh/lzh_header_builder.h"
#include "tests/lzh/lzh_test_util.h"

namespace quillory::testing {
namespace {

Bytes Fixture(const char* name) {
    return ReadHostFile(FixturesDir() / "lzh" / name);
}

// A program-like prefix: "MZ", then text that holds no method identifier.
Bytes Prefix(std::size_t size) {
    Bytes p = FixtureData(FixtureKind::Text, size, 99);
    p[0] = 'M';
    p[1] = 'Z';
    return p;
}

TEST(ExeSearch, FindsArchivesAfterAPrefixAtEveryLevel) {
    TempDir dir;
    for (const char* name : {"jlha_l0_lh5.lzh", "jlha_l1_lh6.lzh", "jlha_l2_lh7.lzh"}) {
        SCOPED_TRACE(name);
        LzhArchive plain;
        ASSERT_TRUE(plain.Open(ProgramPath(FixturesDir() / "lzh" / name)).ok());
        LzhArchive reader;
        ASSERT_TRUE(
            reader.Open(WriteArchive(dir, Concat({Prefix(70000), Fixture(name)}), "setup.exe"))
                .ok());
        EXPECT_EQ(reader.warning(), LzhStatus::Ok);
        ASSERT_EQ(reader.entries().size(), plain.entries().size());
        for (std::size_t i = 0; i < plain.entries().size(); ++i) {
            EXPECT_EQ(reader.entries()[i].dataOffset, plain.entries()[i].dataOffset + 70000);
        }
        MemberRun run;
        run.testMode = true;
        for (const LzhEntry& e : reader.entries())
            EXPECT_TRUE(reader.ExtractEntry(e, run).ok());
    }
}

TEST(ExeSearch, ExtensionIsComparedWithoutCase) {
    // MS-DOS and Windows, Unix, X68000 and Atari self-extractors.
    for (const WStringView name :
         {u"C:\\Setup.EXE", u"a.Exe", u"LHA.COM", u"pkg.run", u"GAME.X", u"demo.Tos"}) {
        EXPECT_TRUE(lzh::HasSelfExtractorExtension(name)) << Utf8(name);
    }
    for (const WStringView name : {u"a.exe.lzh", u"dir.exe\\file", u"exe", u"a.xz", u"a.com2"}) {
        EXPECT_FALSE(lzh::HasSelfExtractorExtension(name)) << Utf8(name);
    }
    TempDir dir;
    LzhArchive reader;
    EXPECT_TRUE(
        reader.Open(WriteArchive(dir, Concat({Prefix(1000), Fixture("jlha_l1_lh5.lzh")}), "A.EXE"))
            .ok());
    // The search knows every method's identifier, LArc's too.
    EXPECT_TRUE(
        reader.Open(WriteArchive(dir, Concat({Prefix(1000), Fixture("jlib_lz5.lzh")}), "GAME.X"))
            .ok());
}

TEST(ExeSearch, RefusesArchivesAtTheStartOrBeyondTheWindow) {
    TempDir dir;
    const Bytes archive = Fixture("jlha_l1_lh5.lzh");
    LzhArchive reader;
    EXPECT_EQ(reader.Open(WriteArchive(dir, archive, "plain.com")).status,
              LzhStatus::NoArchiveInExe);
    EXPECT_EQ(reader.Open(WriteArchive(dir, archive, "plain.exe")).status,
              LzhStatus::NoArchiveInExe);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader
                  .Open(WriteArchive(dir, Concat({Prefix(lzh::kExeSearchWindowBytes + 1), archive}),
                                     "far.exe"))
                  .status,
              LzhStatus::NoArchiveInExe);
    EXPECT_EQ(reader.Open(WriteArchive(dir, {}, "empty.exe")).status, LzhStatus::NoArchiveInExe);
    EXPECT_EQ(reader.Open(WriteArchive(dir, Prefix(5000), "noarchive.exe")).status,
              LzhStatus::NoArchiveInExe);
}

TEST(ExeSearch, HeaderThatCrossesTheWindowEndIsNotJudged) {
    // The level byte of a header starting 10 bytes before the end of the window lies
    // outside it; the candidate is passed over rather than read beyond the window.
    TempDir dir;
    const Bytes archive = Fixture("jlha_l1_lh5.lzh");
    LzhArchive reader;
    EXPECT_EQ(reader
                  .Open(WriteArchive(
                      dir, Concat({Prefix(lzh::kExeSearchWindowBytes - 10), archive}), "edge.exe"))
                  .status,
              LzhStatus::NoArchiveInExe);
    // With the whole basic header inside the window it is found.
    EXPECT_TRUE(reader
                    .Open(WriteArchive(
                        dir, Concat({Prefix(lzh::kExeSearchWindowBytes - 300), archive}), "in.exe"))
                    .ok());
}

TEST(ExeSearch, SkipsCandidatesThatFailTheirCheck) {
    TempDir dir;
    // A level-1 look-alike whose checksum is wrong, a level-2 one without the reserved
    // 0x20, and one with an unknown level, before the real archive.
    LzhHeaderFields badSum = Stored(1, "decoy", ToBytes("x"));
    badSum.checksum = 0;
    Bytes badReserved = Stored(2, "decoy", ToBytes("x")).Build();
    badReserved[19] = 0x21;
    Bytes badLevel = Stored(1, "decoy", ToBytes("x")).Build();
    badLevel[20] = 7;
    const Bytes file =
        Concat({Prefix(100), badSum.Build(), badReserved, badLevel, Fixture("jlha_l2_lh5.lzh")});
    LzhArchive reader;
    ASSERT_TRUE(reader.Open(WriteArchive(dir, file, "decoys.exe")).ok());
    EXPECT_EQ(WStringView(reader.entries()[0].name), u"text.txt");
}

}  // namespace
}  // namespace quillory::testing
