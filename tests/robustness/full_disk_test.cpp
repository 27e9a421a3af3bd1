// Extraction onto a real file system that fills up: a 1 MiB tmpfs mounted for the test
// (where the machine lets a test mount one, as CI does running as root). The members
// that fit come out exact; every later one fails with a write or create failure and is
// counted; nothing crashes. The file system is unmounted whatever happens.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/robustness/hostile_archive.h"
#include "tests/robustness/robust_fixture.h"
#include "tests/zip/zip_builder.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kTmpfsOptions[] = "size=1m";   // 1 MiB of room
constexpr std::size_t kMemberBytes = 300000;  // three fit, the fourth does not
constexpr int kMembers = 6;

// A tmpfs mounted at a folder for the life of the object.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const fs::path& at) : at_(at) {
        fs::create_directories(at_);
        if (::geteuid() != 0) {
            why_ = "not running as root";
        } else if (::mount("tmpfs", at_.c_str(), "tmpfs", 0, kTmpfsOptions) != 0) {
            why_ = std::string("mount refused: ") + std::strerror(errno);
        } else {
            mounted_ = true;
        }
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    fs::path at_;
    bool mounted_ = false;
    std::string why_;
};

// Content that compresses well, so the archive is small and its members are not.
Bytes MemberContent(int index) {
    std::string text;
    while (text.size() < kMemberBytes)
        text += "member " + std::to_string(index) + " line " + std::to_string(text.size()) + "\n";
    text.resize(kMemberBytes);
    return ToBytes(text);
}

struct DiskCase {
    std::string label;
    bool zip;
};

void PrintTo(const DiskCase& param, std::ostream* os) {
    *os << param.label;
}

class FullDiskTest : public RobustDocumentTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(FullDiskTest, MembersThatFitAreExactTheRestFailAndAreCounted) {
    const bool zip = GetParam().zip;
    std::vector<HostileMember> members;
    ZipBuilder builder;
    for (int i = 0; i < kMembers; ++i) {
        HostileMember m;
        m.name = "m" + std::to_string(i) + ".txt";
        m.data = MemberContent(i);
        m.compressed = true;
        members.push_back(m);
        builder.Add(DeflatedMember(m.name, m.data));
    }
    const fs::path archive = temp.Host(zip ? "big.zip" : "big.lzh");
    WriteHostFile(archive, zip ? builder.Build() : BuildLzh(2, members));

    SmallFileSystem small(temp.Host("small"));
    if (!small.mounted()) {
        GTEST_SKIP() << "a 1 MiB tmpfs cannot be mounted here (" << small.why()
                     << "); the full-disk case needs root and mount permission";
    }
    ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
    const RunSummary summary = ExtractAllInto(temp.Program("small"));
    ++Tally().faultRuns;
    Tally().Count(zip, "full file system");

    ASSERT_EQ(watcher.statuses.size(), static_cast<std::size_t>(kMembers));
    int good = 0;
    for (int i = 0; i < kMembers; ++i) {
        SCOPED_TRACE("member " + std::to_string(i));
        const int status = watcher.statuses[static_cast<std::size_t>(i)];
        if (status == 0) {
            EXPECT_EQ(good, i) << "a member succeeded after one that did not fit";
            ++good;
            EXPECT_EQ(ReadHostFile(temp.Host("small") / members[i].name), members[i].data);
        } else {
            // The file system is full: the output could not be created or written.
            EXPECT_TRUE(status == static_cast<int>(LzhStatus::WriteFailed) ||
                        status == static_cast<int>(LzhStatus::CreateFailed))
                << status;
        }
    }
    EXPECT_GE(good, 1);
    EXPECT_LE(good, 3);
    EXPECT_EQ(summary.damagedCount, kMembers - good);
    EXPECT_EQ(user.Talk().back(),
              "message: 展開終了\n不正ファイル数 " + std::to_string(kMembers - good));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullDiskTest,
                         ::testing::Values(DiskCase{"Lzh", false}, DiskCase{"Zip", true}),
                         [](const ::testing::TestParamInfo<DiskCase>& p) { return p.param.label; });

}  // namespace
}  // namespace quillory::testing
