// The inflate engine on streams made by zlib and on streams written bit by bit: every
// block type and code rule, both formats, the fast path against the careful path, and
// the pieces in which output is flushed.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/support/test_support.h"
#include "tests/zip/deflate_writer.h"
#include "tests/zip/inflate_support.h"

namespace quillory::zip {
namespace {

using testing::Bytes;
using testing::CanonicalCode;
using testing::DeflateWriter;
using testing::FixedDistanceCode;
using testing::FixedLitLenCode;
using testing::InflateOutcome;
using testing::MixedData;
using testing::RunInflate;
using testing::ZlibDeflate;

// Both paths, both formats where the stream means the same in both.
void ExpectBothPaths(const Bytes& stream, bool deflate64, InflateResult result, const Bytes& data) {
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast path" : "careful path");
        const InflateOutcome o = RunInflate(stream, deflate64, fast);
        EXPECT_EQ(o.result, result);
        if (result == InflateResult::Ok) {
            ASSERT_EQ(o.data.size(), data.size());
            EXPECT_TRUE(o.data == data);
        }
    }
}

TEST(InflateTest, ZlibStreamsAtEveryLevelAndStrategy) {
    const Bytes data = MixedData(300000, 7);
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
        for (int level : {0, 1, 6, 9}) {
            SCOPED_TRACE(::testing::Message() << "level " << level << " strategy " << strategy);
            ExpectBothPaths(ZlibDeflate(data, level, strategy), false, InflateResult::Ok, data);
        }
    }
}

TEST(InflateTest, DeflateStreamsMeanTheSameInDeflate64ModeUnlessTheyUseCode285) {
    // zlib writes code 285 for runs of 258: Deflate64 reads it differently.
    const Bytes text = testing::ToBytes("no long runs here, just text with short repeats repeats");
    ExpectBothPaths(ZlibDeflate(text, 9), true, InflateResult::Ok, text);
}

TEST(InflateTest, InputInPiecesOfEverySizeGivesTheSameOutput) {
    const Bytes data = MixedData(200000, 3);
    const Bytes stream = ZlibDeflate(data, 6);
    for (std::vector<std::size_t> pieces :
         {std::vector<std::size_t>{1}, {7}, {31, 33}, {32768}, {100, 1, 64, 2}}) {
        InflateEngine engine;
        OutputWindow window;
        testing::PiecewiseInput input(stream, pieces);
        const InflateOutcome o = RunInflate(engine, window, input, false);
        ASSERT_EQ(o.result, InflateResult::Ok);
        EXPECT_TRUE(o.data == data);
    }
}

TEST(InflateTest, OutputIsFlushedInFullWindowsAndOneRest) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                             std::size_t{3 * 65536}, std::size_t{3 * 65536 + 5}}) {
        SCOPED_TRACE(size);
        const Bytes data = MixedData(size, 11);
        for (int level : {0, 6}) {
            const InflateOutcome o = RunInflate(ZlibDeflate(data, level), false);
            ASSERT_EQ(o.result, InflateResult::Ok);
            std::vector<std::size_t> expected(size / 65536, 65536);
            expected.push_back(size % 65536);
            EXPECT_EQ(o.flushes, expected);
            EXPECT_TRUE(o.data == data);
        }
    }
}

TEST(InflateTest, EmptyStoredBlockFlushesNothingOnce) {
    DeflateWriter w;
    w.Bits(1, 1);  // last block
    w.Bits(0, 2);  // stored
    w.AlignToByte();
    w.Bits(0, 16);       // length 0
    w.Bits(0xFFFF, 16);  // its complement
    const InflateOutcome o = RunInflate(w.bytes(), false);
    EXPECT_EQ(o.result, InflateResult::Ok);
    EXPECT_EQ(o.flushes, std::vector<std::size_t>{0});
}

TEST(InflateTest, StoredBlockWithBadComplementIsDamaged) {
    DeflateWriter w;
    w.Bits(1, 1);
    w.Bits(0, 2);
    w.AlignToByte();
    w.Bits(5, 16);
    w.Bits(0xFFFF, 16);  // should be 0xFFFA
    for (int i = 0; i < 5; ++i)
        w.Byte('x');
    ExpectBothPaths(w.bytes(), false, InflateResult::DataError, {});
}

