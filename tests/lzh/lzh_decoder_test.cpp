// The static-Huffman decoder on streams written symbol by symbol: what it produces,
// which tables it refuses, the dictionary's initial spaces, streams that read past
// their data, partial output on failure, and agreement with the plain reference
// decoder on valid and on damaged streams. PMarc streams from the test writers round
// trip, and each PMarc method refuses what names nothing.
#include "lzh/lzh_decoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "common/checksums.h"
#include "lzh/lzh_compressed.h"
#include "lzh/lzh_huffman.h"
#include "lzh/lzh_method.h"
#include "tests/lzh/fixture_data.h"
#include "tests/lzh/lzh_pmarc_writer.h"
#include "tests/lzh/lzh_stream_builder.h"
#include "tests/lzh/reference_decoder.h"
#include "tests/support/guarded_memory.h"
#include "tests/support/test_support.h"

namespace quillory::testing {
namespace {

using lzh::DecodeOutcome;

struct Decoded {
    DecodeOutcome outcome;
    std::uint16_t crc;
    Bytes written;
};

// Decodes stream as a member's data, the header claiming compressedSize bytes (default:
// all). The stream ends at an unreadable page, and so does the output after
// originalSize bytes: a byte read past the data or handed on past the size crashes.
// Pieces after acceptBytes are refused as a full disk refuses them.
Decoded Decode(int method, const Bytes& stream, std::uint32_t originalSize,
               std::optional<std::uint32_t> compressedSize = std::nullopt,
               std::size_t acceptBytes = SIZE_MAX) {
    const GuardedMemory input(stream);
    const MemorySource source(input.bytes());
    MemoryOutput output(originalSize, acceptBytes);
    WorkAreas work;
    const lzh::DecodeResult r = lzh::DecodeCompressed(
        method, {source, 0, compressedSize.value_or(static_cast<std::uint32_t>(stream.size())),
                 originalSize, output, work});
    return {r.outcome, r.crc, output.Written()};
}

std::uint16_t Crc(const Bytes& b) {
    return Crc16Update(0, b.data(), b.size());
}

Bytes Repeat(std::string_view text, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i)
        out.insert(out.end(), text.begin(), text.end());
    return out;
}

// -lh4- to -lh7- and -lhx- (method number 8), as the stream builder numbers them.
class EveryMethod : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Lh, EveryMethod, ::testing::Values(4, 5, 6, 7, 8));

TEST_P(EveryMethod, RoundTripsDataAcrossBlocksDictionariesAndChunks) {
    const int method = GetParam();
    // Text and binary with matches reaching back the whole dictionary, more than one
    // output chunk long, in blocks small enough that several tables are read.
    Bytes data = FixtureData(FixtureKind::Text, 150000, 7);
    const Bytes binary = FixtureData(FixtureKind::Binary, 200000, 8);
    data.insert(data.end(), binary.begin(), binary.end());
    const Bytes stream = Compress(data, method, 9000);
    const Decoded d = Decode(method, stream, static_cast<std::uint32_t>(data.size()));
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.crc, Crc(data));
    EXPECT_EQ(d.written, data);
}

TEST_P(EveryMethod, FarthestDistanceIsTheDictionarySize) {
    const int method = GetParam();
    const std::uint32_t dictionary = 1u << DictionaryBits(method);
    std::vector<LzhSymbol> symbols;
    for (std::uint32_t i = 0; i < dictionary; ++i)
        symbols.push_back(Literal(static_cast<std::uint8_t>(i * 7)));
    symbols.push_back(Match(256, dictionary));
    const Bytes expected = Expand(symbols);
    const Decoded d =
        Decode(method, EncodeSymbols(method, symbols), static_cast<std::uint32_t>(expected.size()));
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, expected);
    EXPECT_EQ(Bytes(d.written.end() - 256, d.written.end()),
              Bytes(d.written.begin(), d.written.begin() + 256));
}

TEST_P(EveryMethod, DictionaryStartsAsSpacesForEveryMember) {
    const int method = GetParam();
    // A match reaching before the member's first byte copies spaces, as LHA encoders
    // expect; a member decoded earlier must not show through.
    const Bytes first = Repeat("previous member ", 5000);
    ASSERT_EQ(
        Decode(method, Compress(first, method), static_cast<std::uint32_t>(first.size())).outcome,
        DecodeOutcome::Ok);
    const std::vector<LzhSymbol> symbols = {Literal('a'), Match(10, 6), Literal('b')};
    const Decoded d = Decode(method, EncodeSymbols(method, symbols), 12);
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, ToBytes("a     a    b"));
}

