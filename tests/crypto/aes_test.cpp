// AES: the FIPS-197 examples on every path, the key-length rules, the refusal to write
// without a key, and counter mode agreeing with block-by-block encryption (counter
// carries, short groups, the last keystream block).
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/aes.h"
#include "tests/crypto/crypto_paths.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RandomBytes;

class AesTest : public testing::CryptoPathTest {};
QUILLORY_ON_EVERY_CRYPTO_PATH(AesTest);

AesKeySchedule Expand(const Bytes& key) {
    AesKeySchedule s{};
    EXPECT_EQ(AesExpandKey(key.data(), static_cast<unsigned>(key.size()), s), 1);
    return s;
}

Bytes Encrypt(const AesKeySchedule& s, const Bytes& in) {
    Bytes out(kAesBlockBytes);
    EXPECT_EQ(AesEncryptBlock(in.data(), out.data(), s), 1);
    return out;
}

TEST_P(AesTest, Fips197AppendixCExamples) {
    const Bytes plain = Hex("00112233445566778899aabbccddeeff");
    EXPECT_EQ(Encrypt(Expand(Hex("000102030405060708090a0b0c0d0e0f")), plain),
              Hex("69c4e0d86a7b0430d8cdb78070b4c55a"));
    EXPECT_EQ(Encrypt(Expand(Hex("000102030405060708090a0b0c0d0e0f1011121314151617")), plain),
              Hex("dda97ca4864cdfe06eaf70a0ec0d7191"));
    EXPECT_EQ(Encrypt(Expand(Hex("000102030405060708090a0b0c0d0e0f"
                                 "101112131415161718191a1b1c1d1e1f")),
                      plain),
              Hex("8ea2b7ca516745bfeafc49904b496089"));
}

TEST_P(AesTest, EncryptionInPlace) {
    const AesKeySchedule s = Expand(Hex("000102030405060708090a0b0c0d0e0f"));
    Bytes block = Hex("00112233445566778899aabbccddeeff");
    EXPECT_EQ(AesEncryptBlock(block.data(), block.data(), s), 1);
    EXPECT_EQ(block, Hex("69c4e0d86a7b0430d8cdb78070b4c55a"));
}

TEST(AesKeyTest, ExpansionWordsAreLittleEndianColumns) {
    // FIPS-197 appendix A.1: w4 = a0fafe17, w43 = b6630ca6 (written as byte sequences).
    const AesKeySchedule s = Expand(Hex("2b7e151628aed2a6abf7158809cf4f3c"));
    EXPECT_EQ(s.roundKeys[0], 0x16157E2Bu);
    EXPECT_EQ(s.roundKeys[4], 0x17FEFAA0u);
    EXPECT_EQ(s.roundKeys[43], 0xA60C63B6u);
    EXPECT_EQ(s.rounds, 10u);
    EXPECT_EQ(s.blockWord, 17u);
}

TEST(AesKeyTest, LengthsInBitsGiveTheSameScheduleAsInBytes) {
    const Bytes key = RandomBytes(32, 4);
    for (const auto& [bytes, rounds] : {std::pair{16u, 10u}, {24u, 12u}, {32u, 14u}}) {
        AesKeySchedule inBytes{}, inBits{};
        ASSERT_EQ(AesExpandKey(key.data(), bytes, inBytes), 1);
        ASSERT_EQ(AesExpandKey(key.data(), bytes * 8, inBits), 1);
        EXPECT_EQ(inBytes.rounds, rounds);
        EXPECT_EQ(std::memcmp(&inBytes, &inBits, sizeof inBytes), 0) << bytes;
    }
}

TEST(AesKeyTest, OtherLengthsAreRefusedAndLeaveTheRoundKeys) {
    const Bytes key = RandomBytes(64, 6);
    for (const unsigned length : {20u, 28u, 0u, 8u, 40u, 160u, 512u, 1u, 33u, 127u, 136u, 257u}) {
        AesKeySchedule s{};
        ASSERT_EQ(AesExpandKey(key.data(), 16, s), 1);
        const AesKeySchedule before = s;
        EXPECT_EQ(AesExpandKey(key.data(), length, s), 0) << length;
        EXPECT_EQ(s.rounds, 0u);
        EXPECT_EQ(s.blockWord, 16u);
        EXPECT_EQ(std::memcmp(s.roundKeys, before.roundKeys, sizeof s.roundKeys), 0);
        // The refused schedule no longer encrypts.
        Bytes out(16, 0x5A);
        EXPECT_EQ(AesEncryptBlock(key.data(), out.data(), s), 0);
        EXPECT_EQ(out, Bytes(16, 0x5A));
    }
}

