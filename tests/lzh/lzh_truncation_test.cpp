// Every fixture cut at every byte: opening and testing always ends in a status. A cut
// inside a header fails the open as damaged (or ends the listing without the end
// mark); a cut inside a member's data fails that member as undecodable or as a CRC
// mismatch. Members before the cut are the full archive's and are tested there.
#include <gtest/gtest.h>

#include <filesystem>

#include "lzh/lzh_archive.h"
#include "tests/lzh/lzh_test_util.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

bool IsListingFailure(LzhStatus s) {
    return s == LzhStatus::BadHeader || s == LzhStatus::UnknownLevel;
}
bool IsListingSuccess(LzhStatus s) {
    return s == LzhStatus::Ok || s == LzhStatus::NoEndMark || s == LzhStatus::HeaderCheckWarning ||
           s == LzhStatus::DamagedFromHere;
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(FixturesDir() / "lzh")) {
        if (item.path().extension() == ".lzh") names.push_back(item.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Truncation : public ::testing::TestWithParam<std::string> {};

TEST_P(Truncation, EveryCutEndsInAStatus) {
    TempDir dir;
    const fs::path cut = dir.Host("cut.lzh");
    const Bytes whole = ReadHostFile(FixturesDir() / "lzh" / (GetParam() + ".lzh"));
    WriteHostFile(cut, whole);
    LzhArchive archive;
    MemberRun run;
    run.testMode = true;
    int cutMembers = 0;
    for (std::size_t size = whole.size(); size-- > 0;) {
        fs::resize_file(cut, size);
        const Outcome<LzhStatus> opened = archive.Open(ProgramPath(cut));
        if (!opened.ok()) {
            ASSERT_TRUE(IsListingFailure(opened.status)) << size;
            continue;
        }
        ASSERT_TRUE(IsListingSuccess(archive.warning())) << size;
        for (const LzhEntry& e : archive.entries()) {
            if (e.dataOffset + e.compressedSize <= size) continue;
            ++cutMembers;
            const LzhStatus tested = archive.ExtractEntry(e, run).status;
            ASSERT_TRUE(tested == LzhStatus::DecodeFailed || tested == LzhStatus::CrcMismatch)
                << size << " " << static_cast<int>(tested);
        }
    }
    EXPECT_GT(cutMembers, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Truncation, ::testing::ValuesIn(FixtureNames()),
                         [](const auto& test) { return test.param; });

}  // namespace
}  // namespace quillory::testing
