// Extracting and testing members of built archives: the stored copy and inflate, the
// output path and folders, times, the unsafe-path question, and every refusal with its
// status (including output that cannot be created). Host path limits, short writes and
// the overwrite rules are reader-contract tests (tests/robustness/reader_contract_test.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/checksums.h"
#include "common/conversions.h"
#include "crypto/remembered_password.h"
#include "platform/path.h"
#include "tests/support/le_writer.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"
#include "tests/zip/deflate_writer.h"
#include "tests/zip/zip_builder.h"
#include "zip/zip_archive.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::DeflatedMember;
using testing::MixedData;
using testing::RecordingCallback;
using testing::StoredMember;
using testing::TempDir;
using testing::ToBytes;
using testing::ZipBuilder;
using testing::ZipMember;
using Q = RecordingCallback::Question;

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir.Host("out"));
        run.callback = &callback;
        run.destFolder = dir.Program("out");
        run.overwrite = OverwriteRule::AlwaysAsk;
        run.password = &password;
    }
    void OpenBuilt(const ZipBuilder& b) {
        testing::WriteHostFile(dir.Host("a.zip"), b.Build());
        ASSERT_TRUE(zip.Open(dir.Program("a.zip")).ok());
    }
    // 1 when the member came out good; its outcome in last.
    int Extract(int index) {
        last = zip.ExtractEntry(zip.entries()[static_cast<std::size_t>(index)], run);
        return last.ok() ? 1 : 0;
    }
    Bytes Output(const std::string& relative) {
        return testing::ReadHostFile(dir.Host("out/" + relative));
    }
    bool Exists(const std::string& relative) { return fs::exists(dir.Host("out/" + relative)); }

    TempDir dir;
    RecordingCallback callback;
    ZipArchive zip;
    RememberedPassword password;
    MemberRun run;
    Outcome<ZipStatus> last;
};

TEST_F(ExtractTest, StoredAndDeflatedMembersComeOutExactly) {
    const Bytes text = MixedData(200000, 1);
    ZipBuilder b;
    b.Add(StoredMember("stored.bin", text))
        .Add(DeflatedMember("deflated.bin", text, 9))
        .Add(StoredMember("exact.bin", Bytes(65536, 'e')))
        .Add(DeflatedMember("empty.txt", {}));
    OpenBuilt(b);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Extract(i), 1) << i;
        EXPECT_EQ(last.status, ZipStatus::Ok);
    }
    EXPECT_TRUE(Output("stored.bin") == text);
    EXPECT_TRUE(Output("deflated.bin") == text);
    EXPECT_TRUE(Output("exact.bin") == Bytes(65536, 'e'));
    EXPECT_TRUE(Output("empty.txt").empty());
    EXPECT_TRUE(callback.questions.empty());
}

