// Listing a ZIP archive of 65,535 members (the most a plain end record counts): our
// Open against `unzip -l` on the same archive in the same run, and the reader's memory
// per member beyond the name text; and one of 70,000 members with ZIP64 end records as
// Python's zipfile writes them, whose members/s should match the first's. The archives
// are written here: empty stored members named like a source tree, folder/file.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path.h"
#include "zip/zip_archive.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMembers = 65535;
constexpr int kZip64Members = 70000;

void Put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string MemberName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "src/module%03d/file%05d.cpp", i / 256, i);
    return name;
}

// Local header, central header (without the signature, which both start with).
void PutHeaderFields(std::string& out, const std::string& name) {
    Put16(out, 20);      // version needed
    Put16(out, 0);       // flags
    Put16(out, 0);       // stored
    Put16(out, 0x6000);  // 12:00:00
    Put16(out, 0x3C21);  // 2010-01-01
    Put32(out, 0);       // CRC-32 of nothing
    Put32(out, 0);
    Put32(out, 0);
    Put16(out, static_cast<unsigned>(name.size()));
    Put16(out, 0);
}

void Put64(std::string& out, std::uint64_t v) {
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

// Past 65,535 members the count goes into a ZIP64 end record and its locator, and the
// end record holds 0xFFFF, as Python's zipfile writes it.
fs::path WriteArchive(int members, const char* name) {
    const fs::path p = fs::temp_directory_path() / name;
    {
        std::string out;
        std::vector<std::uint32_t> offsets;
        for (int i = 0; i < members; ++i) {
            offsets.push_back(static_cast<std::uint32_t>(out.size()));
            Put32(out, 0x04034B50);
            PutHeaderFields(out, MemberName(i));
            out += MemberName(i);
        }
        const auto directory = static_cast<std::uint32_t>(out.size());
        for (int i = 0; i < members; ++i) {
            Put32(out, 0x02014B50);
            Put16(out, 20);  // made by MS-DOS 2.0
            PutHeaderFields(out, MemberName(i));
            Put16(out, 0);  // comment length
            Put16(out, 0);  // disk
            Put16(out, 0);  // internal attributes
            Put32(out, 0x20);
            Put32(out, offsets[static_cast<std::size_t>(i)]);
            out += MemberName(i);
        }
        const auto size = static_cast<std::uint32_t>(out.size()) - directory;
        const bool zip64 = members > 0xFFFF;
        if (zip64) {
            const auto record = static_cast<std::uint64_t>(out.size());
            Put32(out, 0x06064B50);
            Put64(out, 44);
            Put16(out, 45);
            Put16(out, 45);
            Put32(out, 0);
            Put32(out, 0);
            Put64(out, static_cast<std::uint64_t>(members));
            Put64(out, static_cast<std::uint64_t>(members));
            Put64(out, size);
            Put64(out, directory);
            Put32(out, 0x07064B50);
            Put32(out, 0);
            Put64(out, record);
            Put32(out, 1);
        }
        Put32(out, 0x06054B50);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, zip64 ? 0xFFFF : static_cast<unsigned>(members));
        Put16(out, zip64 ? 0xFFFF : static_cast<unsigned>(members));
        Put32(out, size);
        Put32(out, directory);
        Put16(out, 0);
        std::ofstream(p, std::ios::binary) << out;
    }
    return p;
}

const fs::path& ArchivePath() {
    static const fs::path path = WriteArchive(kMembers, "quillory-bench-list.zip");
    return path;
}

const fs::path& Zip64ArchivePath() {
    static const fs::path path = WriteArchive(kZip64Members, "quillory-bench-list64.zip");
    return path;
}

// Opens and closes the archive of `members` members for every iteration.
void ListRepeatedly(benchmark::State& state, const fs::path& archive, int members) {
    const quillory::WString path = quillory::platform::FromHostPath(archive.string());
    quillory::ZipArchive zip;
    for (auto _ : state) {
        if (!zip.Open(path).ok() || zip.entries().size() != static_cast<std::size_t>(members)) {
            state.SkipWithError("open failed");
            return;
        }
        zip.Close();
    }
    state.counters["members/s"] =
        benchmark::Counter(members, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ListOurs(benchmark::State& state) {
    ListRepeatedly(state, ArchivePath(), kMembers);
    const quillory::WString path = quillory::platform::FromHostPath(ArchivePath().string());

    // Memory: what an open archive holds beyond its members' name text, all allocations
    // counted (large ones are mapped, small ones in the heap arena), the reader's fixed
    // work areas left out by measuring after its construction and a first open.
    const auto inUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return m.uordblks + m.hblkhd;
    };
    quillory::ZipArchive fresh;
    const std::size_t before = inUse();
    fresh.Open(path);
    const std::size_t held = inUse() - before;
    std::size_t nameText = 0;
    for (const quillory::ZipEntry& e : fresh.entries()) {
        nameText += (e.name.size() + e.path.size()) * sizeof(char16_t);
    }
    state.counters["bytes/member"] = static_cast<double>(held - nameText) / kMembers;
    state.counters["name bytes/member"] = static_cast<double>(nameText) / kMembers;
    state.counters["sizeof(ZipEntry)"] = sizeof(quillory::ZipEntry);
}
BENCHMARK(BM_ListOurs)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_ListOursZip64(benchmark::State& state) {
    ListRepeatedly(state, Zip64ArchivePath(), kZip64Members);
}
BENCHMARK(BM_ListOursZip64)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The whole process, as a user runs it.
void BM_ListUnzip(benchmark::State& state) {
    const std::string command = "unzip -l '" + ArchivePath().string() + "' > /dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const auto stop = std::chrono::steady_clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("unzip failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
}
BENCHMARK(BM_ListUnzip)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
