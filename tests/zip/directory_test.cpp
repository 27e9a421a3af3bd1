// Opening archives: the end-record search, the central-directory walk and what it
// refuses, names (ANSI code page, UTF-8 flag, Unicode Path record, volume labels) and
// the AES record wherever it stands in the extra field.
#include <gtest/gtest.h>

#include <functional>

#include "common/conversions.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "tests/support/test_support.h"
#include "tests/zip/zip_builder.h"
#include "zip/zip_archive.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::StoredMember;
using testing::TempDir;
using testing::ToBytes;
using testing::ZipBuilder;
using testing::ZipMember;

class DirectoryTest : public ::testing::Test {
protected:
    // Writes the archive and opens it with the encoding; 1 when it opened, with the
    // outcome in last_.
    int OpenBytes(const Bytes& bytes) {
        testing::WriteHostFile(dir.Host("a.zip"), bytes);
        return OpenPath(dir.Program("a.zip"));
    }
    int OpenBuilt(const ZipBuilder& b) { return OpenBytes(b.Build()); }
    int OpenPath(const WString& path) {
        last_ = zip.Open(path, encoding);
        return last_.ok() ? 1 : 0;
    }

    TempDir dir;
    ZipArchive zip;
    NameEncoding encoding;
    Outcome<ZipStatus> last_;
};

TEST_F(DirectoryTest, ListsNamesFoldersSizesTimesAndFields) {
    ZipBuilder b;
    ZipMember m = StoredMember("docs/readme.txt", ToBytes("hello"));
    m.versionMadeBy = 0x031E;  // Unix, 3.0
    m.versionNeeded = 0x0014;
    m.externalAttributes = 0x81A40000;
    b.Add(m).Add(StoredMember("docs/", {})).Add(StoredMember("top.txt", ToBytes("x")));
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(last_.status, ZipStatus::Ok);
    ASSERT_EQ(static_cast<int>(zip.entries().size()), 3);
    const ZipEntry& e = zip.entries()[0];
    EXPECT_EQ(e.path, u"docs/");
    EXPECT_EQ(e.name, u"readme.txt");
    EXPECT_EQ(e.originalSize, 5u);
    EXPECT_EQ(e.compressedSize, 5u);
    EXPECT_EQ(e.crc32, Crc32Update(0, "hello", 5));
    EXPECT_EQ(e.madeByVersion, 0x1E);
    EXPECT_EQ(e.madeByHost, 3);
    EXPECT_EQ(e.versionNeeded, 0x14);
    EXPECT_EQ(e.attributes, 0x81A40000u);
    EXPECT_EQ(e.localHeaderOffset, 0u);
    FileTime expected;
    ASSERT_EQ(DosTimeToFileTime(0x3C21, 0x6000, &expected), 1);  // local 2010-01-01 12:00
    EXPECT_EQ(e.modifiedTime, expected);
    EXPECT_EQ(zip.entries()[1].path, u"docs/");
    EXPECT_EQ(zip.entries()[1].name, u"");
    EXPECT_EQ(zip.entries()[2].path, u"");
    EXPECT_EQ(zip.entries()[2].name, u"top.txt");
    EXPECT_EQ(zip.entries()[2].localHeaderOffset, 30u + 15 + 5 + 30 + 5);
    EXPECT_EQ(zip.archivePath(), dir.Program("a.zip"));
}

TEST_F(DirectoryTest, MissingFilesFoldersAndShortFiles) {
    EXPECT_EQ(OpenPath(dir.Program("missing.zip")), 0);
    EXPECT_EQ(last_.status, ZipStatus::OpenFailed);
    EXPECT_EQ(OpenPath(dir.Program()), 0);
    EXPECT_EQ(last_.status, ZipStatus::OpenFailed);
    EXPECT_EQ(OpenBytes(Bytes(21, 0)), 0);
    EXPECT_EQ(last_.status, ZipStatus::NoEndRecord);
    EXPECT_EQ(OpenBytes(Bytes(70000, 'x')), 0);
    EXPECT_EQ(last_.status, ZipStatus::NoEndRecord);
}

