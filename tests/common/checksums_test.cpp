// CRC-32, CRC-16 and the header sum: published values, split updates, and every
// implementation path agreeing with the byte-at-a-time definition.
#include <gtest/gtest.h>

#include "common/checksums.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::RandomBytes;

TEST(Crc32Test, PublishedValues) {
    EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32Update(0, "abc", 3), 0x352441C2u);
    EXPECT_EQ(Crc32Update(0, "", 0), 0u);
    const std::string zeros(32, '\0');
    EXPECT_EQ(Crc32Update(0, zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32Test, EmptyInputKeepsTheValueAndNullGivesZero) {
    EXPECT_EQ(Crc32Update(0x12345678, "x", 0), 0x12345678u);
    EXPECT_EQ(Crc32Update(0x12345678, nullptr, 5), 0u);
}

TEST(Crc32Test, EveryPathMatchesTheBytewiseDefinitionAtEveryLength) {
    const auto data = RandomBytes(5000, 7);
    const auto clmul = detail::Crc32RawCarrylessMultiply();
    for (std::size_t n = 0; n <= 1100; ++n) {
        const std::uint32_t expected = ~detail::Crc32RawBytewise(~0u, data.data() + 3, n);
        ASSERT_EQ(~detail::Crc32RawPortable(~0u, data.data() + 3, n), expected) << n;
        ASSERT_EQ(Crc32Update(0, data.data() + 3, n), expected) << n;
        if (clmul != nullptr && n >= 64) {
            ASSERT_EQ(~clmul(~0u, data.data() + 3, n), expected) << n;
        }
    }
}

TEST(Crc32Test, StreamedPortableLoopMatchesAtLargeSizes) {
    const auto data = RandomBytes(70000, 13);
    for (const std::size_t n : {4095u, 4096u, 4097u, 4160u, 9999u, 65536u, 69999u}) {
        EXPECT_EQ(detail::Crc32RawPortable(0x5A5A5A5A, data.data() + 1, n),
                  detail::Crc32RawBytewise(0x5A5A5A5A, data.data() + 1, n))
            << n;
    }
}

TEST(Crc32Test, SplitUpdatesEqualOneUpdate) {
    const auto data = RandomBytes(200000, 11);
    const std::uint32_t whole = Crc32Update(0, data.data(), data.size());
    for (const std::size_t cut : {1u, 7u, 8u, 9u, 63u, 64u, 255u, 65536u, 199999u}) {
        std::uint32_t crc = Crc32Update(0, data.data(), cut);
        crc = Crc32Update(crc, data.data() + cut, data.size() - cut);
        EXPECT_EQ(crc, whole) << cut;
    }
}

TEST(Crc32Test, TableIsRebuiltAfterRelease) {
    const std::uint32_t* table = Crc32Table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[1], 0x77073096u);
    EXPECT_EQ(table[255], 0x2D02EF8Du);
    Crc32Release();
    EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
    ASSERT_NE(Crc32Table(), nullptr);
    EXPECT_EQ(Crc32Table()[1], 0x77073096u);
}

TEST(Crc16Test, PublishedValuesAndTableEntries) {
    Crc16Init();
    EXPECT_EQ(Crc16Update(0, "123456789", 9), 0xBB3Du);
    EXPECT_EQ(Crc16Update(0, "abc", 3), 0x9738u);
    EXPECT_EQ(Crc16Table()[1], 0xC0C1u);
    EXPECT_EQ(Crc16Table()[128], 0xA001u);
    Crc16Init();  // refilling gives the same table
    EXPECT_EQ(Crc16Table()[1], 0xC0C1u);
}

TEST(Crc16Test, SlicedLoopMatchesBytewiseAndSplits) {
    const auto data = RandomBytes(3000, 5);
    for (std::size_t n = 0; n <= 600; ++n) {
        ASSERT_EQ(Crc16Update(0x1234, data.data() + 1, n),
                  detail::Crc16Bytewise(0x1234, data.data() + 1, n))
            << n;
    }
    const std::uint16_t whole = Crc16Update(0, data.data(), data.size());
    EXPECT_EQ(Crc16Update(Crc16Update(0, data.data(), 17), data.data() + 17, data.size() - 17),
              whole);
}

TEST(HeaderSumTest, SumsModulo256) {
    EXPECT_EQ(HeaderSum8("abc", 3), 38);
    const std::string ff(3, '\xFF');
    EXPECT_EQ(HeaderSum8(ff.data(), ff.size()), 0xFD);
    EXPECT_EQ(HeaderSum8("", 0), 0);
}

}  // namespace
}  // namespace quillory
