// LZH decoding and listing against the peers, in one run.
// - Test-mode throughput (decode + CRC-16, nothing written) of every method on archives
//   of 12 MiB of mixed text (C++ headers) and binary (shared libraries), made on first
//   use: -lh5- to -lh7- by jlha, -lh1-, -lh3-, -lh4-, -lzs- and -lz5- by jlha's library
//   (libjlha-java, through the Java source launcher), -lhx-, -pm1- and -pm2- by the
//   tests' stream writers. Against liblhasa (lha_reader_check), which decodes all but
//   -lh3-, and libarchive (archive_read_data into memory) for -lh5- to -lh7-.
//   (-lh2- has no writer that follows LHA's own reading; see the closing note.)
// - Listing an archive of 100,000 members: time, and memory per member beyond the name
//   and folder text, against bsdtar -tf and libarchive's header walk.
// Run: build/bench/bench_lzh   (needs jlha and a JDK on first use; archives are cached
// in $TMPDIR/quillory-bench-lzh)
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <lhasa.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/checksums.h"
#include "lzh/lzh_archive.h"
#include "platform/path.h"
#include "tests/lzh/lzh_header_builder.h"
#include "tests/lzh/lzh_pmarc_writer.h"
#include "tests/lzh/lzh_stream_builder.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPartBytes = 6 * 1024 * 1024;  // of text, and of binary
constexpr int kListMembers = 100000;

// The methods measured, by benchmark argument.
constexpr std::array<const char*, 11> kMethods = {"-lh1-", "-lh3-", "-lh4-", "-lh5-",
                                                  "-lh6-", "-lh7-", "-lhx-", "-lzs-",
                                                  "-lz5-", "-pm1-", "-pm2-"};

fs::path WorkDir() {
    const char* tmp = std::getenv("TMPDIR");
    fs::path dir = fs::path(tmp != nullptr ? tmp : "/tmp") / "quillory-bench-lzh";
    fs::create_directories(dir);
    return dir;
}

bool Run(const std::string& command) {
    if (std::system(command.c_str()) == 0) return true;
    std::cerr << "failed: " << command << "\n";
    return false;
}

// Writes an archive with jlha's library, one member per file, for the methods the jlha
// command does not write.
bool WriteWithJlhaLibrary(const fs::path& dir, const fs::path& archive, const std::string& method) {
    const fs::path source = dir / "LzhWrite.java";
    std::ofstream(source) << R"(
import java.io.File;
import java.io.FileOutputStream;
import java.nio.file.Files;
import java.util.Date;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;
public class LzhWrite {
    public static void main(String[] args) throws Exception {
        try (LhaOutputStream out = new LhaOutputStream(new FileOutputStream(args[0]))) {
            for (int i = 2; i < args.length; ++i) {
                File file = new File(args[i]);
                LhaHeader header = new LhaHeader(args[i], new Date(file.lastModified()));
                header.setCompressMethod(args[1]);
                header.setHeaderLevel(2);
                out.putNextEntry(header);
                out.write(Files.readAllBytes(file.toPath()));
                out.closeEntry();
            }
        }
    }
}
)";
    return Run("cd '" + dir.string() + "' && java -cp /usr/share/java/jlha.jar LzhWrite.java '" +
               archive.string() + "' " + method + " text.txt binary.bin");
}

// Writes an archive whose members the tests' stream writers compress.
void WriteWithTestWriters(const fs::path& dir, const fs::path& archive, const std::string& method) {
    std::vector<quillory::testing::Bytes> members;
    for (const char* name : {"text.txt", "binary.bin"}) {
        const quillory::testing::Bytes content = quillory::bench::ReadWholeFile(dir / name);
        quillory::testing::LzhHeaderFields h = quillory::testing::Stored(2, name, content);
        h.method = method;
        h.dataCrc = quillory::Crc16Update(0, content.data(), content.size());
        h.data = method == "-pm1-"   ? quillory::testing::CompressPm1(content)
                 : method == "-pm2-" ? quillory::testing::CompressPm2(content)
                                     : quillory::testing::Compress(content, 8);  // -lhx-
        members.push_back(h.Build());
    }
    quillory::bench::WriteWholeFile(archive, quillory::testing::Archive(members));
}

