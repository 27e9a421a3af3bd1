// Extracting and testing members of built archives: the stored copy and inflate, the
// output path and folders, times, the unsafe-path and overwrite questions, and every
// refusal with its status (including output that cannot be created or written).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/conversions.h"
#include "platform/path.h"
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
        zip.SetCallback(&callback);
        zip.destFolder = dir.Program("out");
    }
    void OpenBuilt(const ZipBuilder& b) {
        testing::WriteHostFile(dir.Host("a.zip"), b.Build());
        ASSERT_EQ(zip.Open(dir.Program("a.zip")), 1);
    }
    int Extract(int index) {
        return zip.ExtractEntry(&zip.entries[static_cast<std::size_t>(index)]);
    }
    Bytes Output(const std::string& relative) {
        return testing::ReadHostFile(dir.Host("out/" + relative));
    }
    bool Exists(const std::string& relative) { return fs::exists(dir.Host("out/" + relative)); }

    TempDir dir;
    RecordingCallback callback;
    ZipArchive zip;
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
        EXPECT_EQ(zip.status, ZipStatus::Ok);
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

TEST_F(ExtractTest, FoldersAreRebuiltOrLeftOut) {
    ZipBuilder b;
    b.Add(StoredMember("a/b/c.txt", ToBytes("c"))).Add(StoredMember("dir/", {}));
    OpenBuilt(b);
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("a/b/c.txt") == ToBytes("c"));
    ASSERT_EQ(Extract(1), 1);
    EXPECT_TRUE(fs::is_directory(dir.Host("out/dir")));

    zip.useFolders = 0;
    zip.destFolder = dir.Program("flat");
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
    zip.destFolder = dest;
    ASSERT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("x.txt") == ToBytes("x"));
}

TEST_F(ExtractTest, TestModeAsksNothingAndWritesNothing) {
    ZipBuilder b;
    b.Add(StoredMember("../up.txt", ToBytes("u"))).Add(StoredMember("dir/", {}));
    testing::WriteHostFile(dir.Host("out/existing"), "keep");
    b.Add(StoredMember("existing", ToBytes("new")));
    OpenBuilt(b);
    zip.testMode = 1;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Extract(i), 1) << i;
    EXPECT_TRUE(callback.questions.empty());
    EXPECT_FALSE(Exists("dir"));
    EXPECT_FALSE(fs::exists(dir.Host("up.txt")));
    EXPECT_TRUE(Output("existing") == ToBytes("keep"));
}

TEST_F(ExtractTest, ExistingFilesAreKeptUnlessTheUserAgrees) {
    testing::WriteHostFile(dir.Host("out/f.txt"), "old");
    ZipBuilder b;
    b.Add(StoredMember("f.txt", ToBytes("new")));
    OpenBuilt(b);
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(zip.status, ZipStatus::Skipped);
    EXPECT_TRUE(Output("f.txt") == ToBytes("old"));
    callback.overwriteAnswer = 1;
    EXPECT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("f.txt") == ToBytes("new"));
    ASSERT_EQ(callback.Count(Q::Overwrite), 2u);
    EXPECT_EQ(callback.questions[0].name, u"f.txt");
}

TEST_F(ExtractTest, LocalHeadersThatDoNotMatch) {
    ZipBuilder b;
    ZipMember renamed = StoredMember("central.txt", ToBytes("r"));
    renamed.localName = "local.txt";
    ZipMember badOffset = StoredMember("b.txt", ToBytes("b"));
    b.Add(renamed).Add(badOffset);
    Bytes archive = b.Build();
    testing::WriteHostFile(dir.Host("a.zip"), archive);
    ASSERT_EQ(zip.Open(dir.Program("a.zip")), 1);
    EXPECT_EQ(Extract(0), 1);
    EXPECT_TRUE(Output("central.txt") == ToBytes("r"));  // the name the list shows
    EXPECT_FALSE(Exists("local.txt"));
    zip.entries[1].localHeaderOffset = 1;  // into the middle of the first member
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(zip.status, ZipStatus::BadLocalHeader);
    zip.entries[1].localHeaderOffset = archive.size() - 10;  // the local header is cut short
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(zip.status, ZipStatus::BadLocalHeader);
    zip.entries[1].localHeaderOffset = 0xFFFFFFFFu;
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(zip.status, ZipStatus::BadLocalHeader);
}

