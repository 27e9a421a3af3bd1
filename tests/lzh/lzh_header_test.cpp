// Listing archives whose headers are written field by field: every level, the end
// mark and what may follow it, checksum and CRC warnings, damaged and inconsistent
// headers, name limits, folders and the Shift-JIS split.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <fstream>
#include <string>

#include "common/checksums.h"
#include "lzh/lzh_archive.h"
#include "platform/path.h"
#include "tests/lzh/lzh_header_builder.h"
#include "tests/lzh/lzh_test_util.h"
#include "tests/support/le_writer.h"

namespace quillory::testing {
namespace {

struct Listing {
    int result;
    LzhStatus status;
    std::vector<LzhEntry> entries;
};

// Opens the bytes as an archive; last_ holds why it failed or, opened, its warning.
class HeaderTest : public ::testing::Test {
protected:
    int Open(const Bytes& bytes) {
        archive_.Close();
        return OpenPath(WriteArchive(dir_, bytes));
    }
    int OpenPath(const WString& path) {
        last_ = archive_.Open(path);
        if (last_.ok()) last_.status = archive_.warning();
        return archive_.IsOpen() ? 1 : 0;
    }
    const LzhEntry& Entry(int i) const { return archive_.entries()[static_cast<std::size_t>(i)]; }

