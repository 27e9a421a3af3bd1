// SHA-1, HMAC-SHA1 and PBKDF2 on the published vectors (FIPS 180, RFC 2202, RFC 6070),
// on every path, plus the properties callers rely on: any split of the input, keys in
// pieces, a refused late key, cut outputs, and the fast PBKDF2 loop agreeing with the
// plain HMAC chain.
#include <gtest/gtest.h>

#include <string>

#include "crypto/hmac_sha1.h"
#include "crypto/pbkdf2.h"
#include "crypto/sha1.h"
#include "tests/crypto/crypto_paths.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RandomBytes;
using testing::ToBytes;

Bytes Sha1(const Bytes& data) {
    Sha1Context c;
    Sha1Init(c);
    Sha1Add(c, data.data(), data.size());
    Bytes digest(kSha1DigestBytes);
    Sha1Finish(c, digest.data());
    return digest;
}

Bytes Hmac(const Bytes& key, const Bytes& data, std::size_t outLength = kSha1DigestBytes) {
    HmacSha1Context c;
    HmacSha1Init(c);
    EXPECT_EQ(HmacSha1AddKey(c, key.data(), key.size()), 0);
    HmacSha1AddData(c, data.data(), data.size());
    Bytes out(outLength);
    HmacSha1Finish(c, out.data(), outLength);
    return out;
}

// HMAC as RFC 2104 writes it, over the SHA-1 above.
Bytes ReferenceHmac(Bytes key, const Bytes& data) {
    if (key.size() > kSha1BlockBytes) key = Sha1(key);
    key.resize(kSha1BlockBytes, 0);
    Bytes inner = key, outer = key;
    for (auto& b : inner)
        b ^= 0x36;
    for (auto& b : outer)
        b ^= 0x5C;
    inner.insert(inner.end(), data.begin(), data.end());
    const Bytes innerDigest = Sha1(inner);
    outer.insert(outer.end(), innerDigest.begin(), innerDigest.end());
    return Sha1(outer);
}

// PBKDF2 as RFC 2898 writes it: every U a full HMAC.
Bytes ReferencePbkdf2(const Bytes& password, const Bytes& salt, unsigned iterations,
                      std::size_t length) {
    Bytes out;
    for (std::uint32_t i = 1; out.size() < length; ++i) {
        Bytes u = salt;
        for (int shift = 24; shift >= 0; shift -= 8)
            u.push_back(static_cast<std::uint8_t>(i >> shift));
        Bytes sum(kSha1DigestBytes, 0);
        for (unsigned j = 0; j < iterations; ++j) {
            u = ReferenceHmac(password, u);
            for (std::size_t k = 0; k < sum.size(); ++k)
                sum[k] ^= u[k];
        }
        out.insert(out.end(), sum.begin(), sum.end());
    }
    out.resize(length);
    return out;
}

Bytes Pbkdf2(const Bytes& password, const Bytes& salt, unsigned iterations, std::size_t length) {
    Bytes out(length);
    Pbkdf2HmacSha1(password.data(), password.size(), salt.data(), salt.size(), iterations,
                   out.data(), out.size());
    return out;
}

class Sha1Test : public testing::CryptoPathTest {};
QUILLORY_ON_EVERY_CRYPTO_PATH(Sha1Test);

TEST_P(Sha1Test, PublishedDigests) {
    EXPECT_EQ(Sha1(ToBytes("abc")), Hex("a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d"));
    EXPECT_EQ(Sha1({}), Hex("da39a3ee 5e6b4b0d 3255bfef 95601890 afd80709"));
    EXPECT_EQ(Sha1(ToBytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              Hex("84983e44 1c3bd26e baae4aa1 f95129e5 e54670f1"));
}

TEST_P(Sha1Test, OneMillionLettersAInUnevenPieces) {
    const Bytes a(1000000, 'a');
    Sha1Context c;
    Sha1Init(c);
    std::size_t done = 0;
    for (std::size_t piece = 1; done < a.size(); piece = piece * 3 % 1000 + 1) {
        const std::size_t n = std::min(piece, a.size() - done);
        Sha1Add(c, a.data() + done, n);
        done += n;
    }
    Bytes digest(kSha1DigestBytes);
    Sha1Finish(c, digest.data());
    EXPECT_EQ(digest, Hex("34aa973c d4c4daa4 f61eeb2b dbad2731 6534016f"));
    EXPECT_EQ(c.countLow, 1000000u);
}

TEST_P(Sha1Test, EveryLengthAroundThePaddingAgreesWithThePortablePath) {
    const Bytes data = RandomBytes(300, 5);
    std::vector<Bytes> digests;
    for (std::size_t n = 0; n <= data.size(); ++n) {
        digests.push_back(Sha1(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n))));
    }
    detail::SelectSha1Path(&detail::Sha1PortablePath());
    for (std::size_t n = 0; n <= data.size(); ++n) {
        ASSERT_EQ(digests[n],
                  Sha1(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n))))
            << n;
    }
}