// The name the list shows (the central directory's) is the one asked about and written,
// whatever the local header says; bytes its encoding rejects become distinct stand-ins.
TEST_F(ExtractTest, TheListedNameIsAskedAboutAndWritten) {
    struct Row {
        ZipMember member;
        const char* written;  // below out/, or null when refused
    };
    const auto with = [](ZipMember m, auto change) {
        change(m);
        return m;
    };
    const std::vector<Row> rows = {
        {StoredMember("../up.txt", ToBytes("u")), nullptr},
        {with(StoredMember("safe.txt", ToBytes("s")), [](ZipMember& m) { m.localName = "/abs"; }),
         "safe.txt"},
        {with(StoredMember("central.txt", ToBytes("c")),
              [](ZipMember& m) { m.localName = "../local.txt"; }),
         "central.txt"},
        {with(StoredMember("\xE8\xAA\x9E.txt", ToBytes("g")),
              [](ZipMember& m) { m.flags = 0x0800; }),
         "語.txt"},
        {with(StoredMember("x.txt", ToBytes("p")),
              [](ZipMember& m) {
                  m.centralExtra = testing::UnicodePathExtra("x.txt", "\xE2\x98\x83.txt");
              }),
         "☃.txt"},
        {with(StoredMember("y.txt", ToBytes("l")),
              [](ZipMember& m) { m.localExtra = testing::UnicodePathExtra("y.txt", "../y.txt"); }),
         "y.txt"},
        // Rejected bytes keep their value: none of these four is another's name.
        {StoredMember("\x81\x20.txt", ToBytes("1")), "\uFFFD81 .txt"},
        {StoredMember("\x82\x20.txt", ToBytes("2")), "\uFFFD82 .txt"},
        {StoredMember("\x85\x5C"
                      "a.txt",
                      ToBytes("3")),
         "\uFFFD85\uFFFD5Ca.txt"},
        {with(StoredMember("\xFF.txt", ToBytes("4")), [](ZipMember& m) { m.flags = 0x0800; }),
         "\uFFFDFF.txt"},
        {with(StoredMember("\xEF\xBF\xBD"
                           "FF.txt",
                           ToBytes("5")),
              [](ZipMember& m) { m.flags = 0x0800; }),
         "\uFFFDEF\uFFFDBF\uFFFDBDFF.txt"},
    };
    ZipBuilder b;
    for (const Row& row : rows)
        b.Add(row.member);
    OpenBuilt(b);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const std::size_t asked = callback.Count(Q::UnsafePath);
        EXPECT_EQ(Extract(static_cast<int>(i)), rows[i].written != nullptr ? 1 : 0);
        EXPECT_EQ(callback.Count(Q::UnsafePath), asked + (rows[i].written ? 0 : 1));
        if (rows[i].written != nullptr) {
            EXPECT_TRUE(Output(rows[i].written) == rows[i].member.data);
        }
    }
    EXPECT_EQ(callback.questions[0].name, u"up.txt");
    EXPECT_EQ(static_cast<std::size_t>(
                  std::distance(fs::directory_iterator(dir.Host("out")), fs::directory_iterator())),
              rows.size() - 1);
    EXPECT_FALSE(fs::exists(dir.Host("up.txt")));
    EXPECT_FALSE(fs::exists(dir.Host("local.txt")));
    EXPECT_FALSE(fs::exists(dir.Host("y.txt")));

    ZipArchive alone;  // without a callback an unsafe name is refused unasked
    alone.destFolder = zip.destFolder;
    ASSERT_EQ(alone.Open(dir.Program("a.zip")), 1);
    EXPECT_EQ(alone.ExtractEntry(&alone.entries[0]), 0);
    EXPECT_EQ(alone.status, ZipStatus::UnsafePathRefused);
}

// A Deflate64 stream of a literal and `runs` matches of 65538 bytes (code 285 with 16
// extra bits): about 18,000 bytes out for each byte in.
Bytes Deflate64Runs(unsigned runs) {
    const testing::CanonicalCode lit = testing::FixedLitLenCode();
    const testing::CanonicalCode dist = testing::FixedDistanceCode();
    testing::DeflateWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    lit.Write(w, 'a');
    for (unsigned i = 0; i < runs; ++i) {
        lit.Write(w, 285);
        w.Bits(0xFFFF, 16);
        dist.Write(w, 0);
    }
    lit.Write(w, 256);
    return w.bytes();
}