TEST_F(DirectoryTest, EndRecordMustLieWithinTheLast65557Bytes) {
    ZipBuilder b;
    b.Add(StoredMember("a", ToBytes("a")));
    b.comment = std::string(65535, 'c');
    EXPECT_EQ(OpenBuilt(b), 1);
    b.afterEnd = Bytes(1, 'z');  // now 65558 bytes from the record to the end
    // No end record: the member comes from its local header.
    EXPECT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.warning(), ZipStatus::ReadFromLocalHeaders);
}

// The end records as writers leave them, and what stays refused. Each row changes an
// archive of three members; one that opens must list the members it holds and test every
// one of them good, which only right offsets give.
enum Change : unsigned {
    kZip64End = 1,      // ZIP64 end record and locator
    kZip64Headers = 2,  // ZIP64 records in every header
    kStub = 4,          // 3000 bytes in front, offsets counting them (zip -A)
    kUnadjusted = 8,    // ... offsets not counting them (cat stub.exe a.zip)
    kEmpty = 16,        // no members
};
struct EndCase {
    const char* label;
    unsigned changes;
    std::function<void(ZipBuilder&)> also = nullptr;
    int members = 3;  // -1: refused
    ZipStatus status = ZipStatus::Ok;
};

std::string EndRecordText(std::uint16_t count, std::uint32_t offset) {
    Bytes r;
    ZipBuilder::AppendEndRecord(r, 0, 0, count, count, 46 + 5, offset, 0);
    return std::string(r.begin(), r.end());
}

TEST_F(DirectoryTest, EndRecordsAsWritersLeaveThem) {
    using B = ZipBuilder;
    const EndCase cases[] = {
        {"plain", 0},
        {"ZIP64 end record (Python, zip from a pipe)", kZip64End},
        {"ZIP64 records everywhere (zip -fz)", kZip64End | kZip64Headers},
        {"stub, offsets adjusted (zip -A)", kStub},
        {"stub, offsets not adjusted", kStub | kUnadjusted},
        {"stub before ZIP64 records, not adjusted",
         kStub | kUnadjusted | kZip64End | kZip64Headers},
        {"count below the directory's", 0, [](B& b) { b.totalEntries = b.entriesThisDisk = 1; }},
        {"count above the directory's", 0, [](B& b) { b.totalEntries = 7; }},
        {"signature record before the end", 0, [](B& b) { b.beforeEnd = {'P', 'K', 5, 5, 0, 0}; }},
        {"padding before the end record", 0, [](B& b) { b.beforeEnd = Bytes(16, 0); }},
        {"comment longer than said", 0, [](B& b) { b.comment = "comment", b.commentLength = 2; }},
        {"comment length past the end", 0, [](B& b) { b.comment = "c", b.commentLength = 500; }},
        {"end record in the comment leading nowhere", 0,
         [](B& b) { b.comment = EndRecordText(2, 5); }},
        {"end record in the comment, wrong count", 0,
         [](B& b) { b.comment = EndRecordText(9, 0); }},
        {"offset saturated without ZIP64 records", 0,
         [](B& b) { b.centralDirOffset = 0xFFFFFFFF; }},
        {"no members (an emptied archive)", kEmpty, nullptr, 0},
        {"no members behind a stub", kEmpty | kStub | kUnadjusted, nullptr, 0},
        {"no members in ZIP64 records", kEmpty | kZip64End, nullptr, 0},
        {"several disks", 0, [](B& b) { b.thisDisk = 1; }, -1, ZipStatus::MultiDisk},
        {"ZIP64 locator of two disks", kZip64End, [](B& b) { b.locatorDisks = 2; }, -1,
         ZipStatus::MultiDisk},
        // No directory found: the members come from their local headers.
        {"offset and size leading nowhere", 0,
         [](B& b) { b.centralDirOffset = 5, b.centralDirSize = 7; }},
        {"no members where some are counted", kEmpty, [](B& b) { b.totalEntries = 2; }, -1,
         ZipStatus::BadDirectory},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.label);
        ZipBuilder b;
        if ((c.changes & kEmpty) == 0) {
            b.Add(StoredMember("a.txt", ToBytes("alpha")))
                .Add(testing::DeflatedMember("dir/b.txt", ToBytes(std::string(300, 'b'))))
                .Add(StoredMember("c.txt", ToBytes("gamma")));
        }
        b.zip64End = (c.changes & kZip64End) != 0;
        for (ZipMember& m : b.members)
            m.zip64 = (c.changes & kZip64Headers) != 0;
        if ((c.changes & kStub) != 0) b.prefix = Bytes(3000, 'Z');
        b.unadjustedPrefix = (c.changes & kUnadjusted) != 0;
        if (c.also) c.also(b);
        EXPECT_EQ(OpenBuilt(b), c.members >= 0 ? 1 : 0);
        EXPECT_EQ(last_.status, c.status);
        if (c.members < 0) continue;
        ASSERT_EQ(static_cast<int>(zip.entries().size()), c.members);
        MemberRun run;
        run.testMode = true;
        for (const ZipEntry& e : zip.entries())
            EXPECT_EQ(zip.ExtractEntry(e, run).status, ZipStatus::Ok);
    }
}

