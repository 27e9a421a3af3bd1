// The member contents of the committed LZH fixtures, made again: the same xorshift32
// generators as scripts/make-lzh-fixtures, so tests compare every extracted byte.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tests/support/test_support.h"

namespace quillory::testing {

enum class FixtureKind { Text, Binary, Random, Letters };

inline Bytes FixtureData(FixtureKind kind, std::size_t size, std::uint32_t seed) {
    std::uint32_t x = seed;
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    static constexpr std::array<std::string_view, 64> kWords = {
        "archive", "folder",     "member",   "header",  "level",  "method",  "window", "table",
        "code",    "length",     "distance", "block",   "symbol", "literal", "match",  "bit",
        "byte",    "file",       "name",     "time",    "size",   "data",    "stored", "static",
        "huffman", "dictionary", "stream",   "output",  "input",  "buffer",  "chunk",  "check",
        "sum",     "value",      "every",    "first",   "last",   "next",    "each",   "other",
        "which",   "where",      "when",     "while",   "after",  "before",  "under",  "over",
        "into",    "from",       "with",     "without", "about",  "small",   "large",  "quick",
        "brown",   "lazy",       "river",    "stone",   "cloud",  "paper",   "light",  "sound"};
    Bytes out;
    out.reserve(size + 64);
    switch (kind) {
        case FixtureKind::Text:
            while (out.size() < size) {
                const std::string_view word = kWords[next() % 64];
                out.insert(out.end(), word.begin(), word.end());
                const std::uint32_t r = next() % 12;
                const std::string_view gap = r == 0 ? "\n" : r == 1 ? ", " : " ";
                out.insert(out.end(), gap.begin(), gap.end());
            }
            break;
        case FixtureKind::Binary:
            while (out.size() < size) {
                const std::uint32_t r = next();
                if (out.size() >= 16 && (r & 3) != 0) {
                    const std::size_t span = out.size() < 65536 ? out.size() : 65536;
                    std::size_t from = out.size() - 1 - next() % span;
                    const std::uint32_t n = 4 + next() % 60;
                    for (std::uint32_t k = 0; k < n; ++k)
                        out.push_back(out[from++]);
                } else {
                    out.push_back(static_cast<std::uint8_t>(next() & 0xFF));
                }
            }
            break;
        case FixtureKind::Random:
            while (out.size() < size)
                out.push_back(static_cast<std::uint8_t>(next() & 0xFF));
            break;
        case FixtureKind::Letters:  // lower-case letters: compressible, yet few matches
            while (out.size() < size)
                out.push_back(static_cast<std::uint8_t>('a' + next() % 26));
            break;
    }
    out.resize(size);
    return out;
}

}  // namespace quillory::testing
