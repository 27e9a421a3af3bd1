// Buffered reads against the file's own bytes: reads and skips across buffer boundaries
// give the same bytes and positions, and a read at the end comes up short.
#include <gtest/gtest.h>

#include "common/buffered_reader.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::RandomBytes;

TEST(BufferedReaderTest, ReadsAndSkipsAcrossBufferBoundaries) {
    testing::TempDir dir;
    const auto data = RandomBytes(10000, 3);
    testing::WriteHostFile(dir.Host("f"), data);
    const auto file = platform::OpenFileForReading(dir.Program("f"));
    ASSERT_NE(file, platform::kInvalidFileHandle);
    ASSERT_TRUE(platform::SetFilePosition(file, 5, platform::SeekOrigin::Begin));
    BufferedReader reader(file, std::pmr::new_delete_resource(), 64);
    std::vector<std::uint8_t> out(100);
    EXPECT_EQ(reader.Read(out.data(), 100), 100u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + 5));
    EXPECT_EQ(reader.Position(), 105u);
    EXPECT_TRUE(reader.Skip(10));    // inside the buffer
    EXPECT_TRUE(reader.Skip(5000));  // beyond it
    EXPECT_EQ(reader.Position(), 5115u);
    EXPECT_EQ(reader.Read(out.data(), 3), 3u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 3, data.begin() + 5115));
    EXPECT_TRUE(reader.Skip(100000));  // past the end, as a seek allows
    EXPECT_EQ(reader.Read(out.data(), 1), 0u);
    platform::CloseFile(file);
}

TEST(BufferedReaderTest, ShortReadAtTheEnd) {
    testing::TempDir dir;
    testing::WriteHostFile(dir.Host("f"), "abcde");
    const auto file = platform::OpenFileForReading(dir.Program("f"));
    BufferedReader reader(file, std::pmr::new_delete_resource(), 2);
    char out[8] = {};
    EXPECT_EQ(reader.Read(out, 8), 5u);
    EXPECT_EQ(std::string(out), "abcde");
    platform::CloseFile(file);
}

}  // namespace
}  // namespace quillory