// The archive for a method, made once.
const fs::path& MethodArchive(int index) {
    static std::map<int, fs::path> archives;
    fs::path& archive = archives[index];
    if (!archive.empty()) return archive;
    const std::string method = kMethods[static_cast<std::size_t>(index)];
    const fs::path dir = WorkDir();
    const fs::path text = dir / "text.txt";
    const fs::path binary = dir / "binary.bin";
    if (!fs::exists(text))
        quillory::bench::WriteWholeFile(text, quillory::bench::SystemText(kPartBytes));
    if (!fs::exists(binary))
        quillory::bench::WriteWholeFile(binary, quillory::bench::SystemBinary(kPartBytes));
    archive = dir / ("mixed_" + method.substr(1, 3) + ".lzh");
    if (fs::exists(archive)) return archive;
    if (method == "-lh5-" || method == "-lh6-" || method == "-lh7-") {
        Run("cd '" + dir.string() + "' && jlha a2o" + method.substr(3, 1) + " '" +
            archive.string() + "' text.txt binary.bin > /dev/null");
    } else if (method == "-lhx-" || method == "-pm1-" || method == "-pm2-") {
        WriteWithTestWriters(dir, archive, method);
    } else {
        WriteWithJlhaLibrary(dir, archive, method);
    }
    return archive;
}

std::int64_t OriginalBytes(const fs::path& archive) {
    quillory::LzhArchive reader;
    if (!reader.Open(quillory::platform::FromHostPath(archive.string())).ok()) return 0;
    std::int64_t total = 0;
    for (const auto& e : reader.entries())
        total += e.originalSize;
    return total;
}

void QuilloryTest(benchmark::State& state) {
    state.SetLabel(kMethods[static_cast<std::size_t>(state.range(0))]);
    const fs::path& path = MethodArchive(static_cast<int>(state.range(0)));
    quillory::LzhArchive reader;
    if (!reader.Open(quillory::platform::FromHostPath(path.string())).ok()) {
        state.SkipWithError("cannot open the archive");
        return;
    }
    quillory::MemberRun run;
    run.testMode = true;
    for (auto _ : state) {
        for (const auto& e : reader.entries()) {
            if (!reader.ExtractEntry(e, run).ok()) state.SkipWithError("member failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * OriginalBytes(path));
}

void LhasaCheck(benchmark::State& state) {
    state.SetLabel(kMethods[static_cast<std::size_t>(state.range(0))]);
    if (std::string(kMethods[static_cast<std::size_t>(state.range(0))]) == "-lh3-") {
        state.SkipWithError("liblhasa does not decode -lh3-");
        return;
    }
    const fs::path& path = MethodArchive(static_cast<int>(state.range(0)));
    std::string name = path.string();
    for (auto _ : state) {
        LHAInputStream* stream = lha_input_stream_from(name.data());
        LHAReader* reader = lha_reader_new(stream);
        while (lha_reader_next_file(reader) != nullptr) {
            if (lha_reader_check(reader, nullptr, nullptr) == 0)
                state.SkipWithError("member failed");
        }
        lha_reader_free(reader);
        lha_input_stream_free(stream);
    }
    state.SetBytesProcessed(state.iterations() * OriginalBytes(path));
}

void LibarchiveRead(benchmark::State& state) {
    state.SetLabel(kMethods[static_cast<std::size_t>(state.range(0))]);
    const fs::path& path = MethodArchive(static_cast<int>(state.range(0)));
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        archive* a = archive_read_new();
        archive_read_support_format_lha(a);
        archive_read_open_filename(a, path.c_str(), 64 * 1024);
        archive_entry* entry = nullptr;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
            la_ssize_t n;
            while ((n = archive_read_data(a, buffer.data(), buffer.size())) > 0)
                benchmark::DoNotOptimize(buffer.data());
            if (n < 0) state.SkipWithError("member failed");
        }
        archive_read_free(a);
    }
    state.SetBytesProcessed(state.iterations() * OriginalBytes(path));
}

// An archive of kListMembers level-2 members as jlha writes them (common header with
// the header CRC, name and folder headers, a few stored bytes each).
const fs::path& ListArchive() {
    static const fs::path path = [] {
        const fs::path p = WorkDir() / "list100k.lzh";
        if (fs::exists(p)) return p;
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < kListMembers; ++i) {
            const std::string folder = "folder" + std::to_string(i / 1000) + "\xFF";
            const std::string name = "file" + std::to_string(i) + ".txt";
            const std::string data = "member " + std::to_string(i) + "\n";
            std::vector<std::uint8_t> h;
            const auto put16 = [&h](std::uint32_t v) {
                h.push_back(static_cast<std::uint8_t>(v));
                h.push_back(static_cast<std::uint8_t>(v >> 8));
            };
            const auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
            put16(0);
            for (char c : std::string("-lh0-"))
                h.push_back(static_cast<std::uint8_t>(c));
            put32(static_cast<std::uint32_t>(data.size()));
            put32(static_cast<std::uint32_t>(data.size()));
            put32(1614834368);
            h.push_back(0x20);
            h.push_back(2);
            put16(quillory::Crc16Update(0, data.data(), data.size()));
            h.push_back('J');
            put16(5);  // common header: type, CRC, next size
            h.push_back(0x00);
            put16(0);
            put16(static_cast<std::uint32_t>(name.size() + 3));
            h.push_back(0x01);
            h.insert(h.end(), name.begin(), name.end());
            put16(static_cast<std::uint32_t>(folder.size() + 3));
            h.push_back(0x02);
            h.insert(h.end(), folder.begin(), folder.end());
            put16(0);
            h[0] = static_cast<std::uint8_t>(h.size());
            h[1] = static_cast<std::uint8_t>(h.size() >> 8);
            const std::uint16_t crc = quillory::Crc16Update(0, h.data(), h.size());
            h[27] = static_cast<std::uint8_t>(crc);
            h[28] = static_cast<std::uint8_t>(crc >> 8);
            out.write(reinterpret_cast<const char*>(h.data()),
                      static_cast<std::streamsize>(h.size()));
            out.write(data.data(), static_cast<std::streamsize>(data.size()));
        }
        out.put('\0');
        return p;
    }();
    return path;
}

