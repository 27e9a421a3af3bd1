// Input data the benchmarks share: pseudo-random bytes, and a corpus of real text and
// binary files from this system gathered in a fixed order, so that every run (and every
// peer within a run) measures the same bytes. Nothing here times anything.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quillory::bench {

using Bytes = std::vector<std::uint8_t>;

// Bytes of a linear congruential generator: incompressible enough for checksums and
// ciphers, and the same on every run.
inline Bytes PseudoRandomBytes(std::size_t size) {
    Bytes bytes(size);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245 + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

inline Bytes ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Regular files under root that keep accepts, in path order, concatenated and cut to at
// most size bytes. Links are passed over so the result does not depend on where they point.
inline Bytes GatherFiles(const std::filesystem::path& root, std::size_t size,
                         bool (*keep)(const std::filesystem::path&)) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec) && keep(it->path()))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    Bytes out;
    for (const auto& file : files) {
        if (out.size() >= size) break;
        const Bytes b = ReadWholeFile(file);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.resize(std::min(out.size(), size));
    return out;
}

// C headers: text with the repeats of real source code.
inline Bytes SystemText(std::size_t size) {
    return GatherFiles("/usr/include", size,
                       [](const std::filesystem::path& p) { return p.extension() == ".h"; });
}

// Shared libraries: machine code and tables.
inline Bytes SystemBinary(std::size_t size) {
    return GatherFiles("/usr/lib/x86_64-linux-gnu", size, [](const std::filesystem::path& p) {
        return p.filename().string().find(".so") != std::string::npos;
    });
}

// halfSize bytes of text and halfSize of binary, interleaved in pieces of piece bytes, so
// that a decoder meets both kinds throughout a stream. Shorter when the system has less.
inline Bytes MixedCorpus(std::size_t halfSize, std::size_t piece) {
    const Bytes text = SystemText(halfSize);
    const Bytes binary = SystemBinary(halfSize);
    const std::size_t half = std::min(text.size(), binary.size());
    Bytes mixed;
    mixed.reserve(2 * half);
    for (std::size_t at = 0; at < half; at += piece) {
        const std::size_t n = std::min(piece, half - at);
        mixed.insert(mixed.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + n));
        mixed.insert(mixed.end(), binary.begin() + static_cast<std::ptrdiff_t>(at),
                     binary.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return mixed;
}

}  // namespace quillory::bench
