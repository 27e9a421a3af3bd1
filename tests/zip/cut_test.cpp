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
using testing::DeflatedMember;
using testing::StoredMember;
using testing::ZipBuilder;
using testing::ZipMember;

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
            if (zip.Open(program).ok()) {
                // Listed from the local headers, every member but the last is the whole
                // archive's, bytes and all: the cut can only have reached the last.
                if (zip.warning() == ZipStatus::ReadFromLocalHeaders) {
                    zip.ExtractEntry(zip.entries().back(), run);
                } else {
                    TestAll(zip, run);
                }
            }
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

ZipMember WithDescriptor(ZipMember m, bool streamed, bool signature = true) {
    m.flags |= zip::format::kFlagDataDescriptor;
    m.streamed = streamed;
    m.descriptorSignature = signature;
    return m;
}

// Archives cut off before or inside their central directory are listed from their local
// headers. Cut at every member boundary and inside every header, data and descriptor:
// each member whole before the cut is listed and passes, one cut inside its data or its
// descriptor is listed and fails alone, one cut inside its header is not listed.
TEST_F(CutTest, WithoutItsDirectoryAnArchiveListsItsMembersFromTheirHeaders) {
    const auto data = [](std::size_t size, unsigned seed) {
        Bytes text;
        for (std::size_t i = 0; i < size; ++i)
            text.push_back(static_cast<std::uint8_t>("quill ory\n"[(i * seed) % 10]));
        return text;
    };
    const auto three = [&](auto member) {
        return std::vector<ZipMember>{member("a.txt", data(700, 3), 0),
                                      member("b/c.txt", data(1500, 7), 1),
                                      member("d.txt", data(300, 9), 2)};
    };
    const struct {
        const char* name;
        std::vector<ZipMember> members;
        std::size_t stub = 0;  // bytes in front, as a self-extractor has
    } rows[] = {
        {"stored", three([](std::string n, Bytes d, int) { return StoredMember(n, d); })},
        {"deflated", three([](std::string n, Bytes d, int) { return DeflatedMember(n, d); })},
        {"streamed deflate", three([](std::string n, Bytes d, int) {
             return WithDescriptor(DeflatedMember(n, d), true);
         })},
        {"streamed stored", three([](std::string n, Bytes d, int) {
             return WithDescriptor(StoredMember(n, d), true);
         })},
        {"descriptors without signatures", three([](std::string n, Bytes d, int i) {
             return WithDescriptor(i == 1 ? StoredMember(n, d) : DeflatedMember(n, d), true, false);
         })},
        {"descriptors after full headers", three([](std::string n, Bytes d, int i) {
             return WithDescriptor(DeflatedMember(n, d), false, i != 0);
         })},
        {"behind a stub", three([](std::string n, Bytes d, int i) {
             return i == 1 ? WithDescriptor(DeflatedMember(n, d), true) : DeflatedMember(n, d);
         }),
         700},
    };
    using zip::format::Le16;
    using zip::format::Le32;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ZipBuilder builder;
        builder.prefix.assign(row.stub, 0x90);
        if (row.stub > 0) builder.prefix[0] = 'M', builder.prefix[1] = 'Z';
        for (const ZipMember& m : row.members)
            builder.Add(m);
        const Bytes whole = builder.Build();
        // Where each member's header, data and bytes (with its descriptor) end.
        std::vector<std::size_t> starts, headerEnds, ends;
        const std::size_t directory = Le32(&whole[whole.size() - 22 + 16]);
        for (std::size_t at = row.stub; at < directory;) {
            starts.push_back(at);
            headerEnds.push_back(at + 30 + Le16(&whole[at + 26]) + Le16(&whole[at + 28]));
            const std::size_t next =
                starts.size() < row.members.size()
                    ? std::search(whole.begin() + static_cast<std::ptrdiff_t>(headerEnds.back()),
                                  whole.end(), std::begin("PK\3\4"), std::end("PK\3\4") - 1) -
                          whole.begin()
                    : directory;
            ends.push_back(next);
            at = next;
        }
        ASSERT_EQ(ends.size(), row.members.size());
        std::vector<std::size_t> cuts = {directory + 10, row.stub + 3};
        for (std::size_t i = 0; i < starts.size(); ++i) {
            for (const std::size_t cut :
                 {starts[i] + 1, starts[i] + 29, headerEnds[i] - 1, headerEnds[i],
                  (headerEnds[i] + ends[i]) / 2, ends[i] - 13, ends[i] - 1, ends[i]})
                cuts.push_back(cut);
        }
        for (const std::size_t cut : cuts) {
            SCOPED_TRACE("cut to " + std::to_string(cut));
            const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            std::size_t listed = 0, good = 0;
            for (std::size_t i = 0; i < starts.size(); ++i) {
                listed += headerEnds[i] <= cut ? 1 : 0;
                good += ends[i] <= cut ? 1 : 0;
            }
            const auto opened =
                zip.Open(std::make_shared<MemorySource>(std::span(prefix)), u"cut.zip");
            if (listed == 0) {
                EXPECT_EQ(opened.status, ZipStatus::NoEndRecord);
                continue;
            }
            ASSERT_TRUE(opened.ok());
            EXPECT_EQ(zip.warning(), ZipStatus::ReadFromLocalHeaders);
            ASSERT_EQ(zip.entries().size(), listed);
            for (std::size_t i = 0; i < listed; ++i) {
                const ZipEntry& e = zip.entries()[i];
                EXPECT_EQ(zip.ExtractEntry(e, run).ok(), i < good) << i;
                if (i < good) {
                    EXPECT_EQ(e.originalSize, row.members[i].plainSize);
                    EXPECT_EQ(WString(e.path) + WString(e.name),
                              platform::AsciiToWide(row.members[i].name));
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillory
