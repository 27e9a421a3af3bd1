// Extracting members: output paths, the unsafe-path question, folder entries,
// unsupported methods, stored and compressed data with their failures (short data, CRC,
// undecodable streams), times and attributes. Host path limits, short writes and the
// overwrite rules are reader-contract tests (tests/robustness/reader_contract_test.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/checksums.h"
#include "lzh/lzh_archive.h"
#include "platform/path.h"
#include "tests/lzh/fixture_data.h"
#include "tests/lzh/lzh_header_builder.h"
#include "tests/lzh/lzh_stream_builder.h"
#include "tests/lzh/lzh_test_util.h"
#include "tests/support/reader_fixture.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

// A compressed member: data coded for the method, with the original's size and CRC.
LzhHeaderFields Compressed(int method, std::string_view name, const Bytes& original) {
    LzhHeaderFields h = Stored(2, name, Compress(original, method));
    h.method = "-lh" + std::to_string(method) + "-";
    h.originalSize = static_cast<std::uint32_t>(original.size());
    h.dataCrc = Crc16Update(0, original.data(), original.size());
    return h;
}

class ExtractTest : public ReaderFixture<LzhArchive> {
protected:
    // Opens the members as an archive with the destination dest/ and folders on.
    void Open(const std::vector<LzhHeaderFields>& members) {
        std::vector<Bytes> built;
        for (const auto& m : members)
            built.push_back(m.Build());
        OpenFile(WriteArchive(dir_, Archive(built)));
    }
};

TEST_F(ExtractTest, OutputPathJoinsDestinationFolderAndName) {
    LzhHeaderFields h = Stored(2, "a.txt", ToBytes("abc"));
    h.extended.push_back({kExtFolder, ToBytes("doc\xFF")});
    Open({h});
    ASSERT_EQ(Extract(0), 1);
    EXPECT_EQ(ReadHostFile(Out("doc/a.txt")), ToBytes("abc"));
    run_.useFolders = false;
    run_.destFolder += u"\\";  // a trailing separator is not doubled
    ASSERT_EQ(Extract(0), 1);
    EXPECT_EQ(ReadHostFile(Out("a.txt")), ToBytes("abc"));
    EXPECT_TRUE(callback_.questions.empty());
}

TEST_F(ExtractTest, UnsafePathsAreAskedAbout) {
    const std::string absolute = dir_.path().string() + "/abs";
    LzhHeaderFields rooted = Stored(2, "a.txt", ToBytes("root"));
    std::string folder = absolute + "/";
    std::replace(folder.begin(), folder.end(), '/', '\xFF');
    rooted.extended.push_back({kExtFolder, ToBytes(folder)});
    LzhHeaderFields up = Stored(0, "..\xFFup.txt", ToBytes("up"));
    Open({rooted, up});

    // A rooted path lands below the destination without a question: LHMelt and other
    // Windows tools store folders as "\\subdir\\".
    ASSERT_EQ(Extract(0), 1);
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(ReadHostFile(Out(absolute.substr(1) + "/a.txt")), ToBytes("root"));
    EXPECT_TRUE(callback_.questions.empty());
    // One that climbs out is asked about, with the place it would be written.
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(last_.status, LzhStatus::UnsafePathRefused);
    ASSERT_EQ(callback_.Count(RecordingCallback::Question::UnsafePath), 1u);
    EXPECT_EQ(callback_.questions[0].name, u"..\\up.txt");
    EXPECT_EQ(callback_.questions[0].target, run_.destFolder + u"\\..\\up.txt");
    EXPECT_FALSE(fs::exists(dir_.Host("up.txt")));

    // Yes for all: no more questions for the rest of the run.
    callback_.unsafeAnswer = 1;
    callback_.unsafeForAll = 1;
    ASSERT_EQ(Extract(1), 1);
    EXPECT_TRUE(run_.answers->unsafePathsAllowed);
    EXPECT_EQ(ReadHostFile(dir_.Host("up.txt")), ToBytes("up"));
    callback_.questions.clear();
    run_.overwrite = OverwriteRule::Never;
    ASSERT_EQ(Extract(1), 1);
    EXPECT_TRUE(callback_.questions.empty());

    MemberRun noCallback;
    noCallback.destFolder = run_.destFolder;
    EXPECT_EQ(archive_.ExtractEntry(archive_.entries()[1], noCallback).status,
              LzhStatus::UnsafePathRefused);
}