TEST(InflateTest, BlockType3IsRefusedWithMinusOne) {
    DeflateWriter w;
    w.Bits(1, 1);
    w.Bits(3, 2);
    w.Bits(0, 16);
    ExpectBothPaths(w.bytes(), false, InflateResult::BlockType3, {});
    ExpectBothPaths(w.bytes(), true, InflateResult::BlockType3, {});
}

// A fixed block: `leading` literals 'a', then a match at distance 1 written with
// `lengthCode` and `lengthExtra` (extraBits wide), `trailing` literals 'z', then the end
// of the block. Enough trailing literals let the fast loop decode the match.
Bytes FixedRun(unsigned lengthCode, std::uint32_t lengthExtra, unsigned extraBits, int leading = 1,
               int trailing = 0) {
    const CanonicalCode lit = FixedLitLenCode();
    const CanonicalCode dist = FixedDistanceCode();
    DeflateWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    for (int i = 0; i < leading; ++i)
        lit.Write(w, 'a');
    lit.Write(w, lengthCode);
    w.Bits(lengthExtra, extraBits);
    dist.Write(w, 0);  // distance 1
    for (int i = 0; i < trailing; ++i)
        lit.Write(w, 'z');
    lit.Write(w, 256);
    return w.bytes();
}

TEST(InflateTest, Code285IsLength258InDeflateAndTakes16BitsInDeflate64) {
    ExpectBothPaths(FixedRun(285, 0, 0), false, InflateResult::Ok, Bytes(259, 'a'));
    ExpectBothPaths(FixedRun(285, 0xFFFF, 16), true, InflateResult::Ok, Bytes(65539, 'a'));
    ExpectBothPaths(FixedRun(285, 0, 16), true, InflateResult::Ok, Bytes(4, 'a'));
    // Length 258 through code 284 with extra bits 31 reads no further bits in either mode.
    ExpectBothPaths(FixedRun(284, 31, 5), false, InflateResult::Ok, Bytes(259, 'a'));
    ExpectBothPaths(FixedRun(284, 31, 5), true, InflateResult::Ok, Bytes(259, 'a'));
    // Inside the fast loop, after one to six literals: the longest length entry may follow
    // two literals within one refill.
    for (int leading = 1; leading <= 6; ++leading) {
        Bytes expected(static_cast<std::size_t>(leading) + 65538, 'a');
        expected.insert(expected.end(), 40, 'z');
        ExpectBothPaths(FixedRun(285, 0xFFFF, 16, leading, 40), true, InflateResult::Ok, expected);
    }
}

TEST(InflateTest, LengthSymbols286And287AreInvalid) {
    ExpectBothPaths(FixedRun(286, 0, 0), false, InflateResult::DataError, {});
    ExpectBothPaths(FixedRun(287, 0, 0), true, InflateResult::DataError, {});
}

// A stored block of `history` bytes, then a fixed block with one match of length 3 at
// distance code `distanceCode` with `extra` extra bits.
Bytes FarMatch(const Bytes& history, unsigned distanceCode, std::uint32_t extra,
               unsigned extraBits) {
    DeflateWriter w;
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.AlignToByte();
    w.Bits(static_cast<std::uint32_t>(history.size()), 16);
    w.Bits(static_cast<std::uint32_t>(~history.size()) & 0xFFFF, 16);
    for (auto b : history)
        w.Byte(b);
    const CanonicalCode lit = FixedLitLenCode();
    const CanonicalCode dist = FixedDistanceCode();
    w.Bits(1, 1);
    w.Bits(1, 2);
    lit.Write(w, 257);  // length 3
    dist.Write(w, distanceCode);
    w.Bits(extra, extraBits);
    lit.Write(w, 256);
    return w.bytes();
}