TEST(Decoder, Lh4RefusesDistancesPastItsDictionary) {
    // -lh4- shares -lh5-'s distance codes, which reach 8 KiB; its encoders keep 4 KiB.
    std::vector<LzhSymbol> symbols(4097, Literal('x'));
    symbols.push_back(Match(3, 4096));
    EXPECT_EQ(Decode(4, EncodeSymbols(4, symbols), 4100).outcome, DecodeOutcome::Ok);
    symbols.back() = Match(3, 4097);
    EXPECT_EQ(Decode(4, EncodeSymbols(4, symbols), 4100).outcome, DecodeOutcome::DataError);
    EXPECT_FALSE(ReferenceDecode(4, EncodeSymbols(4, symbols), 4100).completed);
}

class PmarcMethod : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Pm, PmarcMethod, ::testing::Values(lzh::kMethodPm1, lzh::kMethodPm2));

TEST_P(PmarcMethod, RoundTripsPastEveryCodeRenewalAndChunk) {
    // Past -pm2-'s renewals (1, 2, 4, 8 KiB and every 4 KiB) and -pm1-'s widening
    // distances, over more than one output chunk; -pm1-'s last run has no copy after
    // it, so its decoder reads zero bits past the data, as PMarc's own data makes it.
    Bytes data = FixtureData(FixtureKind::Text, 90000, 3);
    const Bytes binary = FixtureData(FixtureKind::Binary, 90000, 4);
    data.insert(data.end(), binary.begin(), binary.end());
    const Bytes stream = GetParam() == lzh::kMethodPm1 ? CompressPm1(data) : CompressPm2(data);
    const Decoded d = Decode(GetParam(), stream, static_cast<std::uint32_t>(data.size()));
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.crc, Crc(data));
    EXPECT_EQ(d.written, data);
}

TEST(Decoder, PmarcRefusesCodesThatNameNothing) {
    BitWriter pm2;  // a kind code of the single kind 30: there are only 29
    pm2.Put(0, 1), pm2.Put(31, 5), pm2.Put(0, 3);
    EXPECT_EQ(Decode(lzh::kMethodPm2, pm2.Finish(), 10).outcome, DecodeOutcome::DataError);
    BitWriter pm1;  // tree 16, then a copy from before the first byte
    pm1.Put(16, 5), pm1.Put(0, 1), pm1.Put(0, 1), pm1.Put(0, 6);
    EXPECT_EQ(Decode(lzh::kMethodPm1, pm1.Finish(), 10).outcome, DecodeOutcome::DataError);
    // -pm1- reads zeros past its data for one last copy, not for a claimed 4 GiB.
    const Bytes data = ToBytes("one run of literals");
    EXPECT_EQ(Decode(lzh::kMethodPm1, CompressPm1(data), 0xFFFFFFFF).outcome,
              DecodeOutcome::DataError);
}

TEST(Decoder, SingleCodeBlocksUseNoBitsPerSymbol) {
    // One literal repeated: every table has one code, sent in the count-0 form, so
    // the whole member is its block header (with a count of 0 meaning 65536 codes).
    const std::vector<LzhSymbol> symbols(65536, Literal('z'));
    const Bytes stream = EncodeSymbols(5, symbols, 65536);
    EXPECT_LT(stream.size(), 10u);
    const Decoded d = Decode(5, stream, 65536);
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, Bytes(65536, 'z'));
}

TEST(Decoder, BlockCountZeroMeans65536Codes) {
    // Two blocks: 65536 single-code literals (count field 0), then one more block.
    BitWriter out;
    WriteBlock(out, 6, std::vector<LzhSymbol>(65536, Literal('x')), 0);
    WriteBlock(out, 6, {Literal('y'), Literal('z')});
    Bytes expected(65536, 'x');
    expected.push_back('y');
    expected.push_back('z');
    const Decoded d = Decode(6, out.Finish(), static_cast<std::uint32_t>(expected.size()));
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, expected);
}

TEST(Decoder, EmptyCodeGivesZeroBytesWithoutBits) {
    // A character table whose lengths are all zero (count 1, length 0) is valid: every
    // symbol is byte 0 and costs nothing.
    BitWriter out;
    out.Put(3, 16);                // three codes
    out.Put(0, 5), out.Put(3, 5);  // code-length code: one symbol (length 1 -> token 3)
    out.Put(1, 9);                 // one character length, token 3 means length 1 ...
    // ... but a single length-1 code does not fill the code space: refused.
    EXPECT_EQ(Decode(5, out.Finish(), 3).outcome, DecodeOutcome::DataError);

    BitWriter empty;
    empty.Put(3, 16);
    empty.Put(0, 5), empty.Put(0, 5);  // code-length code: only token 0 (one zero)
    empty.Put(1, 9);                   // one character length: zero
    empty.Put(0, 4), empty.Put(0, 4);  // no distance codes
    const Decoded d = Decode(5, empty.Finish(), 3);
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, Bytes(3, 0));
}

