// Runs a test on every implementation the CPU offers: the portable code always, the
// hardware instructions (AES-NI, SHA) when present. The parameter selects both the AES
// and the SHA-1 path for the public functions, and the selection is undone afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/aes.h"
#include "crypto/sha1.h"

namespace quillory::testing {

enum class CryptoPath { Portable, Hardware };

class CryptoPathTest : public ::testing::TestWithParam<CryptoPath> {
protected:
    void SetUp() override {
        if (GetParam() == CryptoPath::Portable) {
            detail::SelectAesPath(&detail::AesPortablePath());
            detail::SelectSha1Path(&detail::Sha1PortablePath());
            return;
        }
        const detail::AesPath* aes = detail::AesHardwarePath();
        const detail::Sha1Path* sha1 = detail::Sha1HardwarePath();
        if (aes == nullptr && sha1 == nullptr) GTEST_SKIP() << "no AES or SHA instructions";
        detail::SelectAesPath(aes != nullptr ? aes : &detail::AesPortablePath());
        detail::SelectSha1Path(sha1 != nullptr ? sha1 : &detail::Sha1PortablePath());
    }
    void TearDown() override {
        detail::SelectAesPath(nullptr);
        detail::SelectSha1Path(nullptr);
    }
};

inline std::string PathName(const ::testing::TestParamInfo<CryptoPath>& info) {
    return info.param == CryptoPath::Portable ? "Portable" : "Hardware";
}

#define QUILLORY_ON_EVERY_CRYPTO_PATH(suite)                                               \
    INSTANTIATE_TEST_SUITE_P(Paths, suite,                                                 \
                             ::testing::Values(::quillory::testing::CryptoPath::Portable,  \
                                               ::quillory::testing::CryptoPath::Hardware), \
                             ::quillory::testing::PathName)

// Bytes from hexadecimal text; spaces are ignored.
inline std::vector<std::uint8_t> Hex(std::string_view text) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (const char c : text) {
        int v;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

}  // namespace quillory::testing