TEST_F(DirectoryTest, MoreThan65535MembersWithAndWithoutZip64Records) {
    ZipBuilder b;
    for (int i = 0; i < 70000; ++i)
        b.Add(StoredMember("m" + std::to_string(i), {}));
    ASSERT_EQ(OpenBuilt(b), 1);  // ZIP64 end record, as Python and 7-Zip write it
    EXPECT_EQ(static_cast<int>(zip.entries().size()), 70000);
    EXPECT_EQ(zip.entries()[69999].name, u"m69999");
    // Writers without ZIP64 records wrap the count; the directory holds them all.
    b.zip64End = false;
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(static_cast<int>(zip.entries().size()), 70000);
}

TEST_F(DirectoryTest, SizesAndOffsetsOfZip64Records) {
    ZipBuilder b;
    ZipMember big = StoredMember("big.bin", ToBytes("x"));
    big.originalSize = 5ull << 30;  // sizes the record holds, in 8 bytes
    big.compressedSize = 0x100000000ull;
    b.Add(StoredMember("a.txt", ToBytes("a"))).Add(big);
    // A local-header offset past 4 GiB, which only the record can hold.
    b.members[0].localHeaderOffset = 0x123456789ull;
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.entries()[0].localHeaderOffset, 0x123456789ull);
    EXPECT_EQ(zip.entries()[1].originalSize, 5ull << 30);
    EXPECT_EQ(zip.entries()[1].compressedSize, 0x100000000ull);
}

TEST_F(DirectoryTest, NamesAreAsLongAsTheHeaderHolds) {
    // 104 Japanese characters and ".txt": 316 bytes of UTF-8; and the longest name.
    std::string japanese;
    for (int i = 0; i < 104; ++i)
        japanese += "\xE6\x97\xA5";
    ZipMember utf8 = StoredMember(japanese + ".txt", ToBytes("x"));
    utf8.flags = 0x0800;
    ZipBuilder b;
    b.Add(utf8).Add(StoredMember(std::string(65535, 'n'), ToBytes("x")));
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(WStringView(zip.entries()[0].name), WString(104, u'\u65E5') + u".txt");
    EXPECT_EQ(zip.entries()[1].name.size(), 65535u);
}

TEST_F(DirectoryTest, ZeroLengthNamesAndNulBytesInNames) {
    ZipBuilder b;
    b.Add(StoredMember("", ToBytes("x"))).Add(StoredMember(std::string("ab\0cd", 5), ToBytes("y")));
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.entries()[0].name, u"");
    EXPECT_EQ(zip.entries()[0].path, u"");
    EXPECT_EQ(zip.entries()[1].name, u"ab");
}