TEST_F(ExtractTest, TheFileTimeIsTheLocalHeadersLocalTimeInUtc) {
    testing::ScopedTimeZone tz("JST-9");
    ZipBuilder b;
    ZipMember m = StoredMember("t.txt", ToBytes("t"));
    m.time = 0x0000;       // central: midnight, used for the overwrite decision only
    m.localTime = 0x6000;  // local: 12:00:00 on 2010-01-01, Tokyo
    b.Add(m);
    OpenBuilt(b);
    ASSERT_EQ(Extract(0), 1);
    struct stat st {};
    ASSERT_EQ(::stat(dir.Host("out/t.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1262304000 + 3 * 3600);  // 2010-01-01 03:00:00 UTC
}

// What the archive says of a file beyond its bytes: execute bits from a Unix mode (only
// those, only of a regular file, as the umask allows) and the UTC time of an NTFS or
// extended-timestamp record over the MS-DOS time (2010-01-01 12:00:00, tests run in UTC).
TEST_F(ExtractTest, ExecuteBitsAndUtcTimes) {
    const mode_t mask = ::umask(022);
    const auto stamp = [](std::uint32_t seconds) {
        Bytes d = {1};
        testing::Put32(d, seconds);
        return testing::ExtraRecord(0x5455, d);
    };
    const auto ntfs = [](std::uint32_t seconds) {
        Bytes d = {0, 0, 0, 0, 1, 0, 24, 0};
        testing::Put64(d, (seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
        d.resize(32, 0);
        return testing::ExtraRecord(0x000A, d);
    };
    Bytes both = stamp(1);
    const Bytes finer = ntfs(1614834370);
    both.insert(both.end(), finer.begin(), finer.end());
    const struct {
        const char* name;
        std::uint16_t madeBy;
        std::uint32_t mode;
        Bytes extra;
        mode_t execute;
        std::uint32_t mtime;
    } rows[] = {
        {"tool", 0x031E, 0100755, {}, 0111, 1262347200},
        {"writable", 0x031E, 0100777, {}, 0111, 1262347200},  // no write bits taken
        {"setuid", 0x031E, 0104750, {}, 0110, 1262347200},
        {"untyped", 0x031E, 0755, {}, 0111, 1262347200},  // as JSZip stores "755"
        {"link", 0x031E, 0120777, {}, 0, 1262347200},
        {"msdos", 0x0014, 0100755, {}, 0, 1262347200},
        {"stamped", 0x031E, 0100644, stamp(1614834368), 0, 1614834368},
        {"ntfs", 0x0A3F, 0, ntfs(1614834369), 0, 1614834369},
        {"both", 0x0A3F, 0, both, 0, 1614834370},  // the finer NTFS time wins
    };
    ZipBuilder b;
    for (const auto& row : rows) {
        ZipMember m = StoredMember(row.name, ToBytes("#!/bin/sh\n"));
        m.versionMadeBy = row.madeBy;
        m.externalAttributes = row.mode << 16 | 0x20;
        m.centralExtra = row.extra;
        b.Add(m);
    }
    OpenBuilt(b);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        ASSERT_EQ(Extract(static_cast<int>(i)), 1);
        struct stat st {};
        ASSERT_EQ(::stat(dir.Host(std::string("out/") + rows[i].name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u | rows[i].execute);
        EXPECT_EQ(st.st_mtime, rows[i].mtime);
    }
    ::umask(mask);
}

TEST_F(ExtractTest, FoldersAreRebuiltOrLeftOut) {
    ZipBuilder b;
    b.Add(StoredMember("a/b/c.txt", ToBytes("c"))).Add(StoredMember("dir/", {}));
    // As .NET's ZipFile writes an empty folder: "\\", deflate, no data at all.
    ZipMember dotnet = StoredMember("empty\\", {});
    dotnet.method = 8;
    b.Add(dotnet);
    OpenBuilt(b);
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("a/b/c.txt") == ToBytes("c"));
    ASSERT_EQ(Extract(1), 1);
    EXPECT_TRUE(fs::is_directory(dir.Host("out/dir")));
    ASSERT_EQ(Extract(2), 1);
    EXPECT_TRUE(fs::is_directory(dir.Host("out/empty")));

    run.useFolders = false;
    run.destFolder = dir.Program("flat");
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(testing::ReadHostFile(dir.Host("flat/c.txt")) == ToBytes("c"));
    // A folder entry appends nothing: only the destination itself is handled.
    ASSERT_EQ(Extract(1), 1);
    EXPECT_FALSE(fs::exists(dir.Host("flat/dir")));
    EXPECT_TRUE(fs::is_directory(dir.Host("flat")));
}

TEST_F(ExtractTest, TheDestinationMayUseEitherSeparatorAndEndWithOne) {
    ZipBuilder b;
    b.Add(StoredMember("x.txt", ToBytes("x")));
    OpenBuilt(b);
    WString dest = dir.Program("out") + u"\\";
    run.destFolder = dest;
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("x.txt") == ToBytes("x"));
}

TEST_F(ExtractTest, TestModeAsksNothingAndWritesNothing) {
    ZipBuilder b;
    b.Add(StoredMember("../up.txt", ToBytes("u"))).Add(StoredMember("dir/", {}));
    testing::WriteHostFile(dir.Host("out/existing"), "keep");
    b.Add(StoredMember("existing", ToBytes("new")));
    OpenBuilt(b);
    run.testMode = true;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Extract(i), 1) << i;
    EXPECT_TRUE(callback.questions.empty());
    EXPECT_FALSE(Exists("dir"));
    EXPECT_FALSE(fs::exists(dir.Host("up.txt")));
    EXPECT_TRUE(Output("existing") == ToBytes("keep"));
}

TEST_F(ExtractTest, UnsafePathsAreAskedAboutWithWhereTheyGo) {
    ZipBuilder b;
    b.Add(StoredMember("../up.txt", ToBytes("u"))).Add(StoredMember("/abs.txt", ToBytes("a")));
    OpenBuilt(b);
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last.status, ZipStatus::UnsafePathRefused);
    // A rooted name lands below the destination, without a question.
    EXPECT_EQ(Extract(1), 1);
    EXPECT_TRUE(Output("abs.txt") == ToBytes("a"));
    ASSERT_EQ(callback.Count(Q::UnsafePath), 1u);
    EXPECT_EQ(callback.questions[0].name, u"../up.txt");
    EXPECT_EQ(platform::ToHostPath(callback.questions[0].target), dir.Host("out/../up.txt"));
    EXPECT_FALSE(fs::exists(dir.Host("up.txt")));

    callback.unsafeAnswer = 1;
    callback.unsafeForAll = 1;
    EXPECT_EQ(Extract(0), 1);
    EXPECT_TRUE(testing::ReadHostFile(dir.Host("up.txt")) == ToBytes("u"));
    EXPECT_TRUE(run.answers->unsafePathsAllowed);

    MemberRun alone;  // no callback: refused
    alone.destFolder = run.destFolder;
    EXPECT_EQ(zip.ExtractEntry(zip.entries()[0], alone).status, ZipStatus::UnsafePathRefused);
}

TEST_F(ExtractTest, LocalHeadersThatDoNotMatch) {
    ZipBuilder b;
    ZipMember renamed = StoredMember("central.txt", ToBytes("r"));
    renamed.localName = "local.txt";
    ZipMember badOffset = StoredMember("b.txt", ToBytes("b"));
    b.Add(renamed).Add(badOffset);
    OpenBuilt(b);
    EXPECT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("central.txt") == ToBytes("r"));  // the name the list shows
    EXPECT_FALSE(Exists("local.txt"));
    // Into the middle of the first member, where the local header is cut short, nowhere.
    const std::uint64_t size = b.Build().size();
    for (const std::uint64_t offset : {std::uint64_t{1}, size - 10, std::uint64_t{0xFFFFFFFFu}}) {
        SCOPED_TRACE(offset);
        b.members[1].localHeaderOffset = offset;
        OpenBuilt(b);
        EXPECT_EQ(Extract(1), 0);
        EXPECT_EQ(last.status, ZipStatus::BadLocalHeader);
    }
}

// The name the list shows (the central directory's) is the one asked about and written,
// whatever the local header says; bytes its encoding rejects become distinct stand-ins.
TEST_F(ExtractTest, TheListedNameIsAskedAboutAndWritten) {
    struct Row {
        std::string name;
        std::uint16_t flags;
        std::optional<std::string> localName;
        Bytes centralExtra, localExtra;
        const char* written;  // below out/, or null when refused
    };
    const std::vector<Row> rows = {
        {"../up.txt", 0, {}, {}, {}, nullptr},
        {"safe.txt", 0, "/abs", {}, {}, "safe.txt"},
        {"central.txt", 0, "../local.txt", {}, {}, "central.txt"},
        {"\xE8\xAA\x9E.txt", 0x0800, {}, {}, {}, "語.txt"},
        {"x.txt", 0, {}, testing::UnicodePathExtra("x.txt", "\xE2\x98\x83.txt"), {}, "☃.txt"},
        {"y.txt", 0, {}, {}, testing::UnicodePathExtra("y.txt", "../y.txt"), "y.txt"},
        // Rejected bytes keep their value: none of these is another's name.
        {"\x81\x20.txt", 0, {}, {}, {}, "\uFFFD81 .txt"},
        {"\x82\x20.txt", 0, {}, {}, {}, "\uFFFD82 .txt"},
        {"\x85\x5C"
         "a.txt",
         0,
         {},
         {},
         {},
         "\uFFFD85\uFFFD5Ca.txt"},
        {"\xFF.txt", 0x0800, {}, {}, {}, "\uFFFDFF.txt"},
        {"\xEF\xBF\xBD"
         "FF.txt",
         0x0800,
         {},
         {},
         {},
         "\uFFFDEF\uFFFDBF\uFFFDBDFF.txt"},
    };
    ZipBuilder b;
    for (const Row& row : rows) {
        ZipMember m = StoredMember(row.name, ToBytes(row.name));
        m.flags = row.flags;
        m.localName = row.localName;
        m.centralExtra = row.centralExtra;
        m.localExtra = row.localExtra;
        b.Add(m);
    }
    OpenBuilt(b);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Extract(static_cast<int>(i)), rows[i].written != nullptr ? 1 : 0);
        if (rows[i].written != nullptr) {
            EXPECT_TRUE(Output(rows[i].written) == ToBytes(rows[i].name));
        }
    }
    ASSERT_EQ(callback.Count(Q::UnsafePath), 1u);
    EXPECT_EQ(callback.questions[0].name, u"../up.txt");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Host("out")), fs::directory_iterator()),
              static_cast<std::ptrdiff_t>(rows.size() - 1));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A Deflate64 stream of a literal and `runs` matches of 65538 bytes (code 285 with 16
// extra bits): about 18,000 bytes out for each byte in.
Bytes Deflate64Runs(unsigned runs) {
    const testing::CanonicalCode lit = testing::FixedLitLenCode();
    testing::DeflateWriter w;
    w.Bits(0b011, 3);  // the last block, fixed codes
    lit.Write(w, 'a');
    for (unsigned i = 0; i < runs; ++i) {
        lit.Write(w, 285);
        w.Bits(0xFFFF, 16);
        testing::FixedDistanceCode().Write(w, 0);
    }
    lit.Write(w, 256);
    return w.bytes();
}

// What a member's sizes and place promise is what it gives, or it fails: output never
// passes the listed size, a stream that gives more or less than it fails, stored data is
// the listed size, and bytes shared between members (one header named by many entries,
// a member whose data holds the next member's header, data that runs into the directory)
// belong to one member only. Each archive extracted and tested.
TEST_F(ExtractTest, SizesAndPlacesAreKept) {
    const Bytes text = MixedData(100000, 2);
    const auto member = [](ZipMember m, auto change) {
        change(m);
        return m;
    };
    const auto size = [](std::size_t n) { return static_cast<std::uint32_t>(n); };
    // The inner member's local record, as the outer member's data.
    ZipBuilder inner;
    inner.Add(StoredMember("inner.bin", text));
    Bytes innerRecord = inner.Build();
    innerRecord.resize(30 + 9 + text.size());
    // The first member's header named by 999 more entries.
    std::vector<ZipMember> many = {StoredMember("first.bin", text)};
    for (int i = 1; i < 1000; ++i) {
        many.push_back(member(many[0], [&](ZipMember& m) {
            m.name = "again" + std::to_string(i);
            m.data.clear();
            m.compressedSize = size(text.size());
            m.localHeaderOffset = 0;
        }));
    }
    std::vector<ZipStatus> manyStatuses(1000, ZipStatus::OverlappingData);
    manyStatuses[0] = ZipStatus::Ok;
    using S = ZipStatus;
    const struct {
        std::vector<ZipMember> members;
        std::vector<ZipStatus> statuses;
        std::uintmax_t maxWritten;  // bytes below out/ after extracting
    } cases[] = {
        {{member(StoredMember("crc", text), [](ZipMember& m) { m.crc32 = m.plainCrc ^ 1; }),
          member(DeflatedMember("type3", text), [](ZipMember& m) { m.data[0] |= 0x06; }),
          member(DeflatedMember("cut", text),
                 [](ZipMember& m) { m.data.resize(m.data.size() / 2); })},
         {S::CrcMismatch, S::DecodeFailed, S::DecodeFailed},
         3 * text.size()},
        {{member(DeflatedMember("zeros", Bytes(1 << 20, 0)),
                 [](ZipMember& m) { m.originalSize = 1000; }),
          member(DeflatedMember("short", text),
                 [&](ZipMember& m) { m.originalSize = size(text.size() + 1); }),
          member(StoredMember("d64", {}),
                 [](ZipMember& m) {
                     m.method = 9;
                     m.data = Deflate64Runs(300);  // 19 MiB from about 1 KiB
                     m.originalSize = 10;
                 }),
          member(StoredMember("more", text),
                 [&](ZipMember& m) { m.originalSize = size(text.size() + 1); }),
          member(StoredMember("less", text),
                 [&](ZipMember& m) { m.originalSize = size(text.size() - 1); })},
         {S::SizeMismatch, S::SizeMismatch, S::SizeMismatch, S::SizeMismatch, S::SizeMismatch},
         1000 + text.size() + 10},
        {many, manyStatuses, text.size()},
        {{StoredMember("outer", innerRecord),
          member(StoredMember("inner.bin", text), [](ZipMember& m) { m.localHeaderOffset = 35; }),
          member(DeflatedMember("last", text),
                 [&](ZipMember& m) { m.compressedSize = size(m.data.size() + 1); })},
         {S::OverlappingData, S::Ok, S::OverlappingData},
         text.size()},
        // Data descriptors, with and without their signature, right before the next header.
        {{member(StoredMember("signed", text), [](ZipMember& m) { m.flags = 0x0008; }),
          member(DeflatedMember("bare", text),
                 [](ZipMember& m) {
                     m.flags = 0x0008;
                     m.descriptorSignature = false;
                 }),
          member(StoredMember("zip4j", text),
                 [](ZipMember& m) {
                     m.flags = 0x0008;
                     m.omitDescriptor = true;
                 }),
          StoredMember("after", text)},
         {S::Ok, S::Ok, S::Ok, S::Ok},
         4 * text.size()},
        // ZIP64: 8-byte descriptors after a local ZIP64 record (Info-ZIP) and without one
        // (Java), then 64-bit sizes that run past the file or wrap round.
        {{member(StoredMember("zip64", text),
                 [](ZipMember& m) {
                     m.flags = 0x0008;
                     m.zip64 = true;
                 }),
          member(DeflatedMember("java", text),
                 [](ZipMember& m) {
                     m.flags = 0x0008;
                     m.wideDescriptor = true;
                     m.descriptorSignature = false;
                 }),
          member(StoredMember("huge", text), [](ZipMember& m) { m.compressedSize = 1ull << 63; }),
          member(StoredMember("wraps", text), [](ZipMember& m) { m.compressedSize = ~0ull - 9; })},
         {S::Ok, S::Ok, S::OverlappingData, S::OverlappingData},
         2 * text.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members[0].name);
        fs::remove_all(dir.Host("out"));
        fs::create_directory(dir.Host("out"));
        ZipBuilder b;
        b.members = c.members;
        OpenBuilt(b);
        for (const int test : {0, 1}) {
            run.testMode = test;
            for (std::size_t i = 0; i < c.statuses.size(); ++i) {
                EXPECT_EQ(Extract(static_cast<int>(i)), c.statuses[i] == S::Ok ? 1 : 0) << i;
                EXPECT_EQ(last.status, c.statuses[i]) << i << (test ? " test" : "");
            }
        }
        std::uintmax_t written = 0;
        for (const auto& item : fs::directory_iterator(dir.Host("out")))
            written += item.file_size();
        EXPECT_LE(written, c.maxWritten);
    }
}

TEST_F(ExtractTest, UnsupportedMethodsReplaceNothing) {
    testing::WriteHostFile(dir.Host("out/imploded.txt"), "mine");
    ZipBuilder b;
    ZipMember imploded = StoredMember("imploded.txt", ToBytes("????"));
    imploded.method = 96;  // JPEG
    ZipMember fresh = imploded;
    fresh.name = "fresh.txt";
    b.Add(imploded).Add(fresh);
    OpenBuilt(b);
    run.overwrite = OverwriteRule::Never;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last.status, ZipStatus::UnsupportedMethod);
    EXPECT_TRUE(Output("imploded.txt") == ToBytes("mine"));
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(last.status, ZipStatus::UnsupportedMethod);
    EXPECT_FALSE(Exists("fresh.txt"));
    run.testMode = true;
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(last.status, ZipStatus::UnsupportedMethod);
}