TEST(InflateTest, DistanceCodes30And31DecodeInBothModes) {
    const Bytes history = testing::RandomBytes(65535, 5);
    for (bool deflate64 : {false, true}) {
        for (auto [code, extra, distance] : {std::tuple{30u, 0u, 32769u},
                                             {30u, 16383u, 49152u},
                                             {31u, 0u, 49153u},
                                             {31u, 16382u, 65535u}}) {
            SCOPED_TRACE(distance);
            Bytes expected = history;
            for (int i = 0; i < 3; ++i)
                expected.push_back(expected[expected.size() - distance]);
            ExpectBothPaths(FarMatch(history, code, extra, 14), deflate64, InflateResult::Ok,
                            expected);
        }
    }
}

TEST(InflateTest, DistanceBeforeTheFirstByteIsDamaged) {
    const Bytes history(100, 'h');
    // 101 reaches one byte before the stream's start (code 13: 97 + 5 extra bits).
    ExpectBothPaths(FarMatch(history, 13, 4, 5), false, InflateResult::DataError, {});
    Bytes expected = history;
    expected.insert(expected.end(), 3, 'h');
    ExpectBothPaths(FarMatch(history, 13, 3, 5), false, InflateResult::Ok, expected);
}

TEST(InflateTest, EarlierMembersNeverShowThroughTheWindow) {
    // The same engine and window decode a member full of 'S', then one whose first match
    // reaches back before its own start: damaged, and nothing of the first leaks.
    InflateEngine engine;
    OutputWindow window;
    const Bytes secret(70000, 'S');
    const Bytes first = ZlibDeflate(secret, 6);
    MemoryInput in1(first.data(), first.size());
    ASSERT_EQ(RunInflate(engine, window, in1, false).result, InflateResult::Ok);
    const Bytes second = FarMatch(Bytes(10, 'x'), 13, 0, 5);  // distance 97
    MemoryInput in2(second.data(), second.size());
    const InflateOutcome o = RunInflate(engine, window, in2, false);
    EXPECT_EQ(o.result, InflateResult::DataError);
    EXPECT_EQ(std::count(o.data.begin(), o.data.end(), 'S'), 0);
}

TEST(InflateTest, EveryCutOfAStreamFailsAndBothPathsAgree) {
    const Bytes data = MixedData(5000, 9);
    const Bytes stream = ZlibDeflate(data, 9);
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
        const Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        const InflateOutcome fast = RunInflate(part, false, true);
        const InflateOutcome careful = RunInflate(part, false, false);
        ASSERT_NE(fast.result, InflateResult::Ok) << cut;
        ASSERT_EQ(fast.result, careful.result) << cut;
        ASSERT_EQ(fast.flushes, careful.flushes) << cut;
    }
}

}  // namespace
}  // namespace quillory::zip

namespace quillory::zip {
namespace {

using testing::CodeLengthItem;
using testing::WriteDynamicHeader;
using testing::WriteRawDynamicHeader;

// Literal/length lengths for HLIT symbols with the given (symbol, length) pairs.
std::vector<std::uint8_t> Lengths(unsigned count,
                                  std::initializer_list<std::pair<unsigned, int>> set) {
    std::vector<std::uint8_t> l(count, 0);
    for (auto [symbol, length] : set)
        l[symbol] = static_cast<std::uint8_t>(length);
    return l;
}

// A dynamic block: "a", a match of 3 at distance 1, end of block (with the codes of
// litLen and distance, which must hold those symbols).
Bytes DynamicRun(const std::vector<std::uint8_t>& litLen,
                 const std::vector<std::uint8_t>& distance) {
    DeflateWriter w;
    WriteDynamicHeader(w, true, litLen, distance);
    const CanonicalCode lit(litLen);
    const CanonicalCode dist(distance);
    lit.Write(w, 'a');
    lit.Write(w, 257);
    dist.Write(w, 0);
    lit.Write(w, 256);
    return w.bytes();
}

TEST(InflateDynamicTest, ThirtyTwoDistanceCodesAreAccepted) {
    const auto litLen = Lengths(258, {{'a', 1}, {256, 2}, {257, 2}});
    ExpectBothPaths(DynamicRun(litLen, std::vector<std::uint8_t>(32, 5)), false, InflateResult::Ok,
                    Bytes(4, 'a'));
}

TEST(InflateDynamicTest, MoreThan286LiteralLengthCodesAreDamaged) {
    for (unsigned hlit : {287u, 288u}) {
        auto litLen = Lengths(hlit, {{'a', 1}, {256, 2}, {257, 2}});
        ExpectBothPaths(DynamicRun(litLen, {1}), false, InflateResult::DataError, {});
    }
    auto ok = Lengths(286, {{'a', 1}, {256, 2}, {257, 2}});
    ExpectBothPaths(DynamicRun(ok, {1}), false, InflateResult::Ok, Bytes(4, 'a'));
}

TEST(InflateDynamicTest, OverSubscribedSetsGiveTwo) {
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 1}, {'b', 1}, {256, 2}, {257, 2}}), {1}), false,
                    InflateResult::OverSubscribed, {});
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 1}, {256, 2}, {257, 2}}), {1, 1, 1}), false,
                    InflateResult::OverSubscribed, {});
    DeflateWriter w;  // a code-length code of 19 one-bit codes
    WriteRawDynamicHeader(w, true, 257, 1, std::vector<std::uint8_t>(19, 1), {});
    ExpectBothPaths(w.bytes(), false, InflateResult::OverSubscribed, {});
}

