// The compression methods beyond deflate, by writer, method and cipher: every member of
// the fixtures (7-Zip, Python, hand-built, PKZIP and libarchive samples) and of members
// built here with the libraries as reference encoders comes out byte for byte; then one
// table of damaged and hostile streams per decoder, each checked through the dispatch
// (its result) and inside an archive (the status the reader gives it).
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "common/checksums.h"
#include "crypto/remembered_password.h"
#include "platform/path.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"
#include "tests/zip/deflate_writer.h"
#include "tests/zip/inflate_support.h"
#include "tests/zip/zip_builder.h"
#include "zip/method_decoder.h"
#include "zip/zip_archive.h"
#include "zip/zip_format.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ToBytes;
using zip::MethodResult;
using Q = testing::RecordingCallback::Question;

enum class Cipher { None, Traditional, Aes };

fs::path ZipFixtures() {
    return testing::FixturesDir() / "zip";
}

// The raw data of a member stored in the clear, found by name in a fixture.
Bytes RawMember(const std::string& fixture, const std::string& name) {
    const Bytes d = testing::ReadHostFile(ZipFixtures() / fixture);
    using zip::format::Le16;
    using zip::format::Le32;
    for (std::size_t at = 0; at + 30 <= d.size(); ++at) {
        if (Le32(&d[at]) != zip::format::kLocalHeaderSignature) continue;
        const std::size_t n = Le16(&d[at + 26]);
        const std::size_t start = at + 30 + n + Le16(&d[at + 28]);
        if (std::string(d.begin() + static_cast<long>(at + 30),
                        d.begin() + static_cast<long>(at + 30 + n)) == name) {
            return Bytes(d.begin() + static_cast<long>(start),
                         d.begin() + static_cast<long>(start + Le32(&d[at + 18])));
        }
    }
    throw std::runtime_error("no member " + name);
}

// Reference encoders: liblzma (raw LZMA1 behind APPNOTE's header, with or without the end
// marker; xz), libbz2 and libzstd.
Bytes Lzma(const Bytes& data, bool endMarker) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 1);
    options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    options.ext_size_low = static_cast<std::uint32_t>(data.size());
    options.ext_size_high = 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    Bytes out = {9, 20, 5, 0,
                 static_cast<std::uint8_t>((options.pb * 5 + options.lp) * 9 + options.lc)};
    testing::Put32(out, options.dict_size);
    const std::size_t header = out.size();
    out.resize(header + data.size() + 1024);
    std::size_t pos = header;
    if (lzma_raw_buffer_encode(filters, nullptr, data.data(), data.size(), out.data(), &pos,
                               out.size()) != LZMA_OK) {
        throw std::runtime_error("lzma");
    }
    out.resize(pos);
    return out;
}
Bytes Xz(const Bytes& data) {
    Bytes out(data.size() + 1024);
    std::size_t pos = 0;
    lzma_easy_buffer_encode(1, LZMA_CHECK_CRC32, nullptr, data.data(), data.size(), out.data(),
                            &pos, out.size());
    out.resize(pos);
    return out;
}
// The xz stream with its first block header's filter id or LZMA2 dictionary byte changed
// (and its CRC-32 made right again).
Bytes XzPatched(const Bytes& data, std::uint8_t filterId, std::uint8_t dictionary) {
    Bytes x = Xz(data);
    constexpr std::size_t kBlock = 12;
    const std::size_t headerBytes = (x[kBlock] + 1u) * 4;
    std::size_t p = kBlock + 2;
    for (const unsigned present : {0x40u, 0x80u}) {
        if ((x[kBlock + 1] & present) == 0) continue;
        while (x[p++] & 0x80) {
        }
    }
    x[p] = filterId;
    x[p + 2] = dictionary;
    testing::Set32(x, kBlock + headerBytes - 4, Crc32Update(0, x.data() + kBlock, headerBytes - 4));
    return x;
}
Bytes Bzip2(const Bytes& data, int level = 9) {
    Bytes out(data.size() + 1024);
    unsigned size = static_cast<unsigned>(out.size());
    BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size,
                             const_cast<char*>(reinterpret_cast<const char*>(data.data())),
                             static_cast<unsigned>(data.size()), level, 0, 0);
    out.resize(size);
    return out;
}
Bytes Zstd(const Bytes& data) {
    Bytes out(ZSTD_compressBound(data.size()));
    out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 19));
    return out;
}
// A zstd frame of one raw block after the given header bytes (after the magic number).
Bytes ZstdFrame(std::initializer_list<std::uint8_t> header) {
    Bytes f = {0x28, 0xB5, 0x2F, 0xFD};
    f.insert(f.end(), header);
    f.insert(f.end(), {0x09, 0x00, 0x00, 'a'});  // last block, raw, 1 byte
    return f;
}