TEST_F(ExtractTest, FolderEntries) {
    LzhHeaderFields readOnly = FolderEntry(2, "docs\xFFsub\xFF");
    readOnly.attribute = 0x11;
    LzhHeaderFields withData = FolderEntry(2, "bad\xFF");
    withData.data = ToBytes("x");
    withData.originalSize = 1;
    // A folder entry whose last level is stored as its name still means that folder.
    LzhHeaderFields named = FolderEntry(0, "lone");
    // Amiga LhA writes an empty folder as a -lh0- member with a folder and no name.
    LzhHeaderFields amiga = Stored(1, "", {});
    amiga.extended.push_back({kExtFolder, ToBytes("amiga")});
    Open({readOnly, withData, named, amiga});

    run_.testMode = true;
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(Extract(1), 1);
    run_.testMode = false;
    run_.useFolders = false;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::FolderEntrySkipped);
    run_.useFolders = true;
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(fs::is_directory(Out("docs/sub")));
    // Read-only means nothing for a folder here: members can still be written into it.
    WriteHostFile(Out("docs/sub/inside.txt"), "ok");
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(last_.status, LzhStatus::BadHeader);
    EXPECT_FALSE(fs::exists(Out("bad")));
    ASSERT_EQ(Extract(2), 1);
    EXPECT_TRUE(fs::is_directory(Out("lone")));
    ASSERT_EQ(Extract(3), 1);
    EXPECT_TRUE(fs::is_directory(Out("amiga")));
    // A file standing where the folder goes: the folder cannot be made.
    WriteHostFile(Out("docs/sub2"), "file");
    LzhHeaderFields blocked = FolderEntry(2, "docs\xFFsub2\xFF");
    Open({blocked});
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::CreateFailed);
}

TEST_F(ExtractTest, LarcAndPmarcStoredMethodsCopyTheirData) {
    std::vector<LzhHeaderFields> members;
    for (const char* method : {"-lz4-", "-pm0-"}) {
        members.push_back(Stored(2, std::string(method + 1, 3) + ".txt", ToBytes("kept as is")));
        members.back().method = method;
    }
    Open(members);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(Extract(i), 1);
        EXPECT_EQ(ReadHostFile(Out(i == 0 ? "lz4.txt" : "pm0.txt")), ToBytes("kept as is"));
    }
}

TEST_F(ExtractTest, UnsupportedMethodLeavesNothing) {
    LzhHeaderFields h = Stored(2, "old.bin", ToBytes("frozen"));
    h.method = "-lh9-";
    Open({h});
    run_.testMode = true;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::UnsupportedMethod);
    EXPECT_FALSE(fs::exists(Out("old.bin")));
    run_.testMode = false;
    run_.keepDamaged = true;  // there is nothing decoded to keep
    fs::create_directories(Out(""));
    WriteHostFile(Out("old.bin"), "kept");
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::UnsupportedMethod);
    EXPECT_EQ(ReadHostFile(Out("old.bin")), ToBytes("kept"));
    EXPECT_FALSE(fs::exists(Out("old.bin.damaged")));
    EXPECT_TRUE(callback_.questions.empty());  // not asked about a file it cannot replace
}

TEST_F(ExtractTest, CompressedMembersOfEveryMethodAndEmptyOnes) {
    const Bytes data = FixtureData(FixtureKind::Text, 20000, 5);
    LzhHeaderFields empty5 = Stored(2, "empty5", {});
    empty5.method = "-lh5-";
    Open({Compressed(5, "a5", data), Compressed(6, "a6", data), Compressed(7, "a7", data), empty5,
          Stored(2, "empty0", {})});
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        run_.testMode = true;
        EXPECT_EQ(Extract(i), 1);
        run_.testMode = false;
        EXPECT_EQ(Extract(i), 1);
    }
    EXPECT_EQ(ReadHostFile(Out("a7")), data);
    EXPECT_EQ(fs::file_size(Out("empty5")), 0u);
}

