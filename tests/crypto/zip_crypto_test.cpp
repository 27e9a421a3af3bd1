// The traditional ZIP cipher: members encrypted by 7-Zip and Info-ZIP decrypt with the
// right password under the right check byte, wrong passwords are turned away, and the
// bulk decryption is the byte-by-byte one.
#include <gtest/gtest.h>

#include <string>

#include "common/checksums.h"
#include "crypto/zip_crypto.h"
#include "tests/crypto/fixture_member.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::FixtureMember;
using testing::RandomBytes;
using testing::ReadFixtureMember;

std::uint8_t CheckByteOf(const FixtureMember& m) {
    return ZipCryptoCheckByte((m.flags & 0x08) != 0, m.time, m.crc);
}

TEST(ZipCryptoTest, EmptyPasswordLeavesTheInitialKeys) {
    ZipCryptoKeys keys{1, 2, 3};
    ZipCryptoInitKeys(keys, "");
    EXPECT_EQ(keys.key0, 0x12345678u);
    EXPECT_EQ(keys.key1, 0x23456789u);
    EXPECT_EQ(keys.key2, 0x34567890u);
}

TEST(ZipCryptoTest, CheckByteIsTheTimeWithADataDescriptorElseTheCrc) {
    EXPECT_EQ(ZipCryptoCheckByte(true, 0x4564, 0xEB2D8E81), 0x45);
    EXPECT_EQ(ZipCryptoCheckByte(false, 0x4564, 0xEB2D8E81), 0xEB);
}

TEST(ZipCryptoTest, MembersFromRealProducersDecrypt) {
    // 7-Zip writes no data descriptor (CRC check byte); Info-ZIP sets flag bit 3 (time).
    for (const char* name : {"zipcrypto-7zip.zip", "zipcrypto-infozip.zip"}) {
        const FixtureMember m = ReadFixtureMember(name);
        ASSERT_EQ(m.data.size(), kZipCryptoHeaderBytes + testing::kFixturePlainSize) << name;
        const Bytes header(m.data.begin(), m.data.begin() + 12);
        ZipCryptoKeys keys;
        ASSERT_EQ(
            ZipCryptoCheckHeader(keys, m.data.data(), testing::kFixturePassword, CheckByteOf(m)), 0)
            << name;
        EXPECT_EQ(Bytes(m.data.begin(), m.data.begin() + 12), header);  // caller's copy kept

        Bytes bulk(m.data.begin() + 12, m.data.end());
        Bytes bytewise = bulk;
        ZipCryptoKeys bytewiseKeys = keys;
        ZipCryptoDecrypt(keys, bulk.data(), bulk.size());
        for (auto& b : bytewise)
            b = ZipCryptoDecryptByte(bytewiseKeys, b);
        EXPECT_EQ(bulk, bytewise);
        EXPECT_EQ(Crc32Update(0, bulk.data(), bulk.size()), testing::kFixturePlainCrc) << name;
        EXPECT_EQ(std::string(bulk.begin(), bulk.begin() + 10), "Line 0000:");
    }
}

TEST(ZipCryptoTest, WrongCheckByteOrPasswordIsRejected) {
    const FixtureMember m = ReadFixtureMember("zipcrypto-infozip.zip");
    ZipCryptoKeys keys;
    // The right password under the CRC's byte: the member has a data descriptor, so
    // the header ends with the time's byte instead.
    EXPECT_EQ(ZipCryptoCheckHeader(keys, m.data.data(), testing::kFixturePassword,
                                   static_cast<std::uint8_t>(m.crc >> 24)),
              -1);
    // One check byte lets about 1 wrong password in 256 through; 512 tries stay far
    // below 20 (a chance acceptance is caught later by the CRC).
    int accepted = 0;
    for (int i = 0; i < 512; ++i) {
        const std::string wrong = "wrong" + std::to_string(i);
        accepted += ZipCryptoCheckHeader(keys, m.data.data(), wrong.c_str(), CheckByteOf(m)) == 0;
    }
    EXPECT_LT(accepted, 20);
}

TEST(ZipCryptoTest, BulkDecryptionEqualsByteByByteInAnyPieces) {
    const Bytes data = RandomBytes(70000, 21);
    ZipCryptoKeys start;
    ZipCryptoInitKeys(start, "p\xE4ssw\x83\x70rd");  // non-ASCII bytes as a code page gives them
    ZipCryptoKeys reference = start;
    Bytes expected = data;
    for (auto& b : expected)
        b = ZipCryptoDecryptByte(reference, b);

    for (const std::size_t piece : {1u, 7u, 12u, 32768u, 70000u}) {
        ZipCryptoKeys keys = start;
        Bytes actual = data;
        for (std::size_t at = 0; at < actual.size(); at += piece) {
            ZipCryptoDecrypt(keys, actual.data() + at, std::min(piece, actual.size() - at));
        }
        EXPECT_EQ(actual, expected) << piece;
        EXPECT_EQ(keys.key0, reference.key0);
        EXPECT_EQ(keys.key1, reference.key1);
        EXPECT_EQ(keys.key2, reference.key2);
    }
}

TEST(ZipCryptoTest, StreamByteLeavesTheKeysAndDecryptByteUsesIt) {
    ZipCryptoKeys keys;
    ZipCryptoInitKeys(keys, "abc");
    const ZipCryptoKeys before = keys;
    const std::uint8_t stream = ZipCryptoStreamByte(keys);
    EXPECT_EQ(keys.key2, before.key2);
    EXPECT_EQ(ZipCryptoDecryptByte(keys, 0x5A), 0x5A ^ stream);
    ZipCryptoKeys updated = before;
    ZipCryptoUpdateKeys(updated, static_cast<std::uint8_t>(0x5A ^ stream));
    EXPECT_EQ(keys.key0, updated.key0);
    EXPECT_EQ(keys.key1, updated.key1);
    EXPECT_EQ(keys.key2, updated.key2);
}

TEST(ZipCryptoTest, WorksAgainAfterTheCrcTableIsReleased) {
    ZipCryptoKeys a, b;
    ZipCryptoInitKeys(a, "Secret");
    Crc32Release();
    ZipCryptoInitKeys(b, "Secret");
    EXPECT_EQ(a.key0, b.key0);
    EXPECT_EQ(a.key2, b.key2);
}

}  // namespace
}  // namespace quillory