TEST_F(DirectoryTest, VolumeLabelsLoseTheDotOnlyFromMsDosLikeHosts) {
    ZipBuilder b;
    ZipMember label = StoredMember("MYDISK01.LBL", {});
    label.externalAttributes = 0x08;
    ZipMember unixLabel = label;
    unixLabel.versionMadeBy = 0x0314;
    ZipMember ntfsLabel = label;
    ntfsLabel.versionMadeBy = 0x0B14;
    ZipMember notLabel = StoredMember("MYDISK01.LBL", {});
    b.Add(label).Add(unixLabel).Add(ntfsLabel).Add(notLabel);
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.entries()[0].name, u"MYDISK01LBL");
    EXPECT_EQ(zip.entries()[1].name, u"MYDISK01.LBL");
    EXPECT_EQ(zip.entries()[2].name, u"MYDISK01LBL");
    EXPECT_EQ(zip.entries()[3].name, u"MYDISK01.LBL");
}

TEST_F(DirectoryTest, NameEncodings) {
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt";  // 日本/語.txt
    const std::string sjis = "\x95\x5C\x8E\xA6/\x93\xFA.txt";              // 表示/日.txt
    ZipBuilder b;
    ZipMember flagged = StoredMember(utf8, {});
    flagged.flags = 0x0800;
    ZipMember ansi = StoredMember(sjis, {});
    ZipMember unicodePath = StoredMember(sjis, {});
    unicodePath.centralExtra = testing::UnicodePathExtra(sjis, "\xE2\x98\x83.txt");  // ☃.txt
    ZipMember staleUnicodePath = StoredMember(sjis, {});
    staleUnicodePath.centralExtra = testing::UnicodePathExtra("renamed", "\xE2\x98\x83.txt");
    ZipMember newerVersion = StoredMember(sjis, {});
    newerVersion.centralExtra = testing::UnicodePathExtra(sjis, "\xE2\x98\x83.txt", 2);
    // .NET's ZipFile and other Windows tools separate folders with "\\".
    b.Add(flagged).Add(ansi).Add(unicodePath).Add(staleUnicodePath).Add(newerVersion);
    b.Add(StoredMember("dir\\sub\\a.txt", {})).Add(StoredMember("emptydir\\", {}));
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.entries()[0].path, u"日本/");
    EXPECT_EQ(zip.entries()[0].name, u"語.txt");
    // The Shift-JIS trail byte 0x5C stays inside its character.
    EXPECT_EQ(zip.entries()[1].path, u"表示/");
    EXPECT_EQ(zip.entries()[1].name, u"日.txt");
    EXPECT_EQ(zip.entries()[2].name, u"☃.txt");
    EXPECT_EQ(zip.entries()[3].name, u"日.txt");
    EXPECT_EQ(zip.entries()[4].name, u"日.txt");
    EXPECT_EQ(zip.entries()[5].path, u"dir/sub/");
    EXPECT_EQ(zip.entries()[5].name, u"a.txt");
    EXPECT_EQ(zip.entries()[6].path, u"emptydir/");
    EXPECT_EQ(zip.entries()[6].name, u"");
}