TEST(Decoder, LastMatchIsCutAtTheOriginalSize) {
    const std::vector<LzhSymbol> symbols = {Literal('a'), Literal('b'), Match(20, 2)};
    const Bytes five = ToBytes("ababa");
    const Decoded d = Decode(7, EncodeSymbols(7, symbols), 5);
    ASSERT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.written, five);  // not the 22 bytes the match would give
    EXPECT_EQ(d.crc, Crc(five));
}

TEST(Decoder, EmptyMemberCompletesWithoutData) {
    const Decoded d = Decode(5, {}, 0);
    EXPECT_EQ(d.outcome, DecodeOutcome::Ok);
    EXPECT_EQ(d.crc, 0);
    EXPECT_TRUE(d.written.empty());
}

TEST(Decoder, StreamThatNeedsMoreThanItsDataFails) {
    const Bytes data = FixtureData(FixtureKind::Text, 30000, 3);
    const Bytes stream = Compress(data, 5);
    // Cut short: the decoder runs out of real bits before the end.
    const Bytes cut(stream.begin(),
                    stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
    EXPECT_EQ(Decode(5, cut, 30000).outcome, DecodeOutcome::DataError);
    // The header claims more data than the archive holds: the same.
    EXPECT_EQ(Decode(5, cut, 30000, static_cast<std::uint32_t>(stream.size())).outcome,
              DecodeOutcome::DataError);
    // The header claims fewer bytes than the stream needs: the rest is not read.
    EXPECT_EQ(Decode(5, stream, 30000, static_cast<std::uint32_t>(stream.size() - 1)).outcome,
              DecodeOutcome::DataError);
}

TEST(Decoder, TinyMemberClaimingHugeSizeStopsAtItsData) {
    // A few bytes that claim 4 GiB: once its real bits are used, the next block header
    // would need bits the member does not have, so nothing more is produced.
    const Bytes stream = Compress(Repeat("abc", 10), 6);
    ASSERT_LT(stream.size(), 30u);
    const Decoded d = Decode(6, stream, 0xFFFFFFFF);
    EXPECT_EQ(d.outcome, DecodeOutcome::DataError);
    EXPECT_TRUE(d.written.empty());
}

TEST(Decoder, FailureKeepsOnlyWholeDictionaries) {
    // 20000 good bytes in -lh5- (8 KiB dictionary), then a block with invalid tables:
    // two whole dictionaries (16384 bytes) were written before the failure.
    const Bytes data = FixtureData(FixtureKind::Binary, 20000, 5);
    BitWriter out;
    const auto symbols = Parse(data, 5);
    WriteBlock(out, 5, symbols);
    out.Put(1, 16);
    out.Put(20, 5);  // a code-length count above 19
    const Decoded d = Decode(5, out.Finish(), 40000);
    EXPECT_EQ(d.outcome, DecodeOutcome::DataError);
    EXPECT_EQ(d.written, Bytes(data.begin(), data.begin() + 16384));
}

// Blocks whose tables must be refused: the block count, then hand-written fields.
Bytes BlockStart(const std::function<void(BitWriter&)>& tables) {
    BitWriter out;
    out.Put(1, 16);
    tables(out);
    out.Put(0, 32);
    return out.Finish();
}

TEST(Decoder, RefusesTablesThatWouldLeaveTheirArrays) {
    const std::vector<std::pair<const char*, std::function<void(BitWriter&)>>> cases = {
        {"code-length count above 19", [](BitWriter& b) { b.Put(20, 5); }},
        {"single code-length code outside the table",
         [](BitWriter& b) { b.Put(0, 5), b.Put(19, 5); }},
        {"code length above 16",
         [](BitWriter& b) {
             b.Put(1, 5);
             b.Put(7, 3), b.Put(0x3FF, 10), b.Put(0, 1);  // 7 + 10 ones = 17
         }},
        {"character count above 510",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(4, 5);  // every code-length token is 4: length 2
             b.Put(511, 9);
         }},
        {"single character code outside the table",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(0, 5);
             b.Put(0, 9), b.Put(510, 9);
         }},
        {"zero run past 510",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(2, 5);      // every token is 2: a long zero run
             b.Put(510, 9), b.Put(511, 9);  // 20 + 511 zeros
         }},
        {"lengths that overfill the code space",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(3, 5);  // every token is 3: length 1
             b.Put(3, 9);               // three codes of length 1
         }},
        {"lengths that overfill it by a multiple of the whole space",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(3, 5);
             b.Put(4, 9);  // four codes of length 1: twice the code space
         }},
        {"lengths that leave part of the code space unused",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(4, 5);  // every token is 4: length 2
             b.Put(3, 9);               // three codes of length 2
         }},
        {"distance count above the method's codes",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(0, 5);
             b.Put(0, 9), b.Put('a', 9);
             b.Put(15, 4);  // -lh5- has 14 distance codes
         }},
        {"single distance code outside the table",
         [](BitWriter& b) {
             b.Put(0, 5), b.Put(0, 5);
             b.Put(0, 9), b.Put('a', 9);
             b.Put(0, 4), b.Put(14, 4);
         }},
    };
    for (const auto& [what, tables] : cases) {
        SCOPED_TRACE(what);
        const Bytes stream = BlockStart(tables);
        EXPECT_EQ(Decode(5, stream, 10).outcome, DecodeOutcome::DataError);
        EXPECT_FALSE(ReferenceDecode(5, stream, 10).completed);
    }
}

