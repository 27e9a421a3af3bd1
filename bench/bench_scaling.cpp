// Growth with the archive: listing and testing generated LZH and ZIP archives of 1,000
// to 100,000 members (ZIP stops at 65,535, the most a plain end record counts), member
// names of growing folder depth extracted for real, and single members of growing size.
// Per-member (or per-byte) time stays flat when the work is linear; memory held per
// listed member is reported beside it. The archives are written by the tests' builders,
// stored members with right CRCs, so that only the readers' own costs are measured.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_support.h"
#include "lzh/lzh_archive.h"
#include "platform/path.h"
#include "tests/lzh/lzh_header_builder.h"
#include "tests/zip/zip_builder.h"
#include "zip/zip_archive.h"

namespace {

namespace fs = std::filesystem;
using quillory::bench::Bytes;

constexpr std::size_t kSmallMemberBytes = 32;  // data per member in the member-count runs

// "d/d/.../fNNNNNN.bin" with depth folder levels.
std::string MemberName(int index, int depth) {
    std::string name;
    for (int level = 0; level < depth; ++level)
        name += "d/";
    char file[32];
    std::snprintf(file, sizeof file, "f%06d.bin", index);
    return name + file;
}

// Level-2 headers with the name (0xFF between folders) in a name extended header.
Bytes LzhArchiveOf(const std::vector<std::string>& names, const Bytes& data) {
    std::vector<Bytes> members;
    members.reserve(names.size());
    for (std::string name : names) {
        std::replace(name.begin(), name.end(), '/', '\xFF');
        members.push_back(quillory::testing::Stored(2, name, data).Build());
    }
    return quillory::testing::Archive(members);
}

Bytes ZipArchiveOf(const std::vector<std::string>& names, const Bytes& data) {
    quillory::testing::ZipBuilder zip;
    zip.members.reserve(names.size());
    for (const std::string& name : names)
        zip.Add(quillory::testing::StoredMember(name, data));
    return zip.Build();
}

// The archive of `count` members of `bytes` each at folder depth `depth`, written once.
const fs::path& ArchiveFile(bool zip, int count, int depth, std::size_t bytes) {
    static std::map<std::tuple<bool, int, int, std::size_t>, fs::path> made;
    const auto key = std::make_tuple(zip, count, depth, bytes);
    auto found = made.find(key);
    if (found != made.end()) return found->second;
    const Bytes data = quillory::bench::PseudoRandomBytes(bytes);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back(MemberName(i, depth));
    const fs::path path =
        fs::temp_directory_path() /
        ("quillory-bench-scaling-" + std::to_string(count) + "-" + std::to_string(depth) + "-" +
         std::to_string(bytes) + (zip ? ".zip" : ".lzh"));
    quillory::bench::WriteWholeFile(path,
                                    zip ? ZipArchiveOf(names, data) : LzhArchiveOf(names, data));
    return made.emplace(key, path).first->second;
}

std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Everything an open archive holds per member: the entry, its name text, the table's
// growth slack, measured with a fresh reader after its own construction.
template <class Reader>
double BytesPerMember(const quillory::WString& path, int count) {
    Reader fresh;
    const std::size_t before = HeapInUse();
    if (!fresh.Open(path).ok()) return -1;
    const std::size_t held = HeapInUse() - before;
    fresh.Close();
    return static_cast<double>(held) / count;
}

void PerMember(benchmark::State& state, int count) {
    state.counters["time/member"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <class Reader>
void List(benchmark::State& state, bool zip) {
    const int count = static_cast<int>(state.range(0));
    const quillory::WString path =
        quillory::platform::FromHostPath(ArchiveFile(zip, count, 2, kSmallMemberBytes).string());
    Reader reader;
    for (auto _ : state) {
        if (!reader.Open(path).ok() || reader.entries().size() != static_cast<std::size_t>(count)) {
            state.SkipWithError("open failed");
            return;
        }
        reader.Close();
    }
    PerMember(state, count);
    state.counters["bytes/member"] = BytesPerMember<Reader>(path, count);
}

// Opens once, then tests every member per iteration: CRC over the data, nothing written.
template <class Reader>
void TestAll(benchmark::State& state, bool zip, int count, int depth, std::size_t bytes) {
    const quillory::WString path =
        quillory::platform::FromHostPath(ArchiveFile(zip, count, depth, bytes).string());
    Reader reader;
    if (!reader.Open(path).ok()) {
        state.SkipWithError("open failed");
        return;
    }
    quillory::MemberRun run;
    run.testMode = true;
    for (auto _ : state) {
        for (const auto& entry : reader.entries()) {
            if (!reader.ExtractEntry(entry, run).ok()) {
                state.SkipWithError("test failed");
                return;
            }
        }
    }
    reader.Close();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * count *
                            static_cast<std::int64_t>(bytes));
    PerMember(state, count);
}

void BM_ListLzh(benchmark::State& state) {
    List<quillory::LzhArchive>(state, false);
}
void BM_ListZip(benchmark::State& state) {
    List<quillory::ZipArchive>(state, true);
}
void BM_TestLzh(benchmark::State& state) {
    TestAll<quillory::LzhArchive>(state, false, static_cast<int>(state.range(0)), 2,
                                  kSmallMemberBytes);
}
void BM_TestZip(benchmark::State& state) {
    TestAll<quillory::ZipArchive>(state, true, static_cast<int>(state.range(0)), 2,
                                  kSmallMemberBytes);
}
// One member of growing size: time per byte stays flat.
void BM_TestLzhMemberSize(benchmark::State& state) {
    TestAll<quillory::LzhArchive>(state, false, 1, 0, static_cast<std::size_t>(state.range(0)));
}
void BM_TestZipMemberSize(benchmark::State& state) {
    TestAll<quillory::ZipArchive>(state, true, 1, 0, static_cast<std::size_t>(state.range(0)));
}

// 1,000 members in one folder of growing depth, extracted for real (folders created,
// every later iteration replacing the files without a question).
template <class Reader>
void ExtractDeep(benchmark::State& state, bool zip) {
    constexpr int kCount = 1000;
    const int depth = static_cast<int>(state.range(0));
    const quillory::WString path = quillory::platform::FromHostPath(
        ArchiveFile(zip, kCount, depth, kSmallMemberBytes).string());
    const fs::path out = fs::temp_directory_path() / "quillory-bench-scaling-out";
    fs::remove_all(out);
    fs::create_directories(out);
    Reader reader;
    if (!reader.Open(path).ok()) {
        state.SkipWithError("open failed");
        return;
    }
    quillory::MemberRun run;
    run.destFolder = quillory::platform::FromHostPath(out.string());
    run.overwrite = quillory::OverwriteRule::Never;
    for (auto _ : state) {
        for (const auto& entry : reader.entries()) {
            if (!reader.ExtractEntry(entry, run).ok()) {
                state.SkipWithError("extraction failed");
                return;
            }
        }
    }
    reader.Close();
    fs::remove_all(out);
    PerMember(state, kCount);
}
void BM_ExtractDeepLzh(benchmark::State& state) {
    ExtractDeep<quillory::LzhArchive>(state, false);
}
void BM_ExtractDeepZip(benchmark::State& state) {
    ExtractDeep<quillory::ZipArchive>(state, true);
}

BENCHMARK(BM_ListLzh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListZip)->Arg(1000)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestLzh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestZip)->Arg(1000)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestLzhMemberSize)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestZipMemberSize)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond);
// Depth 120 with the file name fills the 259 characters a stored name may have.
BENCHMARK(BM_ExtractDeepLzh)->Arg(1)->Arg(8)->Arg(32)->Arg(120)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractDeepZip)->Arg(1)->Arg(8)->Arg(32)->Arg(120)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