    TempDir dir_;
    LzhArchive archive_;
    Outcome<LzhStatus> last_;
};

Bytes Content(std::string_view text) {
    return ToBytes(text);
}

TEST_F(HeaderTest, ReadsEachLevel) {
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        LzhHeaderFields h = Stored(level, "a.txt", Content("hello"));
        h.attribute = 0x21;
        ASSERT_EQ(Open(Archive({h.Build()})), 1);
        EXPECT_EQ(last_.status, LzhStatus::Ok);
        ASSERT_EQ(static_cast<int>(archive_.entries().size()), 1);
        const LzhEntry& e = Entry(0);
        EXPECT_EQ(WStringView(e.method), u"-lh0-");
        EXPECT_EQ(e.compressedSize, 5u);
        EXPECT_EQ(e.originalSize, 5u);
        EXPECT_EQ(e.modifiedTime, kFixtureTime);
        EXPECT_EQ(e.attributes, 0x21u);
        EXPECT_EQ(WStringView(e.name), u"a.txt");
        EXPECT_TRUE(e.path.empty());
        EXPECT_EQ(e.crc16, 0x34D2);  // CRC-16 of "hello"
        EXPECT_EQ(e.dataOffset, h.Build().size() - 5);
    }
}

TEST_F(HeaderTest, EndMarkVariants) {
    const Bytes member = Stored(2, "a", Content("x")).Build();
    struct Case {
        const char* what;
        Bytes archive;
        int result;
        LzhStatus status;
        int entries;
    };
    const std::vector<Case> cases = {
        {"end mark as the last byte", Archive({member}), 1, LzhStatus::Ok, 1},
        {"no end mark", Archive({member}, false), 1, LzhStatus::NoEndMark, 1},
        {"only the end mark", Bytes{0}, 1, LzhStatus::Ok, 0},
        {"empty file", Bytes{}, 1, LzhStatus::NoEndMark, 0},
        // Transfer programs pad archives; OS-9 LHA leaves bytes after the end mark.
        {"one byte after the end mark", Concat({Archive({member}), {0x1A}}), 1, LzhStatus::Ok, 1},
        {"zero padding after the end mark", Concat({Archive({member}), Bytes(127, 0)}), 1,
         LzhStatus::Ok, 1},
        {"a header's worth of junk after it", Concat({Archive({member}), Bytes(40, 0x41)}), 1,
         LzhStatus::Ok, 1},
        // A damaged header loses only what follows it (a cut download, a disk error).
        {"a cut header", Concat({member, Content("-lh0-abc")}), 1, LzhStatus::DamagedFromHere, 1},
        {"a cut first header", Content("-lh0-abc"), 0, LzhStatus::BadHeader, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Open(c.archive), c.result);
        EXPECT_EQ(last_.status, c.status);
        EXPECT_EQ(static_cast<int>(archive_.entries().size()), c.entries);
    }
}

TEST_F(HeaderTest, Level2HeaderWhoseSizeHasALowZeroByteIsNoEndMark) {
    LzhHeaderFields h = Stored(2, "a.txt", Content("data"));
    // Padding brings the header to exactly 256 bytes: its size field is 00 01.
    h.padding = Bytes(256 - h.Build().size() + 4, 0);
    const Bytes header = h.Build();
    ASSERT_EQ(header[0], 0);
    ASSERT_EQ(Open(Archive({header, Stored(2, "b.txt", Content("more")).Build()})), 1);
    EXPECT_EQ(static_cast<int>(archive_.entries().size()), 2);
    EXPECT_EQ(Entry(1).dataOffset, header.size() + Stored(2, "b.txt", {}).Build().size());
}

TEST_F(HeaderTest, ChecksumAndHeaderCrcMismatchesAreWarnings) {
    LzhHeaderFields badSum = Stored(0, "a", Content("1"));
    badSum.checksum = 0x77;
    LzhHeaderFields badCrc = Stored(2, "b", Content("2"));
    badCrc.headerCrc = true;
    badCrc.headerCrcValue = 0x1234;
    LzhHeaderFields goodCrc = Stored(2, "c", Content("3"));
    goodCrc.headerCrc = true;
    LzhHeaderFields unchecked = Stored(2, "d", Content("4"));
    unchecked.headerCrc = true;
    unchecked.headerCrcValue = 0;  // 0 means no CRC to check

    ASSERT_EQ(Open(Archive({goodCrc.Build(), unchecked.Build()})), 1);
    EXPECT_EQ(last_.status, LzhStatus::Ok);
    for (const auto& h : {badSum, badCrc}) {
        ASSERT_EQ(Open(Archive({h.Build()})), 1);
        EXPECT_EQ(last_.status, LzhStatus::HeaderCheckWarning);
        EXPECT_EQ(static_cast<int>(archive_.entries().size()), 1);
    }
    // A warning from an early header stays; a missing end mark replaces it.
    ASSERT_EQ(Open(Archive({badSum.Build(), goodCrc.Build()})), 1);
    EXPECT_EQ(last_.status, LzhStatus::HeaderCheckWarning);
    ASSERT_EQ(Open(Archive({badSum.Build(), goodCrc.Build()}, false)), 1);
    EXPECT_EQ(last_.status, LzhStatus::NoEndMark);
}

TEST_F(HeaderTest, Level2HeaderCrcCoversPaddingAfterTheExtendedHeaders) {
    LzhHeaderFields h = Stored(2, "a", Content("x"));
    h.headerCrc = true;
    h.padding = {1, 2, 3};
    ASSERT_EQ(Open(Archive({h.Build()})), 1);
    EXPECT_EQ(last_.status, LzhStatus::Ok);
    Bytes tampered = h.Build();
    tampered[tampered.size() - 2] ^= 0xFF;  // a padding byte
    ASSERT_EQ(Open(Archive({tampered})), 1);
    EXPECT_EQ(last_.status, LzhStatus::HeaderCheckWarning);
}

TEST_F(HeaderTest, Level3AndOs9For68kLevel2HeadersAreRead) {
    // Level 3, field by field: word size 4, then as level 2 with 32-bit sizes.
    const Bytes data = Content("level three");
    const std::string name = "a.txt";
    const std::uint32_t nameHeader = 1 + static_cast<std::uint32_t>(name.size()) + 4;
    Bytes level3 = {4, 0};
    for (char c : std::string("-lh0-"))
        level3.push_back(static_cast<std::uint8_t>(c));
    const auto put32 = [&level3](std::uint32_t v) { testing::Put32(level3, v); };
    put32(static_cast<std::uint32_t>(data.size()));  // compressed size
    put32(static_cast<std::uint32_t>(data.size()));  // original size
    put32(1614834368);                               // Unix time
    level3.push_back(0x20);                          // reserved
    level3.push_back(3);                             // level
    const std::uint16_t crc = Crc16Update(0, data.data(), data.size());
    testing::Put16(level3, crc);
    level3.push_back('U');   // OS
    put32(32 + nameHeader);  // the whole header
    put32(nameHeader);       // the name header: type, name, next size 0
    level3.push_back(0x01);
    level3.insert(level3.end(), name.begin(), name.end());
    put32(0);
    // OS-9/68k LHA's level 2: the header size leaves out two bytes.
    Bytes os9 = Stored(2, "b.txt", Content("os-9")).Build();
    os9[23] = 'K';
    os9[0] = static_cast<std::uint8_t>(os9[0] - 2);
    ASSERT_EQ(Open(Archive({Concat({level3, data}), os9})), 1);
    EXPECT_EQ(last_.status, LzhStatus::Ok);
    ASSERT_EQ(static_cast<int>(archive_.entries().size()), 2);
    EXPECT_EQ(WStringView(archive_.entries()[0].name), u"a.txt");
    EXPECT_EQ(WStringView(archive_.entries()[1].name), u"b.txt");
    MemberRun run;
    run.testMode = true;
    EXPECT_TRUE(archive_.ExtractEntry(archive_.entries()[0], run).ok());
    EXPECT_TRUE(archive_.ExtractEntry(archive_.entries()[1], run).ok());
}

TEST_F(HeaderTest, UnknownLevelFails) {
    Bytes header = Stored(1, "a", Content("x")).Build();
    header[20] = 4;
    EXPECT_EQ(Open(Archive({header})), 0);
    EXPECT_EQ(last_.status, LzhStatus::UnknownLevel);
    EXPECT_EQ(static_cast<int>(archive_.entries().size()), 0);
    EXPECT_FALSE(archive_.IsOpen());
}

TEST_F(HeaderTest, NameLengthLimits) {
    const auto name = [](std::size_t n) { return std::string(n, 'n'); };
    // 233 (level 0) and 230 (level 1) bytes are the longest names the size byte allows.
    EXPECT_EQ(Open(Archive({Stored(0, name(233), Content("x")).Build()})), 1);
    EXPECT_EQ(Entry(0).name.size(), 233u);
    EXPECT_EQ(Open(Archive({Stored(1, name(230), Content("x")).Build()})), 1);
    LzhHeaderFields tooLong0 = Stored(0, name(234), Content("x"));
    tooLong0.sizeByte = 255;
    LzhHeaderFields tooLong1 = Stored(1, name(231), Content("x"));
    tooLong1.sizeByte = 255;
    for (const auto& h : {tooLong0, tooLong1}) {
        EXPECT_EQ(Open(Archive({h.Build()})), 0);
        EXPECT_EQ(last_.status, LzhStatus::BadHeader);
    }
    // Extended names and folders: as long as their headers hold (the host decides later
    // which paths it can take).
    LzhHeaderFields joined = Stored(2, name(1000), Content("x"));
    joined.extended.push_back({kExtFolder, ToBytes(std::string(3000, 'f') + "\xFF")});
    ASSERT_EQ(Open(Archive({joined.Build()})), 1);
    EXPECT_EQ(Entry(0).name.size(), 1000u);
    EXPECT_EQ(Entry(0).path.size(), 3001u);
}

TEST_F(HeaderTest, InconsistentSizesAreDamagedHeaders) {
    struct Case {
        const char* what;
        LzhHeaderFields header;
    };
    std::vector<Case> cases;
    LzhHeaderFields h = Stored(0, "name", Content("x"));
    h.sizeByte = 22 + 4 - 1;  // one byte too small for its name and CRC
    cases.push_back({"level 0 size below its name", h});
    h = Stored(1, "name", Content("x"));
    h.sizeByte = 25 + 4 - 1;
    cases.push_back({"level 1 size below its name", h});
    h = Stored(1, "name", Content("x"));
    h.extended.push_back({kExtAttribute, {0x01, 0x00}});
    h.compressedSize = 4;  // smaller than the 5-byte extended header it contains
    cases.push_back({"level 1 extended headers larger than the compressed size", h});
    h = Stored(1, "name", Content("x"));
    h.firstExtendedSize = 2;
    h.basicExtra = {};
    cases.push_back({"extended header shorter than its frame", h});
    h = Stored(2, "name", Content("x"));
    h.totalSize = 25;
    cases.push_back({"level 2 total size below the basic header", h});
    h = Stored(2, "name", Content("x"));
    h.totalSize = 30;  // the name header does not fit
    cases.push_back({"level 2 extended headers beyond the total size", h});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Open(Archive({c.header.Build(), Bytes(300, 0)})), 0);
        EXPECT_EQ(last_.status, LzhStatus::BadHeader);
        EXPECT_EQ(static_cast<int>(archive_.entries().size()), 0);
    }
}

