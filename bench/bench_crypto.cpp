// The ciphers and hashes against OpenSSL's libcrypto on 1 MiB in cache: AES-128/256
// counter mode, SHA-1, HMAC-SHA1, PBKDF2-HMAC-SHA1 at 1000 iterations (34 and 66 bytes,
// the AES-128 and AES-256 derivations of ZIP AES: 2 and 4 SHA-1 blocks; with the time
// and cycles per iteration beside PKCS5_PBKDF2_HMAC's), the whole ZIP AES data step, and
// the traditional ZIP cipher in bulk and byte by byte. "Portable" rows force our
// portable paths; to compare them with OpenSSL's code without AES-NI and SHA, run with
// OPENSSL_ia32cap='~0x200000000000000:~0x20000000'.
// Run: build/bench/bench_crypto
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <x86intrin.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <vector>

#include "bench/bench_support.h"
#include "crypto/aes.h"
#include "crypto/hmac_sha1.h"
#include "crypto/pbkdf2.h"
#include "crypto/sha1.h"
#include "crypto/zip_aes.h"
#include "crypto/zip_crypto.h"

namespace {

using namespace quillory;

constexpr std::size_t kBytes = 1024 * 1024;
constexpr std::uint8_t kKey[32] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                   17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
constexpr std::uint8_t kPassword[] = "correct horse battery";
constexpr std::uint8_t kSalt[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

std::vector<std::uint8_t>& Data() {
    static std::vector<std::uint8_t> data = quillory::bench::PseudoRandomBytes(kBytes);
    return data;
}

// Forces our portable paths for the life of the object.
class PortableScope {
public:
    explicit PortableScope(bool portable) : portable_(portable) {
        if (portable_) {
            detail::SelectAesPath(&detail::AesPortablePath());
            detail::SelectSha1Path(&detail::Sha1PortablePath());
        }
    }
    ~PortableScope() {
        detail::SelectAesPath(nullptr);
        detail::SelectSha1Path(nullptr);
    }
    PortableScope(const PortableScope&) = delete;
    PortableScope& operator=(const PortableScope&) = delete;

private:
    bool portable_;
};

void Throughput(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---- AES counter mode

void OursAesCtr(benchmark::State& state, unsigned keyBytes, bool portable) {
    const PortableScope scope(portable);
    AesKeySchedule schedule;
    AesExpandKey(kKey, keyBytes, schedule);
    std::uint8_t counter[16] = {}, keystream[16];
    auto& d = Data();
    for (auto _ : state) {
        AesCtrXorBlocks(schedule, counter, keystream, d.data(), d.size() / kAesBlockBytes);
        benchmark::ClobberMemory();
    }
    Throughput(state, d.size());
}

void OpensslAesCtr(benchmark::State& state, const EVP_CIPHER* cipher) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const std::uint8_t iv[16] = {};
    EVP_EncryptInit_ex(ctx, cipher, nullptr, kKey, iv);
    auto& d = Data();
    int outLength = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(ctx, d.data(), &outLength, d.data(), static_cast<int>(d.size()));
        benchmark::ClobberMemory();
    }
    EVP_CIPHER_CTX_free(ctx);
    Throughput(state, d.size());
}

void Aes128CtrQuillory(benchmark::State& s) {
    OursAesCtr(s, 16, false);
}
void Aes128CtrQuilloryPortable(benchmark::State& s) {
    OursAesCtr(s, 16, true);
}
void Aes128CtrOpenssl(benchmark::State& s) {
    OpensslAesCtr(s, EVP_aes_128_ctr());
}
void Aes256CtrQuillory(benchmark::State& s) {
    OursAesCtr(s, 32, false);
}
void Aes256CtrQuilloryPortable(benchmark::State& s) {
    OursAesCtr(s, 32, true);
}
void Aes256CtrOpenssl(benchmark::State& s) {
    OpensslAesCtr(s, EVP_aes_256_ctr());
}

// ---- SHA-1 and HMAC-SHA1

void OursSha1(benchmark::State& state, bool portable) {
    const PortableScope scope(portable);
    auto& d = Data();
    std::uint8_t digest[20];
    for (auto _ : state) {
        Sha1Context c;
        Sha1Init(c);
        Sha1Add(c, d.data(), d.size());
        Sha1Finish(c, digest);
        benchmark::DoNotOptimize(digest);
    }
    Throughput(state, d.size());
}

void Sha1Quillory(benchmark::State& s) {
    OursSha1(s, false);
}
void Sha1QuilloryPortable(benchmark::State& s) {
    OursSha1(s, true);
}
void Sha1Openssl(benchmark::State& state) {
    auto& d = Data();
    unsigned char digest[20];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_Digest(d.data(), d.size(), digest, &length, EVP_sha1(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    Throughput(state, d.size());
}

void OursHmac(benchmark::State& state, bool portable) {
    const PortableScope scope(portable);
    auto& d = Data();
    std::uint8_t mac[20];
    for (auto _ : state) {
        HmacSha1Context c;
        HmacSha1Init(c);
        HmacSha1AddKey(c, kKey, 32);
        HmacSha1AddData(c, d.data(), d.size());
        HmacSha1Finish(c, mac, sizeof mac);
        benchmark::DoNotOptimize(mac);
    }
    Throughput(state, d.size());
}

// An HMAC-SHA1 context of OpenSSL's EVP_MAC interface, keyed afresh per message.
class OpensslHmac {
public:
    OpensslHmac() : mac_(EVP_MAC_fetch(nullptr, "HMAC", nullptr)), ctx_(EVP_MAC_CTX_new(mac_)) {}
    ~OpensslHmac() {
        EVP_MAC_CTX_free(ctx_);
        EVP_MAC_free(mac_);
    }
    OpensslHmac(const OpensslHmac&) = delete;
    OpensslHmac& operator=(const OpensslHmac&) = delete;

    void Init(const std::uint8_t* key, std::size_t keyLength) {
        char digest[] = "SHA1";
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_end()};
        EVP_MAC_init(ctx_, key, keyLength, params);
    }
    void Update(const std::uint8_t* data, std::size_t length) {
        EVP_MAC_update(ctx_, data, length);
    }
    void Final(std::uint8_t* out) {
        std::size_t length = 0;
        EVP_MAC_final(ctx_, out, &length, 20);
    }

private:
    EVP_MAC* mac_;
    EVP_MAC_CTX* ctx_;
};

void HmacSha1Quillory(benchmark::State& s) {
    OursHmac(s, false);
}
void HmacSha1QuilloryPortable(benchmark::State& s) {
    OursHmac(s, true);
}
void HmacSha1Openssl(benchmark::State& state) {
    auto& d = Data();
    OpensslHmac hmac;
    std::uint8_t mac[20];
    for (auto _ : state) {
        hmac.Init(kKey, 32);
        hmac.Update(d.data(), d.size());
        hmac.Final(mac);
        benchmark::DoNotOptimize(mac);
    }
    Throughput(state, d.size());
}

// ---- PBKDF2-HMAC-SHA1, 1000 iterations

// Time per iteration (of the whole derivation: every output block's inner and outer
// compression) in CPU time, and as cycles: that CPU time at the time-stamp counter's
// rate over the run, so that time the thread spent waiting on a busy machine does not
// count.
class PerIteration {
public:
    explicit PerIteration(benchmark::State& state)
        : state_(state), cpu_(ThreadCpuSeconds()), wall_(Now()), ticks_(__rdtsc()) {}
    ~PerIteration() {
        const double ticksPerSecond = static_cast<double>(__rdtsc() - ticks_) / (Now() - wall_);
        const double count = static_cast<double>(state_.iterations()) * kZipAesIterations;
        const double seconds = (ThreadCpuSeconds() - cpu_) / count;
        state_.counters["ns/iteration"] = seconds * 1e9;
        state_.counters["cycles/iteration"] = seconds * ticksPerSecond;
    }
    PerIteration(const PerIteration&) = delete;
    PerIteration& operator=(const PerIteration&) = delete;

private:
    static double ThreadCpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
    static double Now() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    benchmark::State& state_;
    double cpu_, wall_;
    std::uint64_t ticks_;
};

void OursPbkdf2(benchmark::State& state, bool portable) {
    const PortableScope scope(portable);
    const auto length = static_cast<std::size_t>(state.range(0));
    std::uint8_t out[66];
    const PerIteration perIteration(state);
    for (auto _ : state) {
        Pbkdf2HmacSha1(kPassword, sizeof kPassword - 1, kSalt, 16, kZipAesIterations, out, length);
        benchmark::DoNotOptimize(out);
    }
}

void Pbkdf2Quillory(benchmark::State& s) {
    OursPbkdf2(s, false);
}
void Pbkdf2QuilloryPortable(benchmark::State& s) {
    OursPbkdf2(s, true);
}
void Pbkdf2Openssl(benchmark::State& state) {
    const auto length = static_cast<int>(state.range(0));
    unsigned char out[66];
    const PerIteration perIteration(state);
    for (auto _ : state) {
        PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(kPassword), sizeof kPassword - 1, kSalt, 16,
                          static_cast<int>(kZipAesIterations), EVP_sha1(), length, out);
        benchmark::DoNotOptimize(out);
    }
}

// ---- The ZIP AES data step: counter mode and HMAC over the same buffer

void OursZipAes(benchmark::State& state, bool portable) {
    const PortableScope scope(portable);
    ZipAesContext context;
    std::uint8_t verifier[2];
    ZipAesSetup(3, kPassword, sizeof kPassword - 1, kSalt, verifier, context);
    auto& d = Data();
    for (auto _ : state) {
        ZipAesDecrypt(d.data(), d.size(), context);
        benchmark::ClobberMemory();
    }
    Throughput(state, d.size());
}

void ZipAes256Quillory(benchmark::State& s) {
    OursZipAes(s, false);
}
void ZipAes256QuilloryPortable(benchmark::State& s) {
    OursZipAes(s, true);
}
void ZipAes256Openssl(benchmark::State& state) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const std::uint8_t iv[16] = {};
    EVP_DecryptInit_ex(ctx, EVP_aes_256_ctr(), nullptr, kKey, iv);
    OpensslHmac hmac;
    hmac.Init(kKey, 32);
    auto& d = Data();
    int outLength = 0;
    for (auto _ : state) {
        hmac.Update(d.data(), d.size());
        if (EVP_DecryptUpdate(ctx, d.data(), &outLength, d.data(), static_cast<int>(d.size())) !=
            1) {
            state.SkipWithError("EVP_DecryptUpdate failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    EVP_CIPHER_CTX_free(ctx);
    Throughput(state, d.size());
}

// ---- The traditional cipher (no peer has it: bulk against the byte-at-a-time call)

void ZipCryptoBulk(benchmark::State& state) {
    ZipCryptoKeys keys;
    ZipCryptoInitKeys(keys, "Secret");
    auto& d = Data();
    for (auto _ : state) {
        ZipCryptoDecrypt(keys, d.data(), d.size());
        benchmark::ClobberMemory();
    }
    Throughput(state, d.size());
}

void ZipCryptoBytewise(benchmark::State& state) {
    ZipCryptoKeys keys;
    ZipCryptoInitKeys(keys, "Secret");
    auto& d = Data();
    for (auto _ : state) {
        for (auto& b : d)
            b = ZipCryptoDecryptByte(keys, b);
        benchmark::ClobberMemory();
    }
    Throughput(state, d.size());
}

BENCHMARK(Aes128CtrQuillory);
BENCHMARK(Aes128CtrQuilloryPortable);
BENCHMARK(Aes128CtrOpenssl);
BENCHMARK(Aes256CtrQuillory);
BENCHMARK(Aes256CtrQuilloryPortable);
BENCHMARK(Aes256CtrOpenssl);
BENCHMARK(Sha1Quillory);
BENCHMARK(Sha1QuilloryPortable);
BENCHMARK(Sha1Openssl);
BENCHMARK(HmacSha1Quillory);
BENCHMARK(HmacSha1QuilloryPortable);
BENCHMARK(HmacSha1Openssl);
BENCHMARK(Pbkdf2Quillory)->Arg(34)->Arg(66)->Unit(benchmark::kMicrosecond);
BENCHMARK(Pbkdf2QuilloryPortable)->Arg(34)->Arg(66)->Unit(benchmark::kMicrosecond);
BENCHMARK(Pbkdf2Openssl)->Arg(34)->Arg(66)->Unit(benchmark::kMicrosecond);
BENCHMARK(ZipAes256Quillory);
BENCHMARK(ZipAes256QuilloryPortable);
BENCHMARK(ZipAes256Openssl);
BENCHMARK(ZipCryptoBulk);
BENCHMARK(ZipCryptoBytewise);

}  // namespace

BENCHMARK_MAIN();