// What a member's sizes and place promise is what it gives, or it fails: output never
// passes the listed size, a stream that gives more or less than it fails, stored data is
// the listed size, and bytes shared between members (one header named by many entries,
// a member whose data holds the next member's header, data that runs into the directory)
// belong to one member only. Each case extracted and tested.
TEST_F(ExtractTest, SizesAndPlacesAreKept) {
    const Bytes text = MixedData(100000, 2);
    struct Case {
        const char* label;
        ZipBuilder archive;
        std::vector<ZipStatus> statuses;  // per entry
        std::uintmax_t maxWritten;        // bytes below out/ after extracting
    };
    std::vector<Case> cases;
    const auto one = [](ZipMember m) {
        ZipBuilder b;
        b.Add(std::move(m));
        return b;
    };
    {
        ZipMember m = StoredMember("crc.bin", text);
        m.crc32 = m.plainCrc ^ 1;
        cases.push_back({"WrongCrc", one(m), {ZipStatus::CrcMismatch}, text.size()});
    }
    {
        ZipMember damaged = DeflatedMember("damaged.bin", text);
        damaged.data[0] |= 0x06;  // the reserved block type 3
        ZipMember cut = DeflatedMember("cut.bin", text);
        cut.data.resize(cut.data.size() / 2);
        ZipBuilder b;
        b.Add(damaged).Add(cut);
        cases.push_back({"DamagedStreams",
                         b,
                         {ZipStatus::DecodeFailed, ZipStatus::DecodeFailed},
                         2 * text.size()});
    }
    {
        ZipMember bomb = DeflatedMember("zeros.bin", Bytes(1 << 20, 0));
        bomb.originalSize = 1000;
        ZipMember shortOne = DeflatedMember("short.bin", text);
        shortOne.originalSize = static_cast<std::uint32_t>(text.size() + 1);
        ZipMember bomb64 = StoredMember("d64.bin", {});
        bomb64.method = 9;
        bomb64.data = Deflate64Runs(300);  // 19 MiB from about 1 KiB
        bomb64.originalSize = 10;
        ZipBuilder b;
        b.Add(bomb).Add(shortOne).Add(bomb64);
        cases.push_back(
            {"StreamsGivingOtherThanListed",
             b,
             {ZipStatus::SizeMismatch, ZipStatus::SizeMismatch, ZipStatus::SizeMismatch},
             1000 + text.size() + 10});
    }
    {
        ZipMember more = StoredMember("more.bin", text);
        more.originalSize = static_cast<std::uint32_t>(text.size() + 1);
        ZipMember less = StoredMember("less.bin", text);
        less.originalSize = static_cast<std::uint32_t>(text.size() - 1);
        ZipBuilder b;
        b.Add(more).Add(less);
        cases.push_back(
            {"StoredSizesDisagree", b, {ZipStatus::SizeMismatch, ZipStatus::SizeMismatch}, 0});
    }
    {
        // 1,000 entries naming the first member's header: it alone is extracted.
        ZipBuilder b;
        const ZipMember first = StoredMember("first.bin", text);
        b.Add(first);
        for (int i = 1; i < 1000; ++i) {
            ZipMember again = first;
            again.name = "again" + std::to_string(i);
            again.data.clear();
            again.compressedSize = again.originalSize = static_cast<std::uint32_t>(text.size());
            again.localHeaderOffset = 0;
            b.Add(again);
        }
        std::vector<ZipStatus> statuses(1000, ZipStatus::OverlappingData);
        statuses[0] = ZipStatus::Ok;
        cases.push_back({"ManyEntriesOneHeader", b, statuses, text.size()});
    }
    {
        // The outer member's data is the inner member's local header and data.
        ZipBuilder inner;
        inner.Add(StoredMember("inner.bin", text));
        Bytes innerLocal = inner.Build();
        innerLocal.resize(30 + 9 + text.size());
        ZipMember outer = StoredMember("outer.bin", innerLocal);
        ZipMember innerEntry = StoredMember("inner.bin", text);
        innerEntry.localHeaderOffset = 30 + 9;  // inside the outer member's data
        ZipMember last = DeflatedMember("last.bin", text);
        last.compressedSize = static_cast<std::uint32_t>(last.data.size() + 100);
        ZipBuilder b;
        b.Add(outer).Add(innerEntry).Add(last);
        cases.push_back({"OverlappingData",
                         b,
                         {ZipStatus::OverlappingData, ZipStatus::Ok, ZipStatus::OverlappingData},
                         text.size()});
    }
    {
        // Data descriptors, with and without their signature, right before the next header.
        ZipMember signed_ = StoredMember("signed.bin", text);
        signed_.flags = 0x0008;
        ZipMember bare = DeflatedMember("bare.bin", text);
        bare.flags = 0x0008;
        bare.descriptorSignature = false;
        ZipBuilder b;
        b.Add(signed_).Add(bare).Add(StoredMember("after.bin", text));
        cases.push_back(
            {"DataDescriptors", b, {ZipStatus::Ok, ZipStatus::Ok, ZipStatus::Ok}, 3 * text.size()});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(dir.Host("out"));
        fs::create_directory(dir.Host("out"));
        OpenBuilt(c.archive);
        for (const int test : {0, 1}) {
            zip.testMode = test;
            for (std::size_t i = 0; i < c.statuses.size(); ++i) {
                EXPECT_EQ(Extract(static_cast<int>(i)), c.statuses[i] == ZipStatus::Ok ? 1 : 0)
                    << i;
                EXPECT_EQ(zip.status, c.statuses[i]) << i << (test ? " test" : "");
            }
            std::uintmax_t written = 0;
            for (const auto& item : fs::recursive_directory_iterator(dir.Host("out")))
                written += item.is_regular_file() ? item.file_size() : 0;
            EXPECT_LE(written, c.maxWritten);
        }
        zip.testMode = 0;
    }
}