TEST(Decoder, ReportsWritesThatComeUpShort) {
    const Bytes data = FixtureData(FixtureKind::Text, 600000, 9);
    const Bytes stream = Compress(data, 7);
    // The second 256 KiB chunk only half written.
    const Decoded d =
        Decode(7, stream, static_cast<std::uint32_t>(data.size()), std::nullopt, 384 * 1024);
    EXPECT_EQ(d.outcome, DecodeOutcome::OutputFailed);
    ASSERT_GT(d.written.size(), 0u);
    EXPECT_EQ(d.written,
              Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(d.written.size())));
}

// The fast decoder and the plain one agree on every result: outcome, CRC and the bytes
// written, for valid streams and for streams with bits flipped, bytes cut off or sizes
// changed.
void ExpectSameAsReference(int method, const Bytes& stream, std::uint32_t originalSize) {
    const Decoded fast = Decode(method, stream, originalSize);
    const ReferenceResult ref = ReferenceDecode(method, stream, originalSize);
    ASSERT_EQ(fast.outcome == DecodeOutcome::Ok, ref.completed);
    if (ref.completed) {
        EXPECT_EQ(fast.crc, ref.crc);
    }
    ASSERT_EQ(fast.written.size(), ref.written.size());
    EXPECT_TRUE(fast.written == ref.written);
}

TEST_P(EveryMethod, AgreesWithTheReferenceOnValidAndDamagedStreams) {
    const int method = GetParam();
    std::mt19937 random(static_cast<unsigned>(method));
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const std::size_t size = 1 + random() % 40000;
        Bytes data = FixtureData(round % 3 == 0 ? FixtureKind::Text : FixtureKind::Binary, size,
                                 static_cast<std::uint32_t>(round + 1));
        if (round % 5 == 0) data.resize(size / 7 + 1, 'q');
        const Bytes stream = Compress(data, method, 1 + random() % 6000);
        const auto original = static_cast<std::uint32_t>(data.size());
        ExpectSameAsReference(method, stream, original);
        if (::testing::Test::HasFatalFailure()) return;

        Bytes flipped = stream;
        for (int k = 0; k < 1 + round % 4; ++k) {
            flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        ExpectSameAsReference(method, flipped, original);
        ExpectSameAsReference(method,
                              Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(
                                                                         random() % stream.size())),
                              original);
        ExpectSameAsReference(method, stream,
                              original + static_cast<std::uint32_t>(random() % 100000));
        Bytes noise(stream.size());
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        ExpectSameAsReference(method, noise, original);
    }
}

TEST(HuffmanTable, LongCodesResolveThroughSubtables) {
    // Lengths 1, 2, ..., 15, 16, 16: a complete code that needs the subtables.
    std::vector<std::uint8_t> lengths;
    for (int l = 1; l <= 16; ++l)
        lengths.push_back(static_cast<std::uint8_t>(l));
    lengths.push_back(16);
    std::vector<std::uint32_t> table(lzh::HuffmanTableEntries(17, 8));
    ASSERT_TRUE(lzh::MakeTable(17, lengths.data(), 8, table.data()));
    // Code of symbol s (s < 16) is s ones then a zero; the last two are 16 bits.
    for (unsigned s = 0; s < 17; ++s) {
        const unsigned len = lengths[s];
        const std::uint32_t code = s < 16 ? ((1u << len) - 2) : 0xFFFF;
        const std::uint32_t window = code << (16 - len);  // as the next 16 bits
        std::uint32_t e = table[window >> 8];
        unsigned used = 0;
        if (e & lzh::kLink) {
            used = 8;
            e = table[lzh::EntryValue(e) +
                      ((window << 8 & 0xFFFF) >> (16 - lzh::EntrySubtableBits(e)))];
        }
        EXPECT_EQ(lzh::EntryValue(e), s);
        EXPECT_EQ(used + lzh::EntryConsumed(e), len);
    }
}

}  // namespace
}  // namespace quillory::testing