TEST_F(HeaderTest, Level1CompressedSizeExcludesItsExtendedHeaders) {
    LzhHeaderFields h = Stored(1, "a.txt", Content("data"));
    h.extended.push_back({0x7F, Bytes(17, 'e')});  // unknown type: 20 bytes, ignored
    ASSERT_EQ(Open(Archive({h.Build(), Stored(1, "b", Content("next")).Build()})), 1);
    EXPECT_EQ(Entry(0).compressedSize, 4u);
    EXPECT_EQ(static_cast<int>(archive_.entries().size()), 2);
    EXPECT_EQ(WStringView(Entry(1).name), u"b");
}

TEST_F(HeaderTest, FoldersAndNamesSplitOnBackslashes) {
    LzhHeaderFields level2 = Stored(2, "a.txt", Content("x"));
    level2.extended.push_back({kExtFolder, ToBytes("doc\xFFimg\xFF")});
    LzhHeaderFields level0 = Stored(0,
                                    "doc\xFF"
                                    "a.txt",
                                    Content("x"));
    // Amiga LhA writes folders without the trailing separator.
    LzhHeaderFields amiga = Stored(1, "b.txt", Content("x"));
    amiga.extended.push_back({kExtFolder, ToBytes("doc\xFFimg")});
    // Unix LHa separates with "/" in level-0 names; some writers in folder headers.
    LzhHeaderFields unix0 = Stored(0, "doc/img/c.txt", Content("x"));
    LzhHeaderFields slashes2 = Stored(2, "d.txt", Content("x"));
    slashes2.extended.push_back({kExtFolder, ToBytes("doc/img")});
    ASSERT_EQ(Open(Archive({level2.Build(), level0.Build(), amiga.Build(), unix0.Build(),
                            slashes2.Build()})),
              1);
    EXPECT_EQ(WStringView(Entry(0).path), u"doc\\img\\");
    EXPECT_EQ(WStringView(Entry(0).name), u"a.txt");
    EXPECT_EQ(WStringView(Entry(1).path), u"doc\\");
    EXPECT_EQ(WStringView(Entry(1).name), u"a.txt");
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(WStringView(Entry(i).path), u"doc\\img\\");
    EXPECT_EQ(WStringView(Entry(2).name), u"b.txt");
    EXPECT_EQ(WStringView(Entry(3).name), u"c.txt");
}