// Streams of the DOS-era methods, a field at a time.
Bytes Codes9(std::initializer_list<std::uint32_t> codes, unsigned bits = 9) {
    testing::DeflateWriter w;
    for (const std::uint32_t c : codes)
        w.Bits(c, bits);
    return w.bytes();
}
// Shrink: `raises` code-size raises (256 then 1) from 9 bits on.
Bytes CodeSizeRaises(unsigned raises) {
    testing::DeflateWriter w;
    for (unsigned bits = 9; bits < 9 + raises; ++bits) {
        w.Bits(256, bits);
        w.Bits(1, bits);
    }
    return w.bytes();
}
// Reduce: follower sets (set j has sets[j] bytes 'A'...), then 8-bit or 1+index items.
Bytes Reduced(const std::vector<unsigned>& sizes, std::initializer_list<std::uint32_t> items,
              unsigned itemBits = 8) {
    testing::DeflateWriter w;
    for (unsigned j = 256; j-- > 0;) {
        const unsigned n = j < sizes.size() ? sizes[j] : 0;
        w.Bits(n, 6);
        for (unsigned i = 0; i < n; ++i)
            w.Bits('A' + i, 8);
    }
    for (const std::uint32_t item : items)
        w.Bits(item, itemBits);
    return w.bytes();
}

const Bytes& Text() {
    static const Bytes text = testing::ReadHostFile(ZipFixtures() / "originals/text.txt");
    return text;
}

// Text, 40 kB of pseudo-random bytes and the text again: three bzip2 blocks at level 1.
const Bytes& Varied() {
    static const Bytes varied = [] {
        Bytes b = Text();
        std::uint32_t x = 1;
        for (int i = 0; i < 40000; ++i)
            b.push_back(static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 24));
        b.insert(b.end(), Text().begin(), Text().end());
        return b;
    }();
    return varied;
}

// Runs around bzip2's first run-length stage: four equal bytes and a count of 0-255 more.
const Bytes& Runs() {
    static const Bytes runs = [] {
        Bytes b;
        std::uint8_t byte = 'a';
        for (const std::size_t n : {1, 4, 5, 8, 258, 259, 260, 263, 1000, 4, 4, 3}) {
            b.insert(b.end(), n, byte);
            if (n != 4) ++byte;  // two runs of four of the same byte in a row too
        }
        return b;
    }();
    return runs;
}

// --- writer, method, cipher ------------------------------------------------------------

struct MethodRow {
    const char* writer;
    std::uint32_t method;
    Cipher cipher;
    const char* fixture;  // a fixture, or null for the member built by `build`
    std::function<testing::ZipMember()> build;
};

testing::ZipMember Built(std::uint16_t method, std::uint16_t flags, Bytes data, Cipher cipher) {
    testing::ZipMember m = testing::StoredMember("text.txt", Text());
    m.method = method;
    m.flags = flags;
    m.data = std::move(data);
    if (cipher == Cipher::Traditional) {
        m.flags |= zip::format::kFlagEncrypted;
        m.data = testing::TraditionalEncrypt(m.data, "quillory",
                                             static_cast<std::uint8_t>(m.plainCrc >> 24));
    }
    return m;
}

