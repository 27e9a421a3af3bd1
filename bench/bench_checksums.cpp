// CRC-32 against zlib and libdeflate, and CRC-16 against a byte-at-a-time table loop,
// on 64 KiB in cache. On a shared machine the fastest repetition is the steadiest figure:
// build/bench/bench_checksums --benchmark_repetitions=20 --benchmark_report_aggregates_only
// (read the Time column of the _min rows; their rate counter is the slowest rate).
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bench/bench_support.h"
#include "common/checksums.h"

namespace {

constexpr std::size_t kBytes = 64 * 1024;

const std::vector<std::uint8_t>& Data() {
    static const std::vector<std::uint8_t> data = quillory::bench::PseudoRandomBytes(kBytes);
    return data;
}

double Fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

template <typename F>
void Run(benchmark::State& state, F crc) {
    const auto& d = Data();
    std::uint32_t value = 0;
    for (auto _ : state) {
        value = crc(value, d.data(), d.size());
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}

void Crc32Quillory(benchmark::State& s) {
    Run(s, quillory::Crc32Update);
}
void Crc32QuilloryPortable(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
        return ~quillory::detail::Crc32RawPortable(~c, p, n);
    });
}
void Crc32Bytewise(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
        return ~quillory::detail::Crc32RawBytewise(~c, p, n);
    });
}
void Crc32Zlib(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
        return static_cast<std::uint32_t>(crc32(c, p, static_cast<uInt>(n)));
    });
}
void Crc32Libdeflate(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
        return libdeflate_crc32(c, p, n);
    });
}
void Crc16Quillory(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) -> std::uint32_t {
        return quillory::Crc16Update(static_cast<std::uint16_t>(c), p, n);
    });
}
void Crc16Bytewise(benchmark::State& s) {
    Run(s, [](std::uint32_t c, const std::uint8_t* p, std::size_t n) -> std::uint32_t {
        return quillory::detail::Crc16Bytewise(static_cast<std::uint16_t>(c), p, n);
    });
}

BENCHMARK(Crc32Quillory)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc32QuilloryPortable)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc32Zlib)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc32Libdeflate)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc32Bytewise)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc16Quillory)->ComputeStatistics("min", Fastest);
BENCHMARK(Crc16Bytewise)->ComputeStatistics("min", Fastest);

}  // namespace

BENCHMARK_MAIN();
