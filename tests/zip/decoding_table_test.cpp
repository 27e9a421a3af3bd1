// Decoding tables against the canonical codes they stand for: every code of random
// complete sets (lengths up to 15, so with subtables) decodes to its symbol with its
// length; slots of incomplete sets are invalid; the result codes of odd sets.
#include <gtest/gtest.h>

#include <random>

#include "tests/zip/deflate_writer.h"
#include "zip/decoding_table.h"

namespace quillory::zip {
namespace {

using namespace table_entry;

constexpr unsigned kRoot = 9;
constexpr std::size_t kCapacity = DecodingTableCapacity(288, kRoot);

std::vector<std::uint32_t> SymbolEntries(unsigned count) {
    std::vector<std::uint32_t> s(count);
    for (unsigned i = 0; i < count; ++i)
        s[i] = Symbol(i);
    return s;
}

// The entry a code's bits (in stream order, first bit lowest) reach.
std::uint32_t Decode(const std::vector<std::uint32_t>& table, std::uint32_t bits) {
    std::uint32_t e = table[bits & ((1u << kRoot) - 1)];
    if ((e & kLink) != 0)
        e = table[EntryValue(e) + ((bits >> kRoot) & ((1u << EntrySubtableBits(e)) - 1))];
    return e;
}

// A random complete prefix code of `count` codes: leaves split at random, none deeper
// than 15, then shuffled over the symbols.
std::vector<std::uint8_t> RandomCompleteLengths(unsigned count, std::mt19937& rng) {
    std::vector<std::uint8_t> leaves = {0};
    while (leaves.size() < count) {
        const std::size_t i = rng() % leaves.size();
        if (leaves[i] == kMaxDeflateCodeLength) continue;
        ++leaves[i];
        leaves.push_back(leaves[i]);
    }
    std::shuffle(leaves.begin(), leaves.end(), rng);
    return leaves;
}

TEST(DecodingTableTest, EveryCodeOfRandomCompleteSetsDecodes) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        const auto count = static_cast<unsigned>(2 + rng() % 287);
        const std::vector<std::uint8_t> lengths = RandomCompleteLengths(count, rng);
        std::vector<std::uint32_t> table(kCapacity);
        unsigned lookupBits = 0;
        ASSERT_EQ(BuildDecodingTable(lengths.data(), count, SymbolEntries(count).data(), kRoot,
                                     table.data(), table.size(), &lookupBits),
                  TableResult::Complete);
        EXPECT_EQ(lookupBits, kRoot);
        const testing::CanonicalCode code(lengths);
        for (unsigned s = 0; s < count; ++s) {
            testing::DeflateWriter w;
            code.Write(w, s);
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < w.bytes().size(); ++i)
                bits |= w.bytes()[i] << (8 * i);
            // Whatever follows the code does not change what it decodes to.
            for (std::uint32_t after : {0u, 0x7FFFu, 0x5555u}) {
                const std::uint32_t e = Decode(table, bits | (after << lengths[s]));
                ASSERT_EQ(EntryValue(e), s);
                ASSERT_EQ(EntryConsumed(e), lengths[s]);
                ASSERT_EQ(EntryCodeLength(e), lengths[s]);
            }
        }
    }
}

TEST(DecodingTableTest, IncompleteSetsLeaveInvalidSlots) {
    std::mt19937 rng(99);
    for (int round = 0; round < 100; ++round) {
        const auto count = static_cast<unsigned>(3 + rng() % 200);
        std::vector<std::uint8_t> lengths = RandomCompleteLengths(count, rng);
        const std::size_t dropped = rng() % count;
        const unsigned droppedLength = lengths[dropped];
        lengths[dropped] = 0;
        std::vector<std::uint32_t> table(kCapacity);
        unsigned lookupBits = 0;
        ASSERT_EQ(BuildDecodingTable(lengths.data(), count, SymbolEntries(count).data(), kRoot,
                                     table.data(), table.size(), &lookupBits),
                  TableResult::Incomplete);
        // Exactly the dropped code's share of all 15-bit inputs reaches invalid entries.
        std::size_t invalid = 0;
        for (std::uint32_t bits = 0; bits < (1u << kMaxDeflateCodeLength); ++bits) {
            invalid += (Decode(table, bits) & kInvalid) != 0 ? 1 : 0;
        }
        EXPECT_EQ(invalid, std::size_t{1} << (kMaxDeflateCodeLength - droppedLength));
    }
}

TEST(DecodingTableTest, OddSets) {
    std::vector<std::uint32_t> table(kCapacity);
    unsigned lookupBits = 99;
    const auto build = [&](std::vector<std::uint8_t> lengths) {
        return BuildDecodingTable(lengths.data(), static_cast<unsigned>(lengths.size()),
                                  SymbolEntries(static_cast<unsigned>(lengths.size())).data(),
                                  kRoot, table.data(), table.size(), &lookupBits);
    };
    EXPECT_EQ(build({0, 0, 0}), TableResult::Complete);
    EXPECT_EQ(lookupBits, 0u);
    EXPECT_NE(table[0] & kInvalid, 0u);
    EXPECT_EQ(build({0, 1, 0}), TableResult::Complete);  // one one-bit code
    EXPECT_EQ(EntryValue(table[0]), 1u);
    EXPECT_NE(table[1] & kInvalid, 0u);
    EXPECT_EQ(build({2, 0}), TableResult::Incomplete);
    EXPECT_EQ(build({1, 1, 1}), TableResult::OverSubscribed);
    EXPECT_EQ(build({15, 15}), TableResult::Incomplete);
    // One code of each length 1-14 and two of 15: the longest six share one subtable.
    std::vector<std::uint8_t> deep = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    deep.resize(16, 15);
    EXPECT_EQ(build(deep), TableResult::Complete);
    EXPECT_EQ(BuildDecodingTable(deep.data(), 16, SymbolEntries(16).data(), kRoot, table.data(),
                                 (std::size_t{1} << kRoot) + 10, &lookupBits),
              TableResult::OutOfSpace);
}

}  // namespace
}  // namespace quillory::zip