const MethodRow kMethodRows[] = {
    {"7-Zip", 14, Cipher::None, "7zz-lzma.zip", {}},
    {"7-Zip", 14, Cipher::Aes, "7zz-lzma-aes256.zip", {}},
    {"7-Zip", 14, Cipher::Traditional, "7zz-lzma-zipcrypto.zip", {}},
    {"7-Zip 7z writer", 14, Cipher::None, "7z-lzma-no-end-marker.zip", {}},
    {"Python", 14, Cipher::None, "python-lzma.zip", {}},
    {"liblzma", 14, Cipher::Traditional, nullptr,
     [] { return Built(14, 0, Lzma(Text(), false), Cipher::Traditional); }},
    {"liblzma", 14, Cipher::None, nullptr,
     [] { return Built(14, 0x0002, Lzma(Text(), true), Cipher::None); }},
    {"7-Zip", 12, Cipher::None, "7zz-bzip2.zip", {}},
    {"7-Zip", 12, Cipher::Aes, "7zz-bzip2-aes256.zip", {}},
    {"7-Zip", 12, Cipher::Traditional, "7zz-bzip2-zipcrypto.zip", {}},
    {"Python", 12, Cipher::None, "python-bzip2.zip", {}},
    {"libbz2", 12, Cipher::Traditional, nullptr,
     [] { return Built(12, 0, Bzip2(Text()), Cipher::Traditional); }},
    {"7-Zip", 98, Cipher::None, "7zz-ppmd.zip", {}},
    {"7-Zip", 98, Cipher::Aes, "7zz-ppmd-aes256.zip", {}},
    {"7-Zip", 98, Cipher::Traditional, "7zz-ppmd-zipcrypto.zip", {}},
    {"7-Zip, model restarts", 98, Cipher::None, "7zz-ppmd-restart.zip", {}},
    {"7-Zip, model cut off", 98, Cipher::None, "7zz-ppmd-cutoff.zip", {}},
    {"7-Zip", 95, Cipher::None, "7zz-xz.zip", {}},
    {"7-Zip", 95, Cipher::Aes, "7zz-xz-aes256.zip", {}},
    {"7-Zip", 95, Cipher::Traditional, "7zz-xz-zipcrypto.zip", {}},
    {"Python lzma", 95, Cipher::None, "handmade-xz.zip", {}},
    {"Python lzma", 95, Cipher::Traditional, "handmade-xz-encrypted.zip", {}},
    {"zstd", 93, Cipher::None, "handmade-zstd.zip", {}},
    {"zstd", 93, Cipher::Traditional, "handmade-zstd-encrypted.zip", {}},
    {"libzstd", 93, Cipher::Traditional, nullptr,
     [] { return Built(93, 0, Zstd(Text()), Cipher::Traditional); }},
    {"APPNOTE writer", 1, Cipher::None, "handmade-shrink.zip", {}},
    {"APPNOTE writer", 1, Cipher::Traditional, "handmade-shrink-encrypted.zip", {}},
    {"PKZIP 1.10", 1, Cipher::None, "samples/pkzip110-shrink.zip", {}},
    {"APPNOTE writer", 5, Cipher::None, "handmade-reduce.zip", {}},
    {"APPNOTE writer", 2, Cipher::Traditional, "handmade-reduce-encrypted.zip", {}},
    {"PKZIP 0.92", 5, Cipher::None, "samples/pkzip092-reduce4.zip", {}},
    {"APPNOTE writer", 6, Cipher::None, "handmade-implode.zip", {}},
    {"APPNOTE writer", 6, Cipher::Traditional, "handmade-implode-encrypted.zip", {}},
    {"PKZIP 1.10", 6, Cipher::None, "samples/pkzip110-implode.zip", {}},
    {"libarchive's sample", 6, Cipher::None, "samples/libarchive-implode.zip", {}},
};

class MethodsTest : public ::testing::TestWithParam<MethodRow> {};