TEST_P(AesTest, ScheduleWithoutKeyWritesNothing) {
    const AesKeySchedule zero{};
    Bytes out(16, 0xA5), counter(16, 0), keystream(16, 0x11), data(48, 0x22);
    counter[0] = 0xFE;
    EXPECT_EQ(AesEncryptBlock(data.data(), out.data(), zero), 0);
    EXPECT_EQ(out, Bytes(16, 0xA5));
    EXPECT_EQ(AesCtrXorBlocks(zero, counter.data(), keystream.data(), data.data(), 3), 0);
    EXPECT_EQ(data, Bytes(48, 0x22));
    EXPECT_EQ(keystream, Bytes(16, 0x11));
    EXPECT_EQ(counter[0], 0x01);  // the counter still advanced by three, with a carry
    EXPECT_EQ(counter[1], 0x01);

    // A key-set mark with an impossible round count counts as no key too.
    AesKeySchedule damaged{};
    damaged.blockWord = 17;
    damaged.rounds = 200;
    EXPECT_EQ(AesEncryptBlock(data.data(), out.data(), damaged), 0);
    EXPECT_EQ(out, Bytes(16, 0xA5));
}

// Counter mode by the definition: increment the 64-bit little-endian counter, encrypt.
void ReferenceCtr(const AesKeySchedule& s, Bytes& counter, Bytes& keystream, Bytes& data) {
    for (std::size_t offset = 0; offset < data.size(); offset += 16) {
        for (int i = 0; i < 8 && ++counter[i] == 0; ++i) {
        }
        ASSERT_EQ(AesEncryptBlock(counter.data(), keystream.data(), s), 1);
        for (int i = 0; i < 16; ++i)
            data[offset + i] ^= keystream[i];
    }
}

TEST_P(AesTest, CounterModeEqualsBlockByBlockEncryption) {
    for (const unsigned keyBytes : {16u, 24u, 32u}) {
        const AesKeySchedule s = Expand(RandomBytes(keyBytes, keyBytes));
        // Counters that carry through one byte, several, and wrap all 64 bits; the high
        // half of the block is not part of the counter and must stay.
        for (const auto& start :
             {Hex("00000000000000000000000000000000"), Hex("fdffffff000000000000000000000000"),
              Hex("fafffffffffffffff00000000000000f")}) {
            for (std::size_t blocks = 0; blocks <= 19; ++blocks) {
                Bytes counter = start, keystream(16, 0), data = RandomBytes(16 * blocks, 8);
                Bytes refCounter = start, refKeystream(16, 0), refData = data;
                ReferenceCtr(s, refCounter, refKeystream, refData);
                ASSERT_EQ(AesCtrXorBlocks(s, counter.data(), keystream.data(), data.data(), blocks),
                          1);
                ASSERT_EQ(data, refData) << keyBytes << " " << blocks;
                ASSERT_EQ(counter, refCounter);
                ASSERT_EQ(keystream, refKeystream);
            }
        }
    }
}

TEST(AesPathTest, HardwareAndPortableCounterModeAgreeOnLargeInput) {
    const detail::AesPath* hardware = detail::AesHardwarePath();
    if (hardware == nullptr) GTEST_SKIP() << "no AES-NI";
    const AesKeySchedule s = Expand(RandomBytes(32, 12));
    Bytes a = RandomBytes(16 * 1000, 2), b = a;
    Bytes counterA(16, 0), counterB(16, 0), keystreamA(16), keystreamB(16);
    hardware->ctrXorBlocks(s, counterA.data(), keystreamA.data(), a.data(), 1000);
    detail::AesPortablePath().ctrXorBlocks(s, counterB.data(), keystreamB.data(), b.data(), 1000);
    EXPECT_EQ(a, b);
    EXPECT_EQ(counterA, counterB);
    EXPECT_EQ(keystreamA, keystreamB);
}

}  // namespace
}  // namespace quillory