TEST_P(Sha1Test, TransformIsOneCompressionOfTheInitialState) {
    // "abc" padded by hand: one block, length 24 bits.
    std::uint8_t block[64] = {'a', 'b', 'c', 0x80};
    block[63] = 24;
    std::uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    Sha1Transform(state, block);
    EXPECT_EQ(state[0], 0xA9993E36u);
    EXPECT_EQ(state[4], 0x9CD0D89Du);
}

TEST_P(Sha1Test, ByteCountCarriesIntoTheHighWord) {
    Sha1Context c;
    Sha1Init(c);
    c.countLow = 0xFFFFFFC0;  // 64 bytes short of 2^32, at a block boundary
    const Bytes block(64, 'x');
    Sha1Add(c, block.data(), block.size());
    EXPECT_EQ(c.countLow, 0u);
    EXPECT_EQ(c.countHigh, 1u);
}

class HmacSha1Test : public testing::CryptoPathTest {};
QUILLORY_ON_EVERY_CRYPTO_PATH(HmacSha1Test);

TEST_P(HmacSha1Test, Rfc2202Cases) {
    EXPECT_EQ(Hmac(Bytes(20, 0x0B), ToBytes("Hi There")),
              Hex("b617318655057264e28bc0b6fb378c8ef146be00"));
    EXPECT_EQ(Hmac(ToBytes("Jefe"), ToBytes("what do ya want for nothing?")),
              Hex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
    EXPECT_EQ(Hmac(Bytes(20, 0xAA), Bytes(50, 0xDD)),
              Hex("125d7342b9ac11cd91a39af48aa17b4f63f175d3"));
    EXPECT_EQ(Hmac(Hex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xCD)),
              Hex("4c9007f4026250c6bc8414f9bf50c86c2d7235da"));
    EXPECT_EQ(Hmac(Bytes(20, 0x0C), ToBytes("Test With Truncation")),
              Hex("4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"));
    EXPECT_EQ(Hmac(Bytes(20, 0x0C), ToBytes("Test With Truncation"), 12),
              Hex("4c1a03424b55e07fe7f27be1"));
    EXPECT_EQ(
        Hmac(Bytes(80, 0xAA), ToBytes("Test Using Larger Than Block-Size Key - Hash Key First")),
        Hex("aa4ae5e15272d00e95705637ce8a3b55ed402112"));
    EXPECT_EQ(Hmac(Bytes(80, 0xAA), ToBytes("Test Using Larger Than Block-Size Key and Larger "
                                            "Than One Block-Size Data")),
              Hex("e8e99d0f45237d786d6bbaa7965c7808bbff1a91"));
}

TEST_P(HmacSha1Test, KeysAroundTheBlockSizeMatchTheDefinition) {
    const Bytes data = RandomBytes(200, 9);
    for (const std::size_t keyLength : {0u, 1u, 63u, 64u, 65u, 128u, 300u}) {
        const Bytes key = RandomBytes(keyLength, static_cast<std::uint32_t>(keyLength) + 1);
        EXPECT_EQ(Hmac(key, data), ReferenceHmac(key, data)) << keyLength;
    }
}

TEST_P(HmacSha1Test, KeyInPiecesEqualsTheWholeKey) {
    const Bytes key = RandomBytes(150, 3);
    const Bytes data = ToBytes("message");
    // Cuts that stay inside one block, cross it, and add to an already hashed key.
    for (const auto& cuts : {std::vector<std::size_t>{30, 30},
                             {40, 40},
                             {64, 1},
                             {70, 10},
                             {1, 1, 1, 97},
                             {10, 0, 54, 86}}) {
        HmacSha1Context c;
        HmacSha1Init(c);
        std::size_t done = 0;
        for (const std::size_t cut : cuts) {
            ASSERT_EQ(HmacSha1AddKey(c, key.data() + done, cut), 0);
            done += cut;
        }
        HmacSha1AddData(c, data.data(), data.size());
        Bytes mac(kSha1DigestBytes);
        HmacSha1Finish(c, mac.data(), mac.size());
        EXPECT_EQ(mac,
                  Hmac(Bytes(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(done)), data))
            << done;
    }
}