TEST_F(ExtractTest, OutputThatCannotBeCreatedFailsTheMember) {
    testing::WriteHostFile(dir.Host("out/file"), "a file where a folder should be");
    ZipBuilder b;
    b.Add(StoredMember("file/inside.txt", ToBytes("i")));
    OpenBuilt(b);
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last.status, ZipStatus::CreateFailed);
}

TEST_F(ExtractTest, ShortReadsOfTheLocalHeaderFailIt) {
    ZipBuilder b;
    ZipMember m = StoredMember("a.txt", ToBytes("abc"));
    m.localExtra = testing::ExtraRecord(0xCAFE, {1, 2, 3});
    b.Add(m);
    OpenBuilt(b);
    // The fixed fields (the name and the extra field are skipped, never read).
    for (int failing = 1; failing <= 1; ++failing) {
        int reads = 0;
        platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) -> std::size_t {
            if (kind != platform::IoKind::Read || ++reads != failing) return count;
            return count - 1;
        });
        EXPECT_EQ(Extract(0), 0) << failing;
        platform::SetIoFaultHook(nullptr);
        EXPECT_EQ(last.status, ZipStatus::BadLocalHeader);
    }
}

// A member of 5 GiB (5 MiB of deflated zeros) listed, tested and extracted. It decodes
// 10 GiB and writes 5 GiB, so it runs only when asked for:
//   build/tests/zip/test_zip --gtest_also_run_disabled_tests --gtest_filter='*FiveGib*'
TEST_F(ExtractTest, DISABLED_FiveGibMemberListsTestsAndExtracts) {
    constexpr std::uint64_t kMebibytes = 5 * 1024;
    constexpr std::uint64_t kSize = kMebibytes << 20;
    ZipMember big = StoredMember("big.bin", {});
    big.method = 8;
    big.data = testing::DeflatedZeros(kMebibytes);
    big.originalSize = kSize;
    const Bytes mebibyte(1 << 20, 0);
    std::uint32_t crc = 0;
    for (std::uint64_t i = 0; i < kMebibytes; ++i)
        crc = Crc32Update(crc, mebibyte.data(), mebibyte.size());
    big.crc32 = crc;
    ZipBuilder b;
    b.Add(StoredMember("small.txt", ToBytes("small"))).Add(big);
    OpenBuilt(b);
    EXPECT_EQ(zip.entries()[1].originalSize, kSize);
    EXPECT_EQ(zip.entries()[1].compressedSize, big.data.size());
    run.testMode = true;
    EXPECT_EQ(Extract(1), 1) << static_cast<int>(last.status);
    run.testMode = false;
    EXPECT_EQ(Extract(1), 1) << static_cast<int>(last.status);
    EXPECT_EQ(fs::file_size(dir.Host("out/big.bin")), kSize);
    fs::remove(dir.Host("out/big.bin"));
}

TEST_F(ExtractTest, NoArchiveOrNoEntry) {
    ZipEntry stray(std::pmr::new_delete_resource());
    EXPECT_EQ(zip.ExtractEntry(stray, run).status, ZipStatus::BadLocalHeader);
    OpenBuilt(ZipBuilder().Add(StoredMember("a.txt", ToBytes("a"))));
    EXPECT_EQ(zip.ExtractEntry(stray, run).status, ZipStatus::BadLocalHeader);  // not its own
}

TEST_F(ExtractTest, ReadOnlyFolderAttributesNeverLockTheFolder) {
    ZipBuilder b;
    ZipMember folder = StoredMember("ro/", {});
    folder.externalAttributes = 0x11;  // folder, read-only
    b.Add(folder).Add(StoredMember("ro/inside.txt", ToBytes("i")));
    OpenBuilt(b);
    ASSERT_EQ(Extract(0), 1);
    ASSERT_EQ(Extract(1), 1);
    EXPECT_TRUE(Output("ro/inside.txt") == ToBytes("i"));
}

}  // namespace
}  // namespace quillory
