// The inflate engine on streams made by zlib and on streams written bit by bit: every
// block type and code rule, both formats, the fast path against the careful path, and
// the pieces in which output is flushed.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/support/test_support.h"
#include "tests/zip/deflate_writer.h"
#include "tests/zip/inflate_support.h"

namespace quillory {
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

// A fixed block: the literal 'a', then a match at distance 1 written with `lengthCode`
// and `lengthExtra` (extraBits wide), then the end of the block.
Bytes FixedRun(unsigned lengthCode, std::uint32_t lengthExtra, unsigned extraBits) {
    const CanonicalCode lit = FixedLitLenCode();
    const CanonicalCode dist = FixedDistanceCode();
    DeflateWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    lit.Write(w, 'a');
    lit.Write(w, lengthCode);
    w.Bits(lengthExtra, extraBits);
    dist.Write(w, 0);  // distance 1
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
}  // namespace quillory