TEST(InflateDynamicTest, IncompleteSetsAreDamagedUnlessOneOneBitCode) {
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 2}, {256, 2}, {257, 2}}), {1}), false,
                    InflateResult::DataError, {});
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 1}, {256, 2}, {257, 2}}), {2}), false,
                    InflateResult::DataError, {});
    // One distance code of one bit leaves half the codes unused, and is accepted.
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 1}, {256, 2}, {257, 2}}), {1}), false,
                    InflateResult::Ok, Bytes(4, 'a'));
}

TEST(InflateDynamicTest, NoDistanceCodeIsAllowedOnlyWithoutLengthCodes) {
    const auto literalsOnly = Lengths(257, {{'a', 1}, {256, 1}});
    DeflateWriter w;
    WriteDynamicHeader(w, true, literalsOnly, {0});
    const CanonicalCode lit(literalsOnly);
    lit.Write(w, 'a');
    lit.Write(w, 'a');
    lit.Write(w, 256);
    ExpectBothPaths(w.bytes(), false, InflateResult::Ok, Bytes(2, 'a'));
    ExpectBothPaths(DynamicRun(Lengths(258, {{'a', 1}, {256, 2}, {257, 2}}), {0}), false,
                    InflateResult::DataError, {});
}

TEST(InflateDynamicTest, RepeatCodes) {
    // Lengths of 'a' (97), 256 and 257 written with repeats: 18 for 97 zeros, 16 after
    // a leading 16 (which repeats zeros), 17, and an 18 that runs past the end.
    std::vector<std::uint8_t> cl(19, 0);
    for (unsigned s : {0u, 1u, 2u, 16u, 17u, 18u})
        cl[s] = 3;  // six codes of three bits
    cl[0] = 2;
    cl[1] = 2;  // 2+2+3*4: Kraft 1/4+1/4+4/8 = 1
    const auto tail = [](std::vector<CodeLengthItem> items) {
        // ... 'a' = 1, then zeros to 255, 256 = 2, 257 = 2, one distance length of 1.
        items.push_back({1});
        items.push_back({18, 138 - 11});  // 98..235
        items.push_back({18, 20 - 11});   // 236..255
        items.push_back({2});
        items.push_back({2});
        items.push_back({1});
        return items;
    };
    const auto run = [&](const std::vector<CodeLengthItem>& items) {
        DeflateWriter w;
        WriteRawDynamicHeader(w, true, 258, 1, cl, items);
        const CanonicalCode lit(Lengths(258, {{'a', 1}, {256, 2}, {257, 2}}));
        lit.Write(w, 'a');
        lit.Write(w, 257);
        w.Bits(0, 1);  // distance code 0
        lit.Write(w, 256);
        return w.bytes();
    };
    // 16 first repeats the starting length 0: 3 zeros, then 17 (7 zeros), 18 (87 zeros).
    ExpectBothPaths(run(tail({{16, 0}, {17, 4}, {18, 87 - 11}})), false, InflateResult::Ok,
                    Bytes(4, 'a'));
    // Two runs of 138 zeros pass the 258 lengths the header announces.
    DeflateWriter past;
    WriteRawDynamicHeader(past, true, 257, 1, cl, {{18, 127}, {18, 127}});
    ExpectBothPaths(past.bytes(), false, InflateResult::DataError, {});
}