TEST_F(ExtractTest, TimesAndAttributesAreApplied) {
    LzhHeaderFields h = Stored(2, "ro.txt", ToBytes("read only"));
    h.attribute = 0x21;
    h.unixTime = 1000000000;
    // An MS-DOS date that is no calendar day gives no time: the file keeps its own.
    LzhHeaderFields undated = Stored(0, "undated.txt", ToBytes("x"));
    undated.dosDate = 0x5200;  // month 0, day 0
    Open({h, undated});
    ASSERT_EQ(Extract(1), 1);
    EXPECT_GT(platform::GetPathLastWriteTime(ProgramPath(Out("undated.txt"))).value_or(0),
              kFixtureTime);
    ASSERT_EQ(Extract(0), 1);
    const auto written = platform::GetPathLastWriteTime(ProgramPath(Out("ro.txt")));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, (1000000000ull + kSecondsFrom1601To1970) * kTicksPerSecond);
    EXPECT_EQ(platform::GetPathAttributes(ProgramPath(Out("ro.txt"))),
              platform::kAttributeReadOnly);

    // LHa for UNIX's permission header (0x50): the execute bits of a regular file only.
    const mode_t mask = ::umask(022);
    LzhHeaderFields tool = Stored(2, "tool.sh", ToBytes("#!/bin/sh\n"));
    tool.extended.push_back({0x50, {0xED, 0x89}});  // 0104755: set-user-ID is not taken
    LzhHeaderFields link = Stored(1, "link", ToBytes("target"));
    link.extended.push_back({0x50, {0xFF, 0xA1}});  // 0120777
    Open({tool, link});
    for (int i : {0, 1})
        ASSERT_EQ(Extract(i), 1);
    struct stat st {};
    ASSERT_EQ(::stat(Out("tool.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(::stat(Out("link").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ::umask(mask);
}

// A damaged member never takes its name; kept for recovery, it goes beside with its time.
TEST_F(ExtractTest, CrcMismatchLeavesNothingUnderTheNameAndKeepsItAsideWhenAsked) {
    LzhHeaderFields h = Stored(2, "a.txt", ToBytes("payload"));
    h.dataCrc = 0x1234;
    Open({h});
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::CrcMismatch);
    EXPECT_TRUE(fs::is_empty(Out("")));
    run_.keepDamaged = true;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_FALSE(fs::exists(Out("a.txt")));
    EXPECT_EQ(ReadHostFile(Out("a.txt.damaged")), ToBytes("payload"));
    EXPECT_EQ(platform::GetPathLastWriteTime(ProgramPath(Out("a.txt.damaged"))), kFixtureTime);
    run_.testMode = true;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::CrcMismatch);
}