TEST_F(ExtractTest, UnsupportedMethodsReplaceNothing) {
    testing::WriteHostFile(dir.Host("out/imploded.txt"), "mine");
    ZipBuilder b;
    ZipMember imploded = StoredMember("imploded.txt", ToBytes("????"));
    imploded.method = 6;
    ZipMember fresh = imploded;
    fresh.name = "fresh.txt";
    b.Add(imploded).Add(fresh);
    OpenBuilt(b);
    zip.overwriteWithoutAsking = 1;
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(zip.status, ZipStatus::UnsupportedMethod);
    EXPECT_TRUE(Output("imploded.txt") == ToBytes("mine"));
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(zip.status, ZipStatus::UnsupportedMethod);
    EXPECT_FALSE(Exists("fresh.txt"));
    zip.testMode = 1;
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(zip.status, ZipStatus::UnsupportedMethod);
}

TEST_F(ExtractTest, OutputThatCannotBeCreatedFailsTheMember) {
    testing::WriteHostFile(dir.Host("out/file"), "a file where a folder should be");
    ZipBuilder b;
    b.Add(StoredMember("file/inside.txt", ToBytes("i")));
    OpenBuilt(b);
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(zip.status, ZipStatus::CreateFailed);
}

TEST_F(ExtractTest, HostPathsAreNeverCut) {
    ZipBuilder b;
    b.Add(StoredMember(std::string(250, 'n'), ToBytes("n")));
    OpenBuilt(b);
    // A destination that leaves no room for the name: refused, nothing made.
    const std::size_t room = platform::MaxHostPathBytes() - dir.path().string().size() - 1;
    zip.destFolder = dir.Program() + u"/" + WString(room - 200, u'd');
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(zip.status, ZipStatus::CreateFailed);
    for (const auto& e : fs::directory_iterator(dir.path())) {
        EXPECT_NE(e.path().filename().string().front(), 'd');
    }
}

TEST_F(ExtractTest, ShortWritesFailTheMemberAndStopDecoding) {
    const Bytes text = MixedData(300000, 4);
    ZipBuilder b;
    b.Add(DeflatedMember("big.bin", text)).Add(StoredMember("stored.bin", text));
    OpenBuilt(b);
    for (int i = 0; i < 2; ++i) {
        int writes = 0;
        platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) -> std::size_t {
            if (kind != platform::IoKind::Write) return count;
            return ++writes == 2 ? count / 2 : count;  // the second piece goes half-way
        });
        EXPECT_EQ(Extract(i), 0);
        platform::SetIoFaultHook(nullptr);
        EXPECT_EQ(zip.status, ZipStatus::WriteFailed);
        EXPECT_EQ(writes, 2) << "nothing is written after the short write";
        EXPECT_EQ(Output(i == 0 ? "big.bin" : "stored.bin").size(), 65536u + 32768u);
    }
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
        EXPECT_EQ(zip.status, ZipStatus::BadLocalHeader);
    }
}

TEST_F(ExtractTest, NoArchiveOrNoEntry) {
    ZipEntry stray(std::pmr::new_delete_resource());
    EXPECT_EQ(zip.ExtractEntry(&stray), 0);
    EXPECT_EQ(zip.status, ZipStatus::BadLocalHeader);
    EXPECT_EQ(zip.ExtractEntry(nullptr), 0);
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