// Bytes the process has taken from malloc, including its mmap-backed blocks.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void QuilloryList(benchmark::State& state) {
    const quillory::WString path = quillory::platform::FromHostPath(ListArchive().string());
    double bytesPerMember = 0;
    for (auto _ : state) {
        quillory::LzhArchive reader;
        const std::size_t before = HeapInUse();
        if (!reader.Open(path).ok() ||
            reader.entries().size() != static_cast<std::size_t>(kListMembers)) {
            state.SkipWithError("listing failed");
            return;
        }
        state.PauseTiming();
        std::size_t text = 0;
        for (const auto& e : reader.entries())
            text += (e.name.size() + e.path.size()) * sizeof(char16_t);
        const std::size_t after = HeapInUse();
        bytesPerMember =
            (static_cast<double>(after - before) - static_cast<double>(text)) / kListMembers;
        state.ResumeTiming();
        reader.Close();
    }
    state.counters["bytes_per_member_beyond_text"] = bytesPerMember;
    state.counters["members"] = kListMembers;
}

void BsdtarList(benchmark::State& state) {
    const std::string command = "bsdtar -tf '" + ListArchive().string() + "' > /dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("bsdtar failed");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["members"] = kListMembers;
}

void LibarchiveList(benchmark::State& state) {
    for (auto _ : state) {
        archive* a = archive_read_new();
        archive_read_support_format_lha(a);
        archive_read_open_filename(a, ListArchive().c_str(), 64 * 1024);
        archive_entry* entry = nullptr;
        int members = 0;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK)
            ++members;
        archive_read_free(a);
        if (members != kListMembers) state.SkipWithError("listing failed");
    }
    state.counters["members"] = kListMembers;
}

BENCHMARK(QuilloryTest)->DenseRange(0, kMethods.size() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(LhasaCheck)->DenseRange(0, kMethods.size() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(LibarchiveRead)->DenseRange(3, 5)->Unit(benchmark::kMillisecond);  // -lh5- .. -lh7-
BENCHMARK(QuilloryList)->Unit(benchmark::kMillisecond);
BENCHMARK(LibarchiveList)->Unit(benchmark::kMillisecond);
BENCHMARK(BsdtarList)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