// Names that declare no encoding, decided for the whole archive: UTF-8 when all of them
// are valid UTF-8 and read so more plausibly than in the code page; the code page when
// the user chose one. Every name comes out precomposed.
TEST_F(DirectoryTest, UndeclaredNamesAreDecidedForTheWholeArchive) {
    const std::string nihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";  // 日本語.txt
    const std::string sjis = "\x95\x5C\x8E\xA6.txt";                         // 表示.txt
    const std::string decomposed = "\xE3\x81\x8B\xE3\x82\x99.txt";           // か + U+3099
    const auto ansi = [](const std::string& bytes) {
        WString name = platform::CodePage::FromEnvironment().ToWide(bytes);
        std::replace(name.begin(), name.end(), u'\\', u'/');
        return name;
    };
    const struct {
        const char* label;
        std::vector<std::string> names;
        std::vector<WString> expected;
        const char* codePage = "";  // chosen by the user
    } rows[] = {
        {"UTF-8 from Linux", {nihongo, "a.txt", decomposed}, {u"日本語.txt", u"a.txt", u"が.txt"}},
        {"Shift-JIS from Windows", {sjis, "a.txt"}, {u"表示.txt", u"a.txt"}},
        {"one name that is no UTF-8 keeps all in the code page",
         {nihongo, sjis},
         {ansi(nihongo), u"表示.txt"}},
        {"a C1 control is no name", {"\xC2\x85.txt"}, {ansi("\xC2\x85.txt")}},
        {"caf\xC3\xA9 reads shorter as UTF-8 than in CP932", {"caf\xC3\xA9.txt"}, {u"café.txt"}},
        {"two bytes read alike in GBK stay GBK", {"\xC3\xA9.txt"}, {u"茅.txt"}, "CP936"},
        {"a chosen code page applies as it is", {nihongo}, {ansi(nihongo)}, "CP932"},
        {"chosen UTF-8, with stand-ins",
         {nihongo, sjis},
         {u"日本語.txt", u"\uFFFD95/\uFFFD8E\uFFFDA6.txt"},
         "UTF-8"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        encoding = {};
        if (*row.codePage != '\0') {
            const auto chosen = platform::CodePage::Named(row.codePage);
            ASSERT_TRUE(chosen.has_value());
            encoding = {*chosen, true};
        }
        ZipBuilder b;
        for (const std::string& name : row.names)
            b.Add(StoredMember(name, {}));
        // Declared names take no part: a flagged one and a Unicode Path record.
        ZipMember flagged = StoredMember("\x83\x65.txt", {});
        flagged.flags = 0x0800;
        ZipMember unicodePath = StoredMember(sjis, {});
        unicodePath.centralExtra = testing::UnicodePathExtra(sjis, "e\xCC\x81.txt");
        b.Add(flagged).Add(unicodePath);
        ASSERT_EQ(OpenBuilt(b), 1);
        for (std::size_t i = 0; i < row.expected.size(); ++i) {
            EXPECT_EQ(WString(zip.entries()[i].path) + WString(zip.entries()[i].name),
                      row.expected[i])
                << i;
        }
        EXPECT_EQ(zip.entries()[row.names.size()].name, u"\uFFFD83e.txt");
        EXPECT_EQ(zip.entries()[row.names.size() + 1].name, u"é.txt");
    }
}

TEST_F(DirectoryTest, TheAesRecordIsFoundWhereverItStands) {
    ZipBuilder b;
    ZipMember first = StoredMember("first", {});
    first.centralExtra = testing::AesExtra(2, 3, 8);
    ZipMember afterOthers = StoredMember("after", {});
    afterOthers.centralExtra = testing::ExtraRecord(0x000A, Bytes(32, 0));
    const Bytes more = testing::ExtraRecord(0x5455, Bytes(5, 1));
    afterOthers.centralExtra.insert(afterOthers.centralExtra.end(), more.begin(), more.end());
    const Bytes aes = testing::AesExtra(1, 1, 0);
    afterOthers.centralExtra.insert(afterOthers.centralExtra.end(), aes.begin(), aes.end());
    // A record whose size runs past the field ends the walk before the AES record.
    ZipMember brokenWalk = StoredMember("broken", {});
    brokenWalk.centralExtra = testing::ExtraRecord(0x5455, Bytes(5, 1), 200);
    brokenWalk.centralExtra.insert(brokenWalk.centralExtra.end(), aes.begin(), aes.end());
    ZipMember tooShort = StoredMember("short", {});
    tooShort.centralExtra = testing::ExtraRecord(0x9901, {2, 0, 'A', 'E'});
    ZipMember signedStrength = StoredMember("strength", {});
    signedStrength.centralExtra = testing::AesExtra(2, 0xFF, 8);
    b.Add(first).Add(afterOthers).Add(brokenWalk).Add(tooShort).Add(signedStrength);
    ASSERT_EQ(OpenBuilt(b), 1);
    const ZipEntry& e0 = zip.entries()[0];
    EXPECT_EQ(e0.aesPresent, 1);
    EXPECT_EQ(e0.aesVersion, 2u);
    EXPECT_EQ(WStringView(e0.aesVendor), u"AE");
    EXPECT_EQ(e0.aesStrength, 3);
    EXPECT_EQ(e0.aesMethod, 8u);
    EXPECT_EQ(zip.entries()[1].aesPresent, 1);
    EXPECT_EQ(zip.entries()[1].aesStrength, 1);
    EXPECT_EQ(zip.entries()[1].aesMethod, 0u);
    EXPECT_EQ(zip.entries()[2].aesPresent, 0);
    EXPECT_EQ(zip.entries()[3].aesPresent, 0);
    EXPECT_EQ(zip.entries()[4].aesStrength, -1);
}

TEST_F(DirectoryTest, FailedReadsOfTheEndOrTheDirectoryLeaveTheLocalHeaders) {
    ZipBuilder b;
    for (int i = 0; i < 20; ++i)
        b.Add(StoredMember("member" + std::to_string(i), ToBytes("data")));
    const Bytes archive = b.Build();
    // The end-record read comes up short or empty, or the directory read empty.
    for (auto [failing, allowed] :
         {std::pair{1, std::size_t{0}}, {1, std::size_t{40}}, {2, std::size_t{0}}}) {
        int reads = 0;
        platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) -> std::size_t {
            if (kind != platform::IoKind::Read || ++reads != failing) return count;
            return std::min(count, allowed);
        });
        // A short tail is read again nearer the end; a directory that cannot be read
        // leaves the local headers.
        EXPECT_EQ(OpenBytes(archive), 1) << failing << " " << allowed;
        EXPECT_EQ(zip.warning(), failing == 2 ? ZipStatus::ReadFromLocalHeaders : ZipStatus::Ok);
        EXPECT_EQ(zip.entries().size(), 20u);
        platform::SetIoFaultHook(nullptr);
    }
    EXPECT_EQ(OpenBytes(archive), 1);
}

