// Raw inflate throughput (output bytes per second) of our engine against zlib and
// libdeflate on the same streams in the same run: 32 MiB of text (C headers) and
// binaries (shared libraries) interleaved, compressed by zlib at levels 6 and 9, and the
// same data as a Deflate64 stream made by 7-Zip (ours only: the peers do not read it).
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/zip/inflate_support.h"
#include "zip/inflate.h"

namespace {

namespace fs = std::filesystem;
using quillory::bench::Bytes;
using quillory::testing::ZlibDeflate;
using quillory::zip::InflateEngine;
using quillory::zip::InflateResult;

constexpr std::size_t kHalf = 16u << 20;
constexpr std::size_t kPiece = 256u << 10;

const Bytes& Data() {
    static const Bytes data = [] {
        Bytes mixed = quillory::bench::MixedCorpus(kHalf, kPiece);
        if (mixed.size() < 2 * kHalf) throw std::runtime_error("too little data");
        return mixed;
    }();
    return data;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The data of the only member of a ZIP archive that 7-Zip writes for a file (sizes in
// the local header, no data descriptor).
Bytes SevenZipDeflate64(const Bytes& data) {
    const fs::path dir = fs::temp_directory_path() / "quillory-bench-inflate";
    fs::create_directories(dir);
    quillory::bench::WriteWholeFile(dir / "data.bin", data);
    fs::remove(dir / "data.zip");
    const std::string command =
        "cd '" + dir.string() +
        "' && 7zz a -tzip -mm=Deflate64 -mmt=1 data.zip data.bin >/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("7zz failed");
    const Bytes zip = quillory::bench::ReadWholeFile(dir / "data.zip");
    fs::remove_all(dir);
    const std::uint32_t size = Le32(zip.data() + 18);
    const std::size_t start = 30 + (zip[26] | (zip[27] << 8)) + (zip[28] | (zip[29] << 8));
    return Bytes(zip.begin() + static_cast<std::ptrdiff_t>(start),
                 zip.begin() + static_cast<std::ptrdiff_t>(start + size));
}

// Streams made once: "6", "9" and "64".
const Bytes& Stream(const std::string& which) {
    static std::map<std::string, Bytes> streams;
    auto it = streams.find(which);
    if (it == streams.end()) {
        Bytes s = which == "64" ? SevenZipDeflate64(Data()) : ZlibDeflate(Data(), std::stoi(which));
        it = streams.emplace(which, std::move(s)).first;
    }
    return it->second;
}

// Output stays in the window (the engine's own buffer): what a member extraction hands
// to the CRC and the file, without those.
class DiscardingSink final : public quillory::zip::OutputSink {
public:
    std::size_t total = 0;
    bool Flush(const std::uint8_t*, std::size_t n) override {
        total += n;
        return true;
    }
};

// Output copied into one buffer of the whole size, as the peers deliver it.
class CopyingSink final : public quillory::zip::OutputSink {
public:
    explicit CopyingSink(Bytes& out) : out_(out) {}
    bool Flush(const std::uint8_t* p, std::size_t n) override {
        std::memcpy(out_.data() + at_, p, n);
        at_ += n;
        return true;
    }

private:
    Bytes& out_;
    std::size_t at_ = 0;
};

void Report(benchmark::State& state, const std::string& which) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Data().size()));
    state.counters["ratio"] =
        static_cast<double>(Stream(which).size()) / static_cast<double>(Data().size());
}

void Ours(benchmark::State& state, const std::string& which, bool copy) {
    const Bytes& stream = Stream(which);
    InflateEngine engine;
    quillory::zip::OutputWindow window;
    Bytes out(Data().size());
    for (auto _ : state) {
        quillory::zip::MemoryInput input(stream.data(), stream.size());
        DiscardingSink discard;
        CopyingSink copying(out);
        quillory::zip::OutputSink* sink =
            copy ? static_cast<quillory::zip::OutputSink*>(&copying) : &discard;
        if (engine.Inflate(input, window, sink, which == "64") != InflateResult::Ok) {
            state.SkipWithError("inflate failed");
            return;
        }
    }
    if (copy && out != Data()) state.SkipWithError("wrong output");
    Report(state, which);
}

void Zlib(benchmark::State& state, const std::string& which) {
    const Bytes& stream = Stream(which);
    Bytes out(Data().size());
    for (auto _ : state) {
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = const_cast<Bytef*>(stream.data());
        z.avail_in = static_cast<uInt>(stream.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int r = inflate(&z, Z_FINISH);
        inflateEnd(&z);
        if (r != Z_STREAM_END) {
            state.SkipWithError("zlib failed");
            return;
        }
    }
    if (out != Data()) state.SkipWithError("wrong output");
    Report(state, which);
}

void Libdeflate(benchmark::State& state, const std::string& which) {
    const Bytes& stream = Stream(which);
    Bytes out(Data().size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        if (libdeflate_deflate_decompress(d, stream.data(), stream.size(), out.data(), out.size(),
                                          nullptr) != LIBDEFLATE_SUCCESS) {
            state.SkipWithError("libdeflate failed");
            break;
        }
    }
    libdeflate_free_decompressor(d);
    if (out != Data()) state.SkipWithError("wrong output");
    Report(state, which);
}

bool Register() {
    for (const std::string level : {"6", "9"}) {
        benchmark::RegisterBenchmark(("Inflate/level" + level + "/zlib").c_str(), Zlib, level);
        benchmark::RegisterBenchmark(("Inflate/level" + level + "/libdeflate").c_str(), Libdeflate,
                                     level);
        benchmark::RegisterBenchmark(("Inflate/level" + level + "/ours").c_str(), Ours, level,
                                     false);
        benchmark::RegisterBenchmark(("Inflate/level" + level + "/ours+copy").c_str(), Ours, level,
                                     true);
    }
    benchmark::RegisterBenchmark("Inflate/deflate64/ours", Ours, std::string("64"), false);
    benchmark::RegisterBenchmark("Inflate/deflate64/ours+copy", Ours, std::string("64"), true);
    return true;
}
const bool registered = Register();

}  // namespace

BENCHMARK_MAIN();
