// ZIP AES: members made by 7-Zip with all three key sizes decrypt and authenticate on
// every path; any split of the data gives the same plaintext and code as the byte-by-
// byte definition; an all-zero context passes data through; set-up's refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/checksums.h"
#include "crypto/zip_aes.h"
#include "tests/crypto/crypto_paths.h"
#include "tests/crypto/fixture_member.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::RandomBytes;
using testing::ToBytes;

class ZipAesTest : public testing::CryptoPathTest {};
QUILLORY_ON_EVERY_CRYPTO_PATH(ZipAesTest);

ZipAesContext SetUpContext(int mode, const std::string& password, const Bytes& salt,
                           Bytes* verifier = nullptr) {
    ZipAesContext c{};
    std::uint8_t v[2];
    const Bytes p = ToBytes(password);
    EXPECT_EQ(ZipAesSetup(mode, p.data(), p.size(), salt.data(), v, c), 0);
    if (verifier != nullptr) *verifier = Bytes(v, v + 2);
    return c;
}

// The data step by its definition: authenticate the stored bytes, then XOR byte by byte
// with keystream blocks made one at a time from the incremented counter.
void ReferenceDecrypt(Bytes& data, ZipAesContext& c) {
    HmacSha1AddData(c.authenticator, data.data(), data.size());
    for (auto& b : data) {
        if (c.keystreamPosition == 16) {
            for (int i = 0; i < 8 && ++c.counter[i] == 0; ++i) {
            }
            AesEncryptBlock(c.counter, c.keystream, c.cipher);
            c.keystreamPosition = 0;
        }
        b ^= c.keystream[c.keystreamPosition++];
    }
}

Bytes Code(ZipAesContext& c) {
    Bytes code(kZipAesCodeBytes);
    EXPECT_EQ(ZipAesFinish(code.data(), c), 10);
    return code;
}

TEST_P(ZipAesTest, SevenZipMembersOfEveryStrengthDecryptAndAuthenticate) {
    for (const char* name : {"aes128-7zip.zip", "aes192-7zip.zip", "aes256-7zip.zip"}) {
        const testing::FixtureMember m = testing::ReadFixtureMember(name);
        const int mode = m.aesStrength;
        ASSERT_GE(mode, 1) << name;
        const std::size_t salt = ZipAesSaltBytes(mode);
        ASSERT_EQ(m.data.size(), salt + 2 + testing::kFixturePlainSize + kZipAesCodeBytes);
        const Bytes saltBytes(m.data.begin(), m.data.begin() + salt);
        const Bytes storedVerifier(m.data.begin() + salt, m.data.begin() + salt + 2);
        Bytes data(m.data.begin() + salt + 2, m.data.end() - kZipAesCodeBytes);
        const Bytes storedCode(m.data.end() - kZipAesCodeBytes, m.data.end());

        Bytes verifier;
        ZipAesContext c = SetUpContext(mode, testing::kFixturePassword, saltBytes, &verifier);
        EXPECT_EQ(verifier, storedVerifier) << name;
        ZipAesDecrypt(data.data(), data.size(), c);
        EXPECT_EQ(Crc32Update(0, data.data(), data.size()), testing::kFixturePlainCrc) << name;
        EXPECT_EQ(Code(c), storedCode) << name;

        SetUpContext(mode, "secret", saltBytes, &verifier);
        EXPECT_NE(verifier, storedVerifier) << "a wrong password passes 1 time in 65536";
    }
}