// Every prefix of an archive: always a status, never a crash or a read past the data; a
// prefix with a whole local header lists its members from their headers.
TEST_F(DirectoryTest, EveryCutOfAnArchiveEndsInAStatus) {
    ZipBuilder b;
    ZipMember aes = StoredMember("dir/aes.txt", ToBytes("data"));
    aes.centralExtra = testing::AesExtra(2, 3, 8);
    b.Add(StoredMember("a.txt", ToBytes("abc"))).Add(aes).Add(StoredMember("dir/", {}));
    b.comment = "comment";
    const Bytes archive = b.Build();
    ASSERT_EQ(OpenBytes(archive), 1);
    for (std::size_t cut = 0; cut + b.comment.size() < archive.size(); ++cut) {
        const bool opened =
            OpenBytes(Bytes(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(cut))) ==
            1;
        EXPECT_EQ(opened, cut >= 30 + 5) << cut;  // a.txt's whole header
        EXPECT_EQ(opened ? zip.warning() : last_.status,
                  opened ? ZipStatus::ReadFromLocalHeaders : ZipStatus::NoEndRecord)
            << cut;
    }
}

TEST_F(DirectoryTest, ReopeningAndClosingLeaveNothingBehind) {
    ZipBuilder b;
    b.Add(StoredMember("a", ToBytes("a")));
    ASSERT_EQ(OpenBuilt(b), 1);
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(static_cast<int>(zip.entries().size()), 1);
    zip.Close();
    EXPECT_EQ(static_cast<int>(zip.entries().size()), 0);
    EXPECT_TRUE(zip.entries().empty());
    zip.Close();
}

TEST_F(DirectoryTest, ArchivePathsAreNeverCut) {
    ZipBuilder b;
    b.Add(StoredMember("a", ToBytes("a")));
    testing::WriteHostFile(dir.Host("a.zip"), b.Build());
    const WString tooLong = dir.Program() + u"/" + WString(platform::MaxHostPathBytes(), u'x');
    EXPECT_EQ(OpenPath(tooLong), 0);
    EXPECT_EQ(last_.status, ZipStatus::OpenFailed);
    EXPECT_EQ(zip.archivePath(), tooLong);
}

TEST_F(DirectoryTest, TheTableTakesOneRecordPerMemberAndNoSpare) {
    ZipBuilder b;
    for (int i = 0; i < 1000; ++i)
        b.Add(StoredMember("m" + std::to_string(i), {}));
    ASSERT_EQ(OpenBuilt(b), 1);
    EXPECT_EQ(zip.entries().capacity(), 1000u);
    static_assert(sizeof(ZipEntry) <= 200);
}

}  // namespace
}  // namespace quillory
