// The byte sources and the buffered reader against the bytes themselves: a file, memory
// and volumes split at every kind of boundary give the same bytes at every offset, reads
// past the end come up short, and reads and skips across buffer boundaries keep their
// positions.
#include <gtest/gtest.h>

#include "common/buffered_reader.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::RandomBytes;

// Every read of up to 40 bytes at every offset (and past the end) agrees with data.
void ExpectSameBytes(const ByteSource& source, const Bytes& data) {
    ASSERT_EQ(source.Size(), data.size());
    std::uint8_t out[40];
    for (std::uint64_t offset = 0; offset <= data.size() + 2; ++offset) {
        for (std::size_t count : {std::size_t{1}, std::size_t{7}, sizeof out}) {
            const std::size_t expected =
                offset >= data.size() ? 0 : std::min<std::size_t>(count, data.size() - offset);
            ASSERT_EQ(source.ReadAt(offset, out, count), expected) << offset;
            ASSERT_TRUE(std::equal(out, out + expected, data.begin() + offset)) << offset;
        }
    }
}

TEST(ByteSourceTest, FileMemoryAndVolumesGiveTheSameBytes) {
    const Bytes data = RandomBytes(300, 5);
    testing::TempDir dir;
    testing::WriteHostFile(dir.Host("f"), data);
    const auto file = FileSource::Open(dir.Program("f"));
    ASSERT_NE(file, nullptr);
    ExpectSameBytes(*file, data);
    ExpectSameBytes(MemorySource(data), data);
    // Parts of every size, an empty one among them.
    std::vector<std::unique_ptr<ByteSource>> parts;
    std::size_t at = 0;
    for (std::size_t size : {1, 0, 100, 63, 136}) {
        parts.push_back(
            std::make_unique<MemorySource>(std::span<const std::uint8_t>(data.data() + at, size)));
        at += size;
    }
    ASSERT_EQ(at, data.size());
    const VolumeSource volumes(std::move(parts), u"set");
    EXPECT_EQ(volumes.PartStart(2), 1u);
    ExpectSameBytes(volumes, data);
    // Pieces are one disk; the parts of a set of disks each start one.
    EXPECT_EQ(volumes.DiskStart(0), 0u);
    EXPECT_EQ(volumes.DiskStart(2), std::nullopt);
    std::vector<std::unique_ptr<ByteSource>> disks;
    disks.push_back(std::make_unique<MemorySource>(std::span(data).first(100)));
    disks.push_back(std::make_unique<MemorySource>(std::span(data).subspan(100)));
    const VolumeSource set(std::move(disks), u"set.zip", true);
    EXPECT_EQ(set.DiskStart(1), 100u);
    EXPECT_EQ(set.DiskStart(2), std::nullopt);
    ExpectSameBytes(set, data);

    platform::FileErrorInfo error;
    EXPECT_EQ(FileSource::Open(dir.Program("missing"), &error), nullptr);
    EXPECT_EQ(error.kind, platform::FileError::NotFound);
    EXPECT_EQ(FileSource::Open(dir.Program(""), &error), nullptr);  // a folder
}

TEST(BufferedReaderTest, ReadsAndSkipsAcrossBufferBoundaries) {
    const auto data = RandomBytes(10000, 3);
    const MemorySource source(data);
    BufferedReader reader(source, 5, std::pmr::new_delete_resource(), 64);
    std::vector<std::uint8_t> out(100);
    EXPECT_EQ(reader.Read(out.data(), 100), 100u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + 5));
    EXPECT_EQ(reader.Position(), 105u);
    EXPECT_TRUE(reader.Skip(10));    // inside the buffer
    EXPECT_TRUE(reader.Skip(5000));  // beyond it
    EXPECT_EQ(reader.Position(), 5115u);
    EXPECT_EQ(reader.Read(out.data(), 3), 3u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 3, data.begin() + 5115));
    EXPECT_TRUE(reader.Skip(100000));  // past the end
    EXPECT_EQ(reader.Read(out.data(), 1), 0u);
    EXPECT_FALSE(reader.Skip(UINT64_MAX));
}

TEST(BufferedReaderTest, ShortReadAtTheEnd) {
    const std::string text = "abcde";
    const MemorySource source(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    BufferedReader reader(source, 0, std::pmr::new_delete_resource(), 2);
    char out[8] = {};
    EXPECT_EQ(reader.Read(out, 8), 5u);
    EXPECT_EQ(std::string(out), "abcde");
}

}  // namespace
}  // namespace quillory