TEST_P(ZipAesTest, AnySplitEqualsOneCallAndTheDefinition) {
    const Bytes salt = RandomBytes(16, 2);
    const Bytes stored = RandomBytes(100003, 3);
    for (const int mode : {1, 2, 3}) {
        ZipAesContext reference = SetUpContext(mode, "pw", salt);
        Bytes expected = stored;
        ReferenceDecrypt(expected, reference);
        const Bytes expectedCode = Code(reference);

        // Piece patterns: fixed sizes, and mixtures that leave the keystream part used.
        for (const auto& pieces : {std::vector<std::size_t>{1},
                                   {15},
                                   {16},
                                   {17},
                                   {32768},
                                   {100003},
                                   {1, 15, 16, 17, 31},
                                   {5, 32768, 11, 48}}) {
            ZipAesContext c = SetUpContext(mode, "pw", salt);
            Bytes data = stored;
            for (std::size_t at = 0, k = 0; at < data.size(); ++k) {
                const std::size_t n = std::min(pieces[k % pieces.size()], data.size() - at);
                ZipAesDecrypt(data.data() + at, n, c);
                at += n;
            }
            ASSERT_EQ(data, expected) << mode << " " << pieces[0];
            ASSERT_EQ(Code(c), expectedCode);
        }
    }
}

TEST_P(ZipAesTest, AllZeroContextPassesDataThrough) {
    const Bytes stored = RandomBytes(40000, 4);
    for (const std::size_t piece : {1u, 17u, 32768u, 40000u}) {
        ZipAesContext c{};
        Bytes data = stored;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            ZipAesDecrypt(data.data() + at, std::min(piece, data.size() - at), c);
        }
        EXPECT_EQ(data, stored) << piece;
        Code(c);  // harmless; nobody uses it
    }
}

TEST(ZipAesSetupTest, RefusalsInTheirOrderChangeNothing) {
    const Bytes salt = RandomBytes(16, 5);
    const Bytes longest(128, 'p'), tooLong(129, 'p');
    struct Case {
        int mode;
        const Bytes* password;
        int result;
    };
    for (const Case& k : {Case{1, &longest, 0}, Case{3, &longest, 0}, Case{2, &tooLong, -100},
                          Case{0, &tooLong, -100}, Case{0, &longest, -101}, Case{4, &longest, -101},
                          Case{-1, &longest, -101}}) {
        ZipAesContext c;
        std::memset(&c, 0x77, sizeof c);
        std::uint8_t verifier[2] = {0x77, 0x77};
        EXPECT_EQ(
            ZipAesSetup(k.mode, k.password->data(), k.password->size(), salt.data(), verifier, c),
            k.result)
            << k.mode << " " << k.password->size();
        if (k.result != 0) {
            ZipAesContext untouched;
            std::memset(&untouched, 0x77, sizeof untouched);
            EXPECT_EQ(std::memcmp(&c, &untouched, sizeof c), 0);
            EXPECT_EQ(verifier[0], 0x77);
            EXPECT_EQ(verifier[1], 0x77);
        } else {
            EXPECT_EQ(c.mode, static_cast<std::uint32_t>(k.mode));
            EXPECT_EQ(c.passwordLength, 128u);
            EXPECT_EQ(c.keystreamPosition, 16u);
        }
    }
}

TEST(ZipAesSetupTest, SetupOverAUsedContextStartsAfresh) {
    const Bytes salt = RandomBytes(8, 6);
    const Bytes stored = RandomBytes(100, 7);
    ZipAesContext fresh = SetUpContext(1, "pw", salt);
    Bytes expected = stored;
    ZipAesDecrypt(expected.data(), expected.size(), fresh);

    ZipAesContext used = SetUpContext(3, "other", RandomBytes(16, 8));
    Bytes junk = RandomBytes(37, 9);
    ZipAesDecrypt(junk.data(), junk.size(), used);
    std::uint8_t verifier[2];
    const Bytes p = ToBytes("pw");
    ASSERT_EQ(ZipAesSetup(1, p.data(), p.size(), salt.data(), verifier, used), 0);
    Bytes data = stored;
    ZipAesDecrypt(data.data(), data.size(), used);
    EXPECT_EQ(data, expected);
    EXPECT_EQ(Code(used), Code(fresh));
}

}  // namespace
}  // namespace quillory