TEST_F(HeaderTest, ShiftJisTrailByte5CIsNotASeparator) {
    // 表 = 95 5C, ソ = 83 5C: a byte-wise split at 0x5C would cut both.
    const std::string hyo = "\x95\x5C";
    const std::string so = "\x83\x5C";
    LzhHeaderFields level0 = Stored(0, hyo + "\\" + so + ".txt", Content("x"));
    LzhHeaderFields level2 = Stored(2, so + ".txt", Content("x"));
    level2.extended.push_back({kExtFolder, ToBytes(hyo + "\xFF")});
    ASSERT_EQ(Open(Archive({level0.Build(), level2.Build()})), 1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(WStringView(Entry(i).path), u"表\\");
        EXPECT_EQ(WStringView(Entry(i).name), u"ソ.txt");
    }
}

TEST_F(HeaderTest, AttributeExtendedHeaderReplacesTheByte) {
    LzhHeaderFields h = Stored(2, "ro.txt", Content("x"));
    h.extended.push_back({kExtAttribute, {0x21, 0x00}});
    ASSERT_EQ(Open(Archive({h.Build()})), 1);
    EXPECT_EQ(Entry(0).attributes, 0x21u);
}

TEST_F(HeaderTest, InvalidDosTimeGivesZero) {
    LzhHeaderFields h = Stored(0, "a", Content("x"));
    h.dosDate = 0x5200;  // month 0, day 0
    ASSERT_EQ(Open(Archive({h.Build()})), 1);
    EXPECT_EQ(Entry(0).modifiedTime, 0u);
}

TEST_F(HeaderTest, MemberDataRunningPastTheEndIsListed) {
    LzhHeaderFields h = Stored(2, "a", Content("xyz"));
    h.compressedSize = 1000;
    ASSERT_EQ(Open(h.Build()), 1);
    EXPECT_EQ(last_.status, LzhStatus::NoEndMark);
    EXPECT_EQ(static_cast<int>(archive_.entries().size()), 1);
}

TEST_F(HeaderTest, ListingReadsThroughABuffer) {
    std::vector<Bytes> members;
    for (int i = 0; i < 2000; ++i) {
        LzhHeaderFields h = Stored(1 + i % 2, "member" + std::to_string(i), Content("data"));
        h.extended.push_back({kExtFolder, ToBytes("dir\xFF")});
        members.push_back(h.Build());
    }
    const WString path = WriteArchive(dir_, Archive(members));
    std::size_t reads = 0;
    platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) {
        reads += kind == platform::IoKind::Read;
        return count;
    });
    const int result = OpenPath(path);
    platform::SetIoFaultHook(nullptr);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(static_cast<int>(archive_.entries().size()), 2000);
    EXPECT_LT(reads, 10u);  // about 90 KB in 64 KiB reads, not six reads per header
}

TEST_F(HeaderTest, OpenFailures) {
    EXPECT_EQ(OpenPath(dir_.Program("missing.lzh")), 0);
    EXPECT_EQ(last_.status, LzhStatus::OpenFailed);
    EXPECT_EQ(OpenPath(dir_.Program()), 0);  // a folder
    EXPECT_EQ(last_.status, LzhStatus::OpenFailed);
    // A path longer than the host takes is refused whole, never shortened to another.
    const WString longPath =
        dir_.Program() + u"\\" + WString(platform::MaxHostPathBytes(), u'a') + u".lzh";
    EXPECT_EQ(OpenPath(longPath), 0);
    EXPECT_EQ(last_.status, LzhStatus::OpenFailed);
    EXPECT_EQ(archive_.archivePath(), longPath);
}

TEST_F(HeaderTest, ReopeningReplacesTheTableAndCloseEmptiesIt) {
    ASSERT_EQ(Open(Archive({Stored(2, "a", {}).Build(), Stored(2, "b", {}).Build()})), 1);
    const WString second = WriteArchive(dir_, Archive({Stored(2, "c", {}).Build()}), "b.lzh");
    ASSERT_EQ(OpenPath(second), 1);  // without Close in between
    ASSERT_EQ(static_cast<int>(archive_.entries().size()), 1);
    EXPECT_EQ(WStringView(Entry(0).name), u"c");
    EXPECT_EQ(archive_.archivePath(), second);
    archive_.Close();
    EXPECT_TRUE(archive_.entries().empty());
    EXPECT_FALSE(archive_.IsOpen());
    archive_.Close();  // harmless when nothing is open
}

#if !defined(__SANITIZE_ADDRESS__)
// Opens path with the address space capped a little above what the process uses;
// exits 7 when the open failed cleanly with OpenFailed.
[[noreturn]] void OpenUnderMemoryCap(const WString& path) {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    const rlim_t limit = pages * 4096ul + (64ul << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    LzhArchive archive;
    const Outcome<LzhStatus> result = archive.Open(path);
    std::exit(result.status == LzhStatus::OpenFailed && archive.entries().empty() ? 7 : 1);
}
#endif

TEST(HeaderMemory, TableThatCannotGrowFailsTheOpen) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the cap leaves";
#else
    // Two million members need some 300 MB of table; with the address space capped the
    // growth fails, and the open fails with a status instead of throwing.
    TempDir dir;
    const Bytes member = Stored(0, "n", {}).Build();
    {
        std::ofstream out(dir.Host("many.lzh"), std::ios::binary);
        for (int i = 0; i < 2000000; ++i) {
            out.write(reinterpret_cast<const char*>(member.data()),
                      static_cast<std::streamsize>(member.size()));
        }
    }
    EXPECT_EXIT(OpenUnderMemoryCap(dir.Program("many.lzh")), ::testing::ExitedWithCode(7), "");
#endif
}

}  // namespace
}  // namespace quillory::testing
