// Archives made by Info-ZIP zip, 7-Zip, bsdtar and Python's zipfile (tests/fixtures/zip,
// made by scripts/make-zip-fixtures): their listings against golden text, and every
// member extracted and compared byte for byte with the file it was made from, with its
// time and execute bit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "crypto/remembered_password.h"
#include "platform/path.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"
#include "zip/zip_archive.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::RecordingCallback;
using testing::TempDir;

fs::path ZipFixtures() {
    return testing::FixturesDir() / "zip";
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(ZipFixtures())) {
        if (e.path().extension() == ".zip") names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One line per entry: folder, name, method, sizes, CRC, time, flags, UTC time, AES record.
std::string Listing(const ZipArchive& zip) {
    std::ostringstream out;
    for (const ZipEntry& e : zip.entries()) {
        platform::CalendarTime t;
        platform::FileTimeToCalendar(e.modifiedTime, &t);
        char line[160];
        std::snprintf(line, sizeof line, "%u %llu %llu %08x %04d-%02d-%02d %02d:%02d:%02d %04x",
                      e.method, static_cast<unsigned long long>(e.compressedSize),
                      static_cast<unsigned long long>(e.originalSize), e.crc32, t.year, t.month,
                      t.day, t.hour, t.minute, t.second, e.flags);
        out << "  " << platform::WideToUtf8(e.path) << "|" << platform::WideToUtf8(e.name) << " "
            << line;
        if (e.modifiedTimeUtc != kNoFileTime) {
            platform::FileTimeToCalendar(e.modifiedTimeUtc, &t);
            std::snprintf(line, sizeof line, " UTC %04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                          t.day, t.hour, t.minute, t.second);
            out << line;
        }
        if (e.aesPresent == 1) {
            out << " AE-" << e.aesVersion << " " << platform::WideToUtf8(e.aesVendor)
                << " strength " << e.aesStrength << " method " << e.aesMethod;
        }
        out << "\n";
    }
    return out.str();
}

TEST(FixturesTest, ListingsMatchTheGoldenText) {
    std::ostringstream all;
    for (const std::string& name : FixtureNames()) {
        ZipArchive zip;
        ASSERT_TRUE(zip.Open(platform::FromHostPath((ZipFixtures() / name).string())).ok()) << name;
        all << name << "\n" << Listing(zip);
    }
    std::ifstream golden(ZipFixtures() / "listings.txt");
    std::stringstream expected;
    expected << golden.rdbuf();
    if (std::getenv("QUILLORY_WRITE_GOLDEN") != nullptr) {
        std::ofstream(ZipFixtures() / "listings.txt") << all.str();
    }
    EXPECT_EQ(all.str(), expected.str());
}

// Extracts every member into a fresh folder and compares with the originals.
class FixtureExtractTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureExtractTest, EveryMemberComesOutAsTheOriginal) {
    TempDir dir;
    RecordingCallback callback;
    callback.passwords.assign(
        64, GetParam() == "infozip-utf8-password.zip" ? u"Pässwörd" : u"quillory");
    ZipArchive zip;
    RememberedPassword password;
    MemberRun run;
    run.callback = &callback;
    run.password = &password;
    ASSERT_TRUE(zip.Open(platform::FromHostPath((ZipFixtures() / GetParam()).string())).ok());
    run.destFolder = dir.Program();
    for (const ZipEntry& e : zip.entries()) {
        const std::string path = platform::WideToUtf8(e.path) + platform::WideToUtf8(e.name);
        // The one member with a password of its own.
        if (path == "docs/readme.txt" && GetParam() == "infozip-traditional.zip") continue;
        const std::uint64_t before = callback.produced;
        ASSERT_EQ(zip.ExtractEntry(e, run).status, ZipStatus::Ok) << path;
        // The output is reported as it is produced, each byte once.
        EXPECT_EQ(callback.produced - before, e.originalSize) << path;
        if (e.name.empty()) {
            EXPECT_TRUE(fs::is_directory(dir.Host(path))) << path;
            continue;
        }
        const Bytes out = testing::ReadHostFile(dir.Host(path));
        EXPECT_EQ(out.size(), e.originalSize) << path;
        // The fixture script dated every file 2021-03-04 05:06:08; tests run in UTC.
        struct stat st {};
        ASSERT_EQ(::stat(dir.Host(path).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, 1614834368) << path;
        // Only the executable original is executable, in archives that keep Unix modes.
        const bool executable = path == "tool.sh" && e.madeByHost == 3;
        EXPECT_EQ((st.st_mode & S_IXUSR) != 0, executable) << path;
        const fs::path original =
            path == "-"
                ? ZipFixtures() / "originals/text.txt"
                : ZipFixtures() / "originals" / (path.rfind("./", 0) == 0 ? path.substr(2) : path);
        if (fs::exists(original)) {
            EXPECT_TRUE(out == testing::ReadHostFile(original)) << path;
        }
    }
    // Testing gives the same verdicts without writing anything more.
    run.testMode = true;
    for (const ZipEntry& e : zip.entries()) {
        const std::string path = platform::WideToUtf8(e.path) + platform::WideToUtf8(e.name);
        if (path == "docs/readme.txt" && GetParam() == "infozip-traditional.zip") continue;
        EXPECT_TRUE(zip.ExtractEntry(e, run).ok()) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFixtures, FixtureExtractTest, ::testing::ValuesIn(FixtureNames()),
                         [](const auto& fixture) {
                             std::string n = fixture.param.substr(0, fixture.param.size() - 4);
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

}  // namespace
}  // namespace quillory