TEST_P(HmacSha1Test, KeyAfterDataIsRefusedAndChangesNothing) {
    const Bytes key = ToBytes("key"), data = ToBytes("data");
    HmacSha1Context c;
    HmacSha1Init(c);
    HmacSha1AddKey(c, key.data(), key.size());
    HmacSha1AddData(c, data.data(), data.size());
    EXPECT_EQ(HmacSha1AddKey(c, key.data(), key.size()), -1);
    Bytes mac(kSha1DigestBytes);
    HmacSha1Finish(c, mac.data(), mac.size());
    EXPECT_EQ(mac, Hmac(key, data));
}

TEST_P(HmacSha1Test, FinishWithoutDataAndOversizedOutput) {
    HmacSha1Context c;
    HmacSha1Init(c);
    Bytes out(30, 0xEE);
    HmacSha1Finish(c, out.data(), out.size());  // empty key, empty message
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 20), ReferenceHmac({}, {}));
    EXPECT_EQ(Bytes(out.begin() + 20, out.end()), Bytes(10, 0xEE));  // nothing past 20 bytes
}

class Pbkdf2Test : public testing::CryptoPathTest {};
QUILLORY_ON_EVERY_CRYPTO_PATH(Pbkdf2Test);

TEST_P(Pbkdf2Test, Rfc6070Cases) {
    const Bytes password = ToBytes("password"), salt = ToBytes("salt");
    EXPECT_EQ(Pbkdf2(password, salt, 1, 20), Hex("0c60c80f961f0e71f3a9b524af6012062fe037a6"));
    EXPECT_EQ(Pbkdf2(password, salt, 2, 20), Hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"));
    EXPECT_EQ(Pbkdf2(password, salt, 4096, 20), Hex("4b007901b765489abead49d926f721d065a429c1"));
    EXPECT_EQ(Pbkdf2(ToBytes("passwordPASSWORDpassword"),
                     ToBytes("saltSALTsaltSALTsaltSALTsaltSALTsalt"), 4096, 25),
              Hex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"));
    EXPECT_EQ(Pbkdf2(Bytes{'p', 'a', 's', 's', 0, 'w', 'o', 'r', 'd'}, Bytes{'s', 'a', 0, 'l', 't'},
                     4096, 16),
              Hex("56fa6aa75548099dcc37d7f03425e0c3"));
}

// About 2 * 16.7 million compressions: registered, run on request only
// (--gtest_also_run_disabled_tests).
TEST_P(Pbkdf2Test, DISABLED_Rfc6070SixteenMillionIterations) {
    EXPECT_EQ(Pbkdf2(ToBytes("password"), ToBytes("salt"), 16777216, 20),
              Hex("eefe3d61cd4da4e4e9945b3d6ba2158c2634e984"));
}

TEST_P(Pbkdf2Test, FastLoopMatchesTheHmacChain) {
    for (const std::size_t passwordLength : {0u, 5u, 64u, 65u, 129u}) {
        const Bytes password = RandomBytes(passwordLength, 17);
        const Bytes salt = RandomBytes(passwordLength % 3 == 0 ? 16 : 8, 19);
        for (const unsigned iterations : {1u, 2u, 3u, 37u}) {
            EXPECT_EQ(Pbkdf2(password, salt, iterations, 66),
                      ReferencePbkdf2(password, salt, iterations, 66))
                << passwordLength << " " << iterations;
        }
    }
}

TEST_P(Pbkdf2Test, ZipAesLengthsAreCutFromTheLastBlock) {
    const Bytes password = ToBytes("secret"), salt = RandomBytes(16, 1);
    const Bytes full = Pbkdf2(password, salt, 1000, 80);
    for (const std::size_t length : {1u, 19u, 20u, 21u, 34u, 50u, 66u}) {
        EXPECT_EQ(Pbkdf2(password, salt, 1000, length),
                  Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)))
            << length;
    }
}

TEST_P(Pbkdf2Test, EmptyOutputAndZeroIterations) {
    std::uint8_t out[21];
    std::fill(std::begin(out), std::end(out), 0xEE);
    Pbkdf2HmacSha1(nullptr, 0, nullptr, 0, 1000, out, 0);
    EXPECT_EQ(out[0], 0xEE);
    Pbkdf2HmacSha1(nullptr, 0, nullptr, 0, 0, out, 21);
    EXPECT_EQ(Bytes(std::begin(out), std::end(out)), Bytes(21, 0));
}

}  // namespace
}  // namespace quillory