// Output is exactly the listed size: a last match that runs past it is cut there and the
// CRC of what is listed decides (zeros, whose CRC-16 is 0 at any length, included); a
// stream that ends before it fails. The same in extraction and in test; what a failed
// member wrote is kept aside.
TEST_F(ExtractTest, OutputIsExactlyTheListedSize) {
    struct Row {
        std::vector<LzhSymbol> symbols;
        std::uint32_t listed;
        std::size_t crcBytes;  // the header's CRC-16 is that of this many decoded bytes
        LzhStatus status;
        std::size_t fileSize;
    };
    const std::vector<LzhSymbol> zeros = {Literal(0), Match(256, 1)};                // 257 zeros
    const std::vector<LzhSymbol> text = {Literal('a'), Literal('b'), Match(20, 2)};  // 22
    const std::vector<Row> rows = {
        {zeros, 100, 100, LzhStatus::Ok, 100},
        {text, 5, 5, LzhStatus::Ok, 5},
        {text, 5, 22, LzhStatus::CrcMismatch, 5},  // a CRC made for the longer output
        {text, 30, 22, LzhStatus::DecodeFailed, 0},
    };
    std::vector<LzhHeaderFields> members;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Bytes decoded = Expand(rows[i].symbols);
        LzhHeaderFields h = Stored(2, "m" + std::to_string(i), EncodeSymbols(5, rows[i].symbols));
        h.method = "-lh5-";
        h.originalSize = rows[i].listed;
        h.dataCrc = Crc16Update(0, decoded.data(), rows[i].crcBytes);
        members.push_back(h);
    }
    Open(members);
    run_.keepDamaged = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        for (const int test : {1, 0}) {
            run_.testMode = test;
            EXPECT_EQ(Extract(static_cast<int>(i)), rows[i].status == LzhStatus::Ok ? 1 : 0);
            EXPECT_EQ(last_.status, rows[i].status);
        }
        const std::string name = "m" + std::to_string(i);
        const bool good = rows[i].status == LzhStatus::Ok;
        EXPECT_EQ(fs::exists(Out(name)), good);
        EXPECT_EQ(fs::file_size(Out(good ? name : name + ".damaged")), rows[i].fileSize);
    }
}

TEST_F(ExtractTest, StoredMemberNeverReadsPastItsData) {
    // The header claims 10 bytes but holds 3: the copy stops at the member's data
    // rather than taking the next member's bytes, and fails even though the CRC of
    // what it copied is the one stored.
    LzhHeaderFields claims = Stored(2, "short.txt", ToBytes("abc"));
    claims.originalSize = 10;
    Open({claims, Stored(2, "next.txt", ToBytes("0123456789"))});
    run_.keepDamaged = true;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::CrcMismatch);
    EXPECT_EQ(ReadHostFile(Out("short.txt.damaged")), ToBytes("abc"));
    // Cut by the end of the archive: the same.
    const Bytes whole = Stored(2, "cut.txt", FixtureData(FixtureKind::Random, 70000, 1)).Build();
    archive_.Close();
    ASSERT_TRUE(archive_.Open(WriteArchive(dir_, Bytes(whole.begin(), whole.end() - 100))).ok());
    run_.testMode = true;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last_.status, LzhStatus::CrcMismatch);
}

TEST_F(ExtractTest, UndecodableDataFailsAndKeepsWhatWasWrittenAside) {
    const Bytes data = FixtureData(FixtureKind::Binary, 100000, 3);
    LzhHeaderFields cut = Compressed(5, "cut.bin", data);
    cut.data.resize(cut.data.size() / 2);
    LzhHeaderFields bomb = Compressed(6, "bomb.bin", ToBytes("tiny"));
    bomb.originalSize = 0xFFFFFFFF;
    Open({cut, bomb});
    run_.keepDamaged = true;
    for (int i = 0; i < 2; ++i) {
        run_.testMode = true;
        EXPECT_EQ(Extract(i), 0);
        EXPECT_EQ(last_.status, LzhStatus::DecodeFailed);
        run_.testMode = false;
        EXPECT_EQ(Extract(i), 0);
        EXPECT_EQ(last_.status, LzhStatus::DecodeFailed);
    }
    const Bytes partial = ReadHostFile(Out("cut.bin.damaged"));
    EXPECT_EQ(partial.size() % 8192, 0u);
    EXPECT_EQ(partial,
              Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(partial.size())));
    EXPECT_EQ(fs::file_size(Out("bomb.bin.damaged")), 0u);
    EXPECT_FALSE(fs::exists(Out("cut.bin")));
}

TEST_F(ExtractTest, ClosedArchiveFailsAsNotOpen) {
    Open({Stored(2, "a.txt", ToBytes("x"))});
    const LzhEntry copy = archive_.entries()[0];
    archive_.Close();
    EXPECT_EQ(archive_.ExtractEntry(copy, run_).status, LzhStatus::OpenFailed);
}

}  // namespace
}  // namespace quillory::testing