TEST(InflateDynamicTest, StreamsThatEndRightAfterShortCodesDecode) {
    // Distance codes of 1 to 6 bits: the last match uses the one-bit code and the block
    // ends with a two-bit code, so few bits follow however the stream is aligned.
    const auto litLen = Lengths(258, {{'a', 1}, {256, 2}, {257, 2}});
    const std::vector<std::uint8_t> distance = {1, 2, 3, 4, 5, 6, 6};
    for (int literals = 1; literals <= 8; ++literals) {
        DeflateWriter w;
        WriteDynamicHeader(w, true, litLen, distance);
        const CanonicalCode lit(litLen);
        const CanonicalCode dist(distance);
        for (int i = 0; i < literals; ++i)
            lit.Write(w, 'a');
        lit.Write(w, 257);
        dist.Write(w, 0);
        lit.Write(w, 256);
        ExpectBothPaths(w.bytes(), false, InflateResult::Ok, Bytes(literals + 3, 'a'));
    }
}

TEST(InflateTest, AFlushTheSinkRefusesStopsTheStream) {
    const Bytes data = MixedData(300000, 6);
    const Bytes stream = ZlibDeflate(data, 6);
    for (bool fast : {true, false}) {
        InflateEngine engine;
        OutputWindow window;
        MemoryInput input(stream.data(), stream.size());
        testing::RecordingSink sink;
        sink.refuseAt = 1;
        engine.SetFastPath(fast);
        EXPECT_EQ(engine.Inflate(input, window, &sink, false), InflateResult::OutputFailed);
        EXPECT_EQ(sink.flushes, std::vector<std::size_t>{65536});
    }
}

TEST(InflateTest, DamagedStreamsStillFlushWhatWasCompleteBeforeTheDamage) {
    const Bytes data = MixedData(200000, 8);
    Bytes stream = ZlibDeflate(data, 6);
    stream.resize(stream.size() * 3 / 4);
    for (bool fast : {true, false}) {
        const InflateOutcome o = RunInflate(stream, false, fast);
        EXPECT_EQ(o.result, InflateResult::DataError);
        ASSERT_GE(o.flushes.size(), 1u);
        for (std::size_t n : o.flushes)
            EXPECT_EQ(n, 65536u);
        EXPECT_TRUE(std::equal(o.data.begin(), o.data.end(), data.begin()));
    }
}

TEST(InflateTest, FixedTablesAreKeptUntilFreed) {
    InflateEngine engine;
    OutputWindow window;
    EXPECT_FALSE(engine.HasFixedTables());
    const Bytes stream = FixedRun(285, 0, 0);
    MemoryInput input(stream.data(), stream.size());
    ASSERT_EQ(RunInflate(engine, window, input, false).result, InflateResult::Ok);
    EXPECT_TRUE(engine.HasFixedTables());
    engine.FreeFixedTables();
    EXPECT_FALSE(engine.HasFixedTables());
    MemoryInput again(stream.data(), stream.size());
    EXPECT_EQ(RunInflate(engine, window, again, false).data, Bytes(259, 'a'));
}

TEST(InflateTest, RandomStreamsDecodeTheSameOnBothPaths) {
    // Mostly damaged input: whatever happens, both paths agree on result and output.
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        Bytes stream = testing::RandomBytes(64 + seed % 700, seed);
        stream[0] =
            static_cast<std::uint8_t>((stream[0] & ~6u) | ((seed % 3) << 1));  // block types 0-2
        for (bool deflate64 : {false, true}) {
            const InflateOutcome fast = RunInflate(stream, deflate64, true);
            const InflateOutcome careful = RunInflate(stream, deflate64, false);
            ASSERT_EQ(fast.result, careful.result) << seed;
            ASSERT_TRUE(fast.data == careful.data) << seed;
            ASSERT_EQ(fast.flushes, careful.flushes) << seed;
        }
    }
}

}  // namespace
}  // namespace quillory::zip