// Every member with data is of the row's method family, the first of the row's cipher
// (the encrypted fixtures hold one AES member too), and comes out as its original: the
// file of the same name, or in a sample the unencrypted copy.
TEST_P(MethodsTest, EveryMemberComesOutExactly) {
    const MethodRow& row = GetParam();
    testing::TempDir dir;
    testing::RecordingCallback callback;
    callback.passwords.assign(8, u"quillory");
    RememberedPassword password;
    MemberRun run;
    run.callback = &callback;
    run.password = &password;
    run.destFolder = dir.Program("out");
    ZipArchive zip;
    const bool sample =
        row.fixture != nullptr && std::string(row.fixture).rfind("samples/", 0) == 0;
    if (row.fixture != nullptr) {
        ASSERT_TRUE(zip.Open(platform::FromHostPath((ZipFixtures() / row.fixture).string())).ok());
    } else {
        testing::ZipBuilder b;
        b.Add(row.build());
        testing::WriteHostFile(dir.Host("built.zip"), b.Build());
        ASSERT_TRUE(zip.Open(dir.Program("built.zip")).ok());
    }
    bool first = true;
    for (const ZipEntry& e : zip.entries()) {
        const std::string path = platform::WideToUtf8(e.path) + platform::WideToUtf8(e.name);
        SCOPED_TRACE(path);
        const std::uint32_t method = e.aesPresent == 1 ? e.aesMethod : e.method;
        if (e.compressedSize != 0 && method != 0) {
            // Reduce factors 1-4 are methods 2-5.
            EXPECT_EQ(method >= 2 && method <= 5 ? 5u : method,
                      row.method >= 2 && row.method <= 5 ? 5u : row.method);
            if (first) {
                const Cipher cipher = e.aesPresent == 1 ? Cipher::Aes
                                      : (e.flags & zip::format::kFlagEncrypted) != 0
                                          ? Cipher::Traditional
                                          : Cipher::None;
                EXPECT_EQ(cipher, row.cipher);
                first = false;
            }
        }
        for (const bool test : {true, false}) {
            run.testMode = test;
            const Outcome<ZipStatus> outcome = zip.ExtractEntry(e, run);
            ASSERT_TRUE(outcome.ok()) << "status " << static_cast<int>(outcome.status);
        }
        const Bytes out = testing::ReadHostFile(dir.Host("out/" + path));
        EXPECT_EQ(out.size(), e.originalSize);
        if (sample) {
            EXPECT_TRUE(out == testing::ReadHostFile(dir.Host("out/x"))) << "differs from x";
        } else {
            EXPECT_TRUE(out == testing::ReadHostFile(ZipFixtures() / "originals" / path));
        }
    }
    if (sample && row.method == 1) {
        EXPECT_TRUE(testing::ReadHostFile(dir.Host("out/x")) == ToBytes("ababcbababaaaaaaa"));
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, MethodsTest, ::testing::ValuesIn(kMethodRows), [](const auto& p) {
    std::string n = std::to_string(p.index) + "_" + p.param.writer;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

// PKZIP 0.92's reduce and PKZIP 1.10's implode of the same file begin with the same 256
// bytes: the one sample that no peer decodes agrees with one that 7-Zip does.
TEST(MethodSamplesTest, ReducedAndImplodedSamplesAgree) {
    testing::TempDir dir;
    std::vector<Bytes> outs;
    for (const char* name : {"samples/pkzip092-reduce4.zip", "samples/pkzip110-implode.zip"}) {
        ZipArchive zip;
        ASSERT_TRUE(zip.Open(platform::FromHostPath((ZipFixtures() / name).string())).ok());
        MemberRun run;
        run.destFolder = dir.Program();
        run.overwrite = OverwriteRule::Never;
        ASSERT_TRUE(zip.ExtractEntry(zip.entries()[0], run).ok());
        outs.push_back(testing::ReadHostFile(dir.Host("x")));
    }
    ASSERT_EQ(outs[0].size(), 2048u);
    EXPECT_TRUE(Bytes(outs[0].begin(), outs[0].begin() + 256) == outs[1]);
}

// --- damaged and hostile streams -------------------------------------------------------

struct StreamRow {
    const char* what;
    std::uint16_t method;
    std::uint16_t flags;
    std::function<Bytes()> stream;
    std::uint64_t listedSize;
    MethodResult result;
    Bytes output;  // what an Ok row gives
};

Bytes Cut(Bytes b, std::size_t keep) {
    b.resize(keep);
    return b;
}
Bytes Half(Bytes b) {
    return Cut(b, b.size() / 2);
}
Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using R = MethodResult;
const Bytes kAbc = ToBytes("abc");
// One row per stream, one line each.
// clang-format off
const StreamRow kStreamRows[] = {
    // LZMA: APPNOTE's header, the properties, the end marker.
    {"lzma header cut", 14, 0, [] { return Bytes{9, 20, 5}; }, 3, R::DataError, {}},
    {"lzma property size 4", 14, 0, [] { return Bytes{9, 20, 4, 0, 0x5D, 0, 0, 1}; }, 3, R::Unsupported, {}},
    {"lzma dictionary 2 GiB", 14, 0, [] { return Bytes{9, 20, 5, 0, 0x5D, 0, 0, 0, 0x80, 0}; }, 3, R::MemoryLimit, {}},
    {"lzma lc 8 lp 4", 14, 0, [] { return Bytes{9, 20, 5, 0, 44, 0, 0, 1, 0, 0}; }, 3, R::Unsupported, {}},
    {"lzma property byte 225", 14, 0, [] { return Bytes{9, 20, 5, 0, 225, 0, 0, 1, 0, 0}; }, 3, R::DataError, {}},
    {"lzma cut", 14, 0, [] { return Half(Lzma(Text(), false)); }, 90027, R::DataError, {}},
    {"lzma without the announced end marker", 14, 0x0002, [] { return Lzma(kAbc, false); }, 3, R::DataError, {}},
    // 7-Zip refuses this too ("Headers Error"); bsdtar stops at the size.
    {"lzma end marker without the flag", 14, 0, [] { return Lzma(kAbc, true); }, 3, R::DataError, {}},
    // The dictionary is no larger than the listed size: the stream reads as damaged.
    {"lzma past the listed size", 14, 0x0002, [] { return Lzma(Text(), true); }, 100, R::DataError, {}},
    // xz: the stream's own checks, a dictionary or filter from its block header.
    {"xz cut", 95, 0, [] { return Half(Xz(Text())); }, 90027, R::DataError, {}},
    {"xz check damaged", 95, 0, [] { auto x = Xz(kAbc); x[x.size() - 13] ^= 1; return x; }, 3, R::DataError, {}},
    {"xz dictionary 1.5 GiB", 95, 0, [] { return XzPatched(kAbc, 0x21, 37); }, 3, R::MemoryLimit, {}},
    {"xz unknown filter", 95, 0, [] { return XzPatched(kAbc, 0x7F, 0); }, 3, R::Unsupported, {}},
    // bzip2.
    {"bzip2 not a stream", 12, 0, [] { return ToBytes("BZh0....."); }, 3, R::DataError, {}},
    {"bzip2 cut", 12, 0, [] { return Half(Bzip2(Text())); }, 90027, R::DataError, {}},
    {"bzip2 cut in the end record", 12, 0, [] { auto x = Bzip2(kAbc); return Cut(x, x.size() - 2); }, 3, R::DataError, {}},
    {"bzip2 runs", 12, 0, [] { return Bzip2(Runs()); }, Runs().size(), R::Ok, Runs()},
    // The block's CRC follows "BZh9" and the 6-byte block magic.
    {"bzip2 block crc damaged", 12, 0, [] { auto x = Bzip2(kAbc); x[12] ^= 1; return x; }, 3, R::DataError, {}},
    {"bzip2 stream crc damaged", 12, 0, [] { auto x = Bzip2(kAbc); x[x.size() - 2] ^= 1; return x; }, 3, R::DataError, {}},
    {"bzip2 blocks of 100 kB", 12, 0, [] { return Bzip2(Varied(), 1); }, Varied().size(), R::Ok, Varied()},
    {"bzip2 level 1 block past 100 kB", 12, 0, [] { auto x = Bzip2(Varied()); x[3] = '1'; return x; }, Varied().size(), R::DataError, {}},
    // libbz2 stopped at the first stream's end.
    {"bzip2 two streams", 12, 0, [] { return Join(Bzip2(kAbc), Bzip2(kAbc)); }, 3, R::Ok, ToBytes("abc")},
    // Zstandard.
    {"zstd window 2 GiB", 93, 0, [] { return ZstdFrame({0x00, (31 - 10) << 3}); }, 1, R::MemoryLimit, {}},
    {"zstd dictionary needed", 93, 0, [] { return ZstdFrame({0x01, 0x00, 0x05}); }, 1, R::Unsupported, {}},
    {"zstd two frames", 93, 0, [] { return Join(Zstd(kAbc), Zstd(kAbc)); }, 6, R::Ok, ToBytes("abcabc")},
    {"zstd past the listed size", 93, 0, [] { return Zstd(Text()); }, 100, R::OutputFailed, {}},
    {"zstd cut", 93, 0, [] { return Half(Zstd(Text())); }, 90027, R::DataError, {}},
    {"zstd nothing", 93, 0, [] { return Bytes{}; }, 0, R::DataError, {}},
    // PPMd: the parameter word, the coder's data.
    {"ppmd order 1", 98, 0, [] { return Bytes{0x00, 0x00, 0, 0, 0, 0}; }, 1, R::DataError, {}},
    {"ppmd restoration 3", 98, 0, [] { return Bytes{0x07, 0x30, 0, 0, 0, 0}; }, 1, R::Unsupported, {}},
    {"ppmd word only", 98, 0, [] { return Bytes{0x07, 0x00}; }, 10, R::DataError, {}},
    {"ppmd cut", 98, 0, [] { return Half(RawMember("7zz-ppmd.zip", "text.txt")); }, 90027, R::DataError, {}},
    // Shrink: 9-bit codes (256 1 raises the size, 256 2 frees the leaves).
    {"shrink code not in the table", 1, 0, [] { return Codes9({'a', 'b', 456}); }, 3, R::DataError, {}},
    {"shrink control 3", 1, 0, [] { return Codes9({'a', 256, 3}); }, 2, R::DataError, {}},
    {"shrink code size 14", 1, 0, [] { return CodeSizeRaises(5); }, 1, R::DataError, {}},
    // 257 = "ab", 258 = "ba"; cleared, 257 = 257 + "a" names itself.
    {"shrink self-prefixed code", 1, 0, [] { return Codes9({'a', 'b', 257, 256, 2, 'a', 257}); }, 6, R::DataError, {}},
    // 257 "an", 258 "nb", 259 "ba", then 260 before it exists: "ana".
    {"shrink code being made", 1, 0, [] { return Codes9({'a', 'n', 'b', 257, 260}); }, 8, R::Ok, ToBytes("anbanana")},
    // Cleared after "abcdcd": 257 is made on the freed 259 ("cd") + "x", and means "yz" + "x"
    // once 259 is made again as "yz".
    {"shrink freed prefix made again", 1, 0, [] { return Codes9({'a', 'b', 'c', 'd', 259, 256, 2, 'x', 'y', 'z', '0', 257}); }, 13, R::Ok, ToBytes("abcdcdxyz0yzx")},
// Reduce: follower sets, then the DLE layer.
    {"reduce follower set of 33", 2, 0, [] { return Reduced({33}, {}); }, 1, R::DataError, {}},
    // S(0) = "ABC" (2-bit indices): index 3 is past it.
    {"reduce index past the set", 2, 0, [] { return Reduced({3}, {0 | 3 << 1}, 3); }, 1, R::DataError, {}},
    // "x", then DLE, length 4 and distance 3 (factor 1): two zeros from before the data.
    {"reduce match before the data", 2, 0, [] { return Reduced({}, {'x', 144, 1, 2}); }, 5, R::Ok, Bytes{'x', 0, 0, 'x', 0}},
    {"reduce cut in the sets", 5, 0, [] { return Cut(Reduced({}, {}), 100); }, 1, R::DataError, {}},
    // Implode: the trees must describe 64 codes that fill the code space.
    {"implode tree of 16 codes", 6, 0, [] { return Bytes{0x00, 0xF5}; }, 1, R::DataError, {}},
    {"implode incomplete tree", 6, 0, [] { return Bytes{0x03, 0xF6, 0xF6, 0xF6, 0xF6}; }, 1, R::DataError, {}},
    {"implode tree of 80 codes", 6, 0, [] { return Bytes{0x04, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}; }, 1, R::DataError, {}},
    {"implode cut", 6, 6, [] { return Half(RawMember("handmade-implode.zip", "text.txt")); }, 90027, R::DataError, {}},
};
// clang-format on

class DamagedStreamTest : public ::testing::TestWithParam<StreamRow> {};

// Keeps what is flushed, refusing output past the listed size as the reader's sink does.
class CappedSink final : public zip::OutputSink {
public:
    explicit CappedSink(std::uint64_t listed) : listed_(listed) {}
    Bytes data;
    std::vector<std::size_t> flushes;
    bool Flush(const std::uint8_t* p, std::size_t n) override {
        flushes.push_back(n);
        if (n > listed_ - data.size()) return false;
        data.insert(data.end(), p, p + n);
        return true;
    }

private:
    std::uint64_t listed_;
};

TEST_P(DamagedStreamTest, EachDecoderGivesItsResultAndTheReaderItsStatus) {
    const StreamRow& row = GetParam();
    const Bytes stream = row.stream();
    // Through the dispatch, from memory: the result, flushes of at most 64 KiB.
    CappedSink sink(row.listedSize);
    zip::MemoryInput input(stream.data(), stream.size());
    zip::OutputWindow window;
    zip::MethodDecoders decoders;
    const MethodResult r = zip::DecodeMethod({row.method, row.flags, stream.size(), row.listedSize},
                                             input, window, &sink, decoders);
    EXPECT_EQ(r, row.result);
    for (const std::size_t n : sink.flushes)
        EXPECT_LE(n, zip::OutputWindow::kFlushBytes);
    if (row.result == R::Ok) {
        EXPECT_TRUE(sink.data == row.output);
    }
    // Inside an archive, where the sink refuses output past the listed size.
    testing::ZipMember m = testing::StoredMember("m", row.output);
    m.method = row.method;
    m.flags = row.flags;
    m.data = stream;
    m.originalSize = row.listedSize;
    testing::ZipBuilder b;
    b.Add(m);
    testing::TempDir dir;
    testing::WriteHostFile(dir.Host("a.zip"), b.Build());
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(dir.Program("a.zip")).ok());
    MemberRun run;
    run.testMode = true;
    const ZipStatus expected = row.result == R::Ok             ? ZipStatus::Ok
                               : row.result == R::Unsupported  ? ZipStatus::UnsupportedMethod
                               : row.result == R::OutputFailed ? ZipStatus::SizeMismatch
                                                               : ZipStatus::DecodeFailed;
    EXPECT_EQ(zip.ExtractEntry(zip.entries()[0], run).status, expected);
}

INSTANTIATE_TEST_SUITE_P(Decoders, DamagedStreamTest, ::testing::ValuesIn(kStreamRows),
                         [](const auto& p) {
                             std::string n = p.param.what;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

// Members no decoder takes are refused before a password is asked: PKWARE's strong
// encryption (flag bit 6) and an encrypted member of an unknown method.
TEST(UnsupportedMemberTest, NoPasswordIsAskedForWhatCannotBeDecoded) {
    testing::ZipMember strong = testing::DeflatedMember("strong", ToBytes("data"));
    strong.flags = 0x0041;
    testing::ZipMember wavpack = testing::StoredMember("wavpack", ToBytes("data"));
    wavpack.method = 97;
    wavpack.flags = 0x0001;
    testing::ZipBuilder b;
    b.Add(strong).Add(wavpack);
    testing::TempDir dir;
    testing::WriteHostFile(dir.Host("a.zip"), b.Build());
    testing::RecordingCallback callback;
    RememberedPassword password;
    MemberRun run;
    run.callback = &callback;
    run.password = &password;
    run.testMode = true;
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(dir.Program("a.zip")).ok());
    for (const ZipEntry& e : zip.entries()) {
        EXPECT_EQ(zip.ExtractEntry(e, run).status, ZipStatus::UnsupportedMethod);
    }
    EXPECT_EQ(callback.Count(Q::Password), 0u);
}

}  // namespace
}  // namespace quillory
