// Every fixture cut short at every length near its ends and at a spread of lengths
// between, opened and tested: always a status, never a
// crash, a hang or a read outside the data. A second pass keeps the central directory
// and cuts only the members' bytes, so that the local headers and data are what break.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/checksums.h"
#include "crypto/remembered_password.h"
#include "platform/path.h"
#include "tests/support/le_writer.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"
#include "tests/zip/zip_builder.h"
#include "zip/zip_archive.h"
#include "zip/zip_format.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

std::vector<fs::path> Fixtures() {
    std::vector<fs::path> paths;
    for (const auto& e : fs::directory_iterator(testing::FixturesDir() / "zip")) {
        if (e.path().extension() == ".zip") paths.push_back(e.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Tests every member (answering password questions with the right password); the number
// of members that passed.
int TestAll(const ZipArchive& zip, MemberRun& run) {
    int passed = 0;
    for (const ZipEntry& e : zip.entries())
        passed += zip.ExtractEntry(e, run).ok() ? 1 : 0;
    return passed;
}

class CutTest : public ::testing::Test {
protected:
    void SetUp() override {
        callback.passwords.assign(1000000, u"quillory");
        run.callback = &callback;
        run.testMode = true;
        run.password = &password;
    }
    testing::TempDir dir;
    testing::RecordingCallback callback;
    ZipArchive zip;
    RememberedPassword password;
    MemberRun run;
};

constexpr off_t kEdge = 8192;

TEST_F(CutTest, PrefixesOfEveryFixture) {
    // Tens of thousands of truncations: in memory where the host has a memory file
    // system, since a disk file system journals each one.
    const fs::path cut = fs::is_directory("/dev/shm")
                             ? fs::path("/dev/shm") / ("quillory-cut-" + std::to_string(::getpid()))
                             : dir.Host("cut.zip");
    struct Remove {
        fs::path path;
        ~Remove() { fs::remove(path); }
    } remove{cut};
    for (const fs::path& fixture : Fixtures()) {
        SCOPED_TRACE(fixture.filename().string());
        fs::copy_file(fixture, cut, fs::copy_options::overwrite_existing);
        const WString program = platform::FromHostPath(cut.string());
        const auto whole = static_cast<off_t>(fs::file_size(fixture));
        // Every length in the first and last few KiB, where the headers and the central
        // directory lie; a spread of lengths through the member data between them.
        const off_t step = std::max<off_t>(1, whole / 4096);
        for (off_t size = whole; size-- > 0;) {
            if (size >= kEdge && size + kEdge < whole && size % step != 0) continue;
            ASSERT_EQ(::truncate(cut.c_str(), size), 0);
            if (zip.Open(program).ok()) TestAll(zip, run);
            zip.Close();
        }
    }
}

TEST_F(CutTest, EveryCutOfTheMembersUnderAnIntactDirectory) {
    using zip::format::Le16;
    using zip::format::Le32;
    for (const fs::path& fixture : Fixtures()) {
        SCOPED_TRACE(fixture.filename().string());
        if (!zip.Open(platform::FromHostPath(fixture.string())).ok()) continue;  // refused whole
        zip.Close();
        const Bytes whole = testing::ReadHostFile(fixture);
        const std::size_t end = whole.size() - 22;  // no fixture has a comment
        ASSERT_EQ(Le32(&whole[end]), zip::format::kEndRecordSignature);
        const std::uint32_t directory = Le32(&whole[end + 16]);
        // Archives whose directory the end record alone does not place (ZIP64 records,
        // offsets not counting a stub in front) are cut by the test above only.
        if (std::uint64_t{directory} + Le32(&whole[end + 12]) != end) continue;
        const Bytes tail(whole.begin() + directory, whole.end());
        // Large fixtures are cut at a sample of offsets, small ones everywhere.
        const std::size_t step = std::max<std::size_t>(1, directory / 400);
        for (std::size_t at = 0; at < directory; at += step) {
            Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(at));
            cut.insert(cut.end(), tail.begin(), tail.end());
            const std::size_t newEnd = cut.size() - 22;
            testing::Set32(cut, newEnd + 16, static_cast<std::uint32_t>(at));
            testing::WriteHostFile(dir.Host("cut.zip"), cut);
            ASSERT_TRUE(zip.Open(dir.Program("cut.zip")).ok()) << at;
            // Members that lie wholly before the cut still pass.
            int wholeMembers = 0;
            for (const ZipEntry& e : zip.entries()) {
                const std::size_t localEnd = e.localHeaderOffset + 30 + e.compressedSize;
                wholeMembers += localEnd + 300 < at ? 1 : 0;
            }
            EXPECT_GE(TestAll(zip, run), wholeMembers) << at;
            zip.Close();
        }
    }
}

}  // namespace
}  // namespace quillory
