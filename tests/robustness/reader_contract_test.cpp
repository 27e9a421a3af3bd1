// The reader contract: what both readers promise of a member whatever its format, as one
// typed suite over LZH with level 0 headers, LZH with level 2 headers and ZIP. A
// behaviour both readers share is one test here rather than a copy in each reader's
// tests; the kinds differ only in how an archive of plain members is built.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lzh/lzh_archive.h"
#include "platform/file.h"
#include "platform/path.h"
#include "tests/robustness/hostile_archive.h"
#include "tests/support/reader_fixture.h"
#include "tests/zip/inflate_support.h"
#include "zip/zip_archive.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

template <int Level>
struct LzhKind {
    using Reader = LzhArchive;
    using Status = LzhStatus;
    static Bytes Build(const std::vector<HostileMember>& members) {
        return BuildLzh(Level, members);
    }
};

struct ZipKind {
    using Reader = ZipArchive;
    using Status = ZipStatus;
    static Bytes Build(const std::vector<HostileMember>& members) { return BuildZip(members); }
};

struct KindNames {
    template <class Kind>
    static std::string GetName(int) {
        if constexpr (std::is_same_v<Kind, LzhKind<0>>) return "LzhLevel0";
        if constexpr (std::is_same_v<Kind, LzhKind<2>>) return "LzhLevel2";
        return "Zip";
    }
};

template <class Kind>
class ReaderContractTest : public ReaderFixture<typename Kind::Reader> {
protected:
    // Opens the members as an archive with the destination dest/ (made) and folders on.
    void Open(const std::vector<HostileMember>& members) {
        WriteHostFile(this->dir_.Host("archive"), Kind::Build(members));
        this->OpenFile(this->dir_.Program("archive"));
        fs::create_directory(this->dir_.Host("dest"));
    }
};

using Kinds = ::testing::Types<LzhKind<0>, LzhKind<2>, ZipKind>;
TYPED_TEST_SUITE(ReaderContractTest, Kinds, KindNames);

// A path the host cannot take whole is refused, never shortened into another file's
// path, and nothing is made for it; one exactly as long as the host allows is written.
TYPED_TEST(ReaderContractTest, HostPathsAreNeverCut) {
    this->Open({File("a.txt", "x"), File(std::string(200, 'n'), "n")});
    // Existing folders deep enough that "/a.txt" below them is exactly as long as the
    // host allows, and one byte longer.
    const std::size_t limit = platform::MaxHostPathBytes();
    std::string deep = this->dir_.path().string();
    while (deep.size() + 201 + 1 + 40 < limit)
        deep += "/" + std::string(200, 'd');
    const std::size_t last = limit - deep.size() - 1 - 6;  // "/" + last + "/a.txt"
    const std::string fits = deep + "/" + std::string(last, 'e');
    const std::string tooLong = deep + "/" + std::string(last + 1, 'e');
    fs::create_directories(fits);
    fs::create_directories(tooLong);

    this->run_.destFolder = platform::FromHostPath(fits);
    ASSERT_EQ(this->Extract(0), 1);
    EXPECT_EQ((fits + "/a.txt").size(), limit);
    EXPECT_TRUE(fs::exists(fits + "/a.txt"));

    this->run_.destFolder = platform::FromHostPath(tooLong);
    EXPECT_EQ(this->Extract(0), 0);
    EXPECT_EQ(this->last_.status, TypeParam::Status::PathTooLong);
    EXPECT_EQ(this->run_.destFolder, platform::FromHostPath(tooLong));  // kept whole
    EXPECT_TRUE(fs::is_empty(tooLong));

    // A destination that does not exist and leaves no room for the name: not made.
    const std::size_t room = limit - this->dir_.path().string().size() - 1;
    this->run_.destFolder = this->dir_.Program() + u"/" + WString(room - 200, u'f');
    EXPECT_EQ(this->Extract(1), 0);
    EXPECT_EQ(this->last_.status, TypeParam::Status::PathTooLong);
    for (const auto& e : fs::directory_iterator(this->dir_.path()))
        EXPECT_NE(e.path().filename().string().front(), 'f');
}

// An existing file is kept unless the user agrees, read-only or not; "only if newer"
// asks only about a file newer than the member, and "never ask" asks nothing.
TYPED_TEST(ReaderContractTest, ExistingFilesFollowTheOverwriteRules) {
    using Q = RecordingCallback::Question;
    this->Open({File("a.txt", "new")});
    auto& callback = this->callback_;
    WriteHostFile(this->Out("a.txt"), "old");
    EXPECT_EQ(this->Extract(0), 0);
    EXPECT_EQ(this->last_.status, TypeParam::Status::Skipped);
    EXPECT_EQ(ReadHostFile(this->Out("a.txt")), ToBytes("old"));
    ASSERT_EQ(callback.Count(Q::Overwrite), 1u);
    EXPECT_EQ(callback.questions[0].name, u"a.txt");
    // The existing file is newer than the member: with "only if newer" the question
    // comes; yes replaces it, read-only or not.
    fs::permissions(this->Out("a.txt"), fs::perms::owner_read);
    this->run_.overwrite = OverwriteRule::AskIfNewer;
    callback.overwriteAnswer = 1;
    ASSERT_EQ(this->Extract(0), 1);
    EXPECT_EQ(ReadHostFile(this->Out("a.txt")), ToBytes("new"));
    EXPECT_EQ(callback.Count(Q::Overwrite), 2u);
    // Now the file has the member's time: not newer, so no question.
    ASSERT_EQ(this->Extract(0), 1);
    EXPECT_EQ(callback.Count(Q::Overwrite), 2u);
    this->run_.overwrite = OverwriteRule::Never;
    ASSERT_EQ(this->Extract(0), 1);
    EXPECT_EQ(callback.Count(Q::Overwrite), 2u);
}

// A write the disk cuts short fails the member with WriteFailed, stored or compressed:
// nothing is written after it, nothing takes the member's name, and the file kept aside
// holds exactly the bytes the disk took, the member's first bytes.
TYPED_TEST(ReaderContractTest, ShortWritesFailTheMemberAndStopWriting) {
    const Bytes data = MixedData(400000, 4);
    HostileMember stored;
    stored.name = "stored.bin";
    stored.data = data;
    HostileMember packed = stored;
    packed.name = "packed.bin";
    packed.compressed = true;
    this->Open({stored, packed});
    this->run_.keepDamaged = true;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        int writes = 0;
        std::size_t taken = 0;
        platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) -> std::size_t {
            if (kind != platform::IoKind::Write) return count;
            const std::size_t n = ++writes == 2 ? count / 2 : count;  // the disk fills up
            taken += n;
            return n;
        });
        const int result = this->Extract(i);
        platform::SetIoFaultHook(nullptr);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(this->last_.status, TypeParam::Status::WriteFailed);
        EXPECT_EQ(writes, 2) << "nothing is written after the short write";
        const std::string name = i == 0 ? "stored.bin" : "packed.bin";
        EXPECT_FALSE(fs::exists(this->Out(name)));
        const Bytes written = ReadHostFile(this->Out(name + ".damaged"));
        EXPECT_EQ(written.size(), taken);
        ASSERT_GT(written.size(), 0u);
        ASSERT_LT(written.size(), data.size());
        EXPECT_EQ(written,
                  Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(written.size())));
    }
}

}  // namespace
}  // namespace quillory::testing
