// The test stream writer: a greedy LZ77 parse and canonical Huffman tables written as the
// static-Huffman methods code them, block by block, so decoders can be tested on streams
// with chosen block sizes, tables and symbols.
#include "tests/lzh/lzh_stream_builder.h"

#include <algorithm>
#include <array>
#include <queue>
#include <stdexcept>

namespace quillory::testing {
namespace {

constexpr int kCharCodes = 510;
constexpr int kLengthCodes = 19;

void PutOnes(BitWriter& out, int n) {
    for (int i = 0; i < n; ++i)
        out.Put(1, 1);
}

// Huffman code lengths for the counts, at most 16 bits (counts are halved until the
// longest code fits).
std::vector<std::uint8_t> CodeLengths(std::vector<std::uint64_t> counts) {
    const std::size_t n = counts.size();
    for (;;) {
        std::vector<std::uint8_t> lengths(n, 0);
        using Node = std::pair<std::uint64_t, int>;  // weight, node index
        std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
        std::vector<int> parent(2 * n, -1);
        int nodes = static_cast<int>(n);
        for (std::size_t s = 0; s < n; ++s) {
            if (counts[s] > 0) queue.push({counts[s], static_cast<int>(s)});
        }
        while (queue.size() > 1) {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            parent[static_cast<std::size_t>(a.second)] = nodes;
            parent[static_cast<std::size_t>(b.second)] = nodes;
            queue.push({a.first + b.first, nodes++});
        }
        int longest = 0;
        for (std::size_t s = 0; s < n; ++s) {
            if (counts[s] == 0) continue;
            int depth = 0;
            for (int p = parent[s]; p != -1; p = parent[static_cast<std::size_t>(p)])
                ++depth;
            lengths[s] = static_cast<std::uint8_t>(depth);
            longest = std::max(longest, depth);
        }
        if (longest <= 16) return lengths;
        for (auto& c : counts)
            c = c == 0 ? 0 : (c + 1) / 2;
    }
}

// Canonical codes in symbol order within each length, as the decoder assigns them.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    std::array<std::uint32_t, 18> start{};
    std::array<std::uint32_t, 17> count{};
    for (std::uint8_t l : lengths)
        ++count[l];
    for (int l = 1; l <= 16; ++l)
        start[l + 1] = start[l] + (count[l] << (16 - l));
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        const int l = lengths[s];
        if (l == 0) continue;
        codes[s] = start[l] >> (16 - l);
        start[l] += 1u << (16 - l);
    }
    return codes;
}

int UsedCount(const std::vector<std::uint64_t>& counts) {
    return static_cast<int>(
        std::count_if(counts.begin(), counts.end(), [](auto c) { return c > 0; }));
}

int FirstUsed(const std::vector<std::uint64_t>& counts) {
    return static_cast<int>(
        std::find_if(counts.begin(), counts.end(), [](auto c) { return c > 0; }) - counts.begin());
}

// Lengths of the code-length code or the distance code, in the 3-bit form.
void WritePtLengths(BitWriter& out, const std::vector<std::uint8_t>& lengths, int nbit,
                    int special) {
    int n = static_cast<int>(lengths.size());
    while (n > 0 && lengths[static_cast<std::size_t>(n - 1)] == 0)
        --n;
    out.Put(static_cast<std::uint32_t>(n), nbit);
    int i = 0;
    while (i < n) {
        const int l = lengths[static_cast<std::size_t>(i++)];
        if (l <= 6) {
            out.Put(static_cast<std::uint32_t>(l), 3);
        } else {
            out.Put(7, 3);
            PutOnes(out, l - 7);
            out.Put(0, 1);
        }
        if (i == special) {
            int k = 0;
            while (k < 3 && i + k < static_cast<int>(lengths.size()) &&
                   lengths[static_cast<std::size_t>(i + k)] == 0) {
                ++k;
            }
            out.Put(static_cast<std::uint32_t>(k), 2);
            i += k;
        }
    }
}

// The character lengths as code-length tokens: 0 one zero, 1 a run of 3..18 zeros,
// 2 a run of 20..531 zeros, c >= 3 the length c - 2.
struct Token {
    int code;
    std::uint32_t extra;
    int extraBits;
};
std::vector<Token> CharLengthTokens(const std::vector<std::uint8_t>& lengths) {
    int n = kCharCodes;
    while (n > 0 && lengths[static_cast<std::size_t>(n - 1)] == 0)
        --n;
    std::vector<Token> tokens;
    int i = 0;
    while (i < n) {
        if (lengths[static_cast<std::size_t>(i)] != 0) {
            tokens.push_back({lengths[static_cast<std::size_t>(i)] + 2, 0, 0});
            ++i;
            continue;
        }
        int run = 0;
        while (i + run < n && lengths[static_cast<std::size_t>(i + run)] == 0)
            ++run;
        i += run;
        if (run <= 2) {
            for (int k = 0; k < run; ++k)
                tokens.push_back({0, 0, 0});
        } else if (run <= 18) {
            tokens.push_back({1, static_cast<std::uint32_t>(run - 3), 4});
        } else if (run == 19) {
            tokens.push_back({0, 0, 0});
            tokens.push_back({1, 15, 4});
        } else {
            tokens.push_back({2, static_cast<std::uint32_t>(run - 20), 9});
        }
    }
    return tokens;
}

int DistanceCode(std::uint32_t d) {
    int j = 0;
    while ((d >> j) != 0)
        ++j;
    return j;  // 0 for d = 0, else the bit length of d
}

}  // namespace

void BitWriter::Put(std::uint32_t value, int bits) {
    for (int b = bits - 1; b >= 0; --b) {
        if (bitCount_ % 8 == 0) bytes_.push_back(0);
        if ((value >> b) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bitCount_ % 8));
        ++bitCount_;
    }
}

int DictionaryBits(int method) {
    switch (method) {
        case 4:
            return 12;
        case 5:
            return 13;
        case 6:
            return 15;
        case 7:
            return 16;
        case 8:  // -lhx-
            return 19;
        default:
            throw std::invalid_argument("method");
    }
}

void WriteBlock(BitWriter& out, int method, const std::vector<LzhSymbol>& symbols,
                std::optional<std::uint16_t> countField) {
    const int np = std::max(DictionaryBits(method) + 1, 14);
    const int pbit = np <= 14 ? 4 : 5;
    std::vector<std::uint64_t> charCounts(kCharCodes, 0);
    std::vector<std::uint64_t> distCounts(static_cast<std::size_t>(np), 0);
    for (const LzhSymbol& s : symbols) {
        ++charCounts[static_cast<std::size_t>(s.code)];
        if (s.code >= 256) ++distCounts[static_cast<std::size_t>(DistanceCode(s.back - 1))];
    }
    out.Put(countField.value_or(static_cast<std::uint16_t>(symbols.size())), 16);

    const bool singleChar = UsedCount(charCounts) <= 1;
    const std::vector<std::uint8_t> charLengths =
        singleChar ? std::vector<std::uint8_t>(kCharCodes, 0) : CodeLengths(charCounts);
    const std::vector<Token> tokens = CharLengthTokens(charLengths);
    std::vector<std::uint64_t> tokenCounts(kLengthCodes, 0);
    for (const Token& t : tokens)
        ++tokenCounts[static_cast<std::size_t>(t.code)];
    std::vector<std::uint8_t> tokenLengths(kLengthCodes, 0);
    if (singleChar || UsedCount(tokenCounts) <= 1) {
        out.Put(0, 5);
        out.Put(singleChar ? 0 : static_cast<std::uint32_t>(FirstUsed(tokenCounts)), 5);
    } else {
        tokenLengths = CodeLengths(tokenCounts);
        WritePtLengths(out, tokenLengths, 5, 3);
    }
    if (singleChar) {
        out.Put(0, 9);
        out.Put(symbols.empty() ? 0 : static_cast<std::uint32_t>(symbols[0].code), 9);
    } else {
        int n = kCharCodes;
        while (n > 0 && charLengths[static_cast<std::size_t>(n - 1)] == 0)
            --n;
        out.Put(static_cast<std::uint32_t>(n), 9);
        const std::vector<std::uint32_t> tokenCodes = CanonicalCodes(tokenLengths);
        for (const Token& t : tokens) {
            const std::size_t c = static_cast<std::size_t>(t.code);
            out.Put(tokenCodes[c], tokenLengths[c]);
            out.Put(t.extra, t.extraBits);
        }
    }
    std::vector<std::uint8_t> distLengths(static_cast<std::size_t>(np), 0);
    if (UsedCount(distCounts) <= 1) {
        out.Put(0, pbit);
        out.Put(UsedCount(distCounts) == 0 ? 0 : static_cast<std::uint32_t>(FirstUsed(distCounts)),
                pbit);
    } else {
        distLengths = CodeLengths(distCounts);
        WritePtLengths(out, distLengths, pbit, -1);
    }

    const std::vector<std::uint32_t> charCodes = CanonicalCodes(charLengths);
    const std::vector<std::uint32_t> distCodes = CanonicalCodes(distLengths);
    for (const LzhSymbol& s : symbols) {
        const std::size_t c = static_cast<std::size_t>(s.code);
        out.Put(charCodes[c], charLengths[c]);
        if (s.code < 256) continue;
        const std::uint32_t d = s.back - 1;
        const int j = DistanceCode(d);
        out.Put(distCodes[static_cast<std::size_t>(j)], distLengths[static_cast<std::size_t>(j)]);
        if (j > 1) out.Put(d - (1u << (j - 1)), j - 1);
    }
}

Bytes EncodeSymbols(int method, const std::vector<LzhSymbol>& symbols, std::size_t blockCodes) {
    BitWriter out;
    for (std::size_t first = 0; first < symbols.size(); first += blockCodes) {
        const std::size_t last = std::min(symbols.size(), first + blockCodes);
        WriteBlock(out, method,
                   std::vector<LzhSymbol>(symbols.begin() + static_cast<std::ptrdiff_t>(first),
                                          symbols.begin() + static_cast<std::ptrdiff_t>(last)));
    }
    return out.Finish();
}

std::vector<LzhSymbol> Parse(const Bytes& data, int method) {
    const std::size_t window = std::size_t{1} << DictionaryBits(method);
    constexpr std::size_t kCandidates = 32;
    std::vector<std::vector<std::size_t>> recent(1 << 16);
    const auto hash = [&](std::size_t i) {
        return (data[i] * 506832829u ^ data[i + 1] * 2654435761u ^ data[i + 2]) & 0xFFFF;
    };
    std::vector<LzhSymbol> symbols;
    std::size_t i = 0;
    while (i < data.size()) {
        std::size_t bestLength = 0;
        std::size_t bestBack = 0;
        if (i + 3 <= data.size()) {
            for (const std::size_t from : recent[hash(i)]) {
                if (i - from > window) continue;
                std::size_t n = 0;
                while (n < 256 && i + n < data.size() && data[from + n] == data[i + n])
                    ++n;
                if (n > bestLength) bestLength = n, bestBack = i - from;
            }
        }
        const std::size_t step = bestLength >= 3 ? bestLength : 1;
        if (bestLength >= 3) {
            symbols.push_back(
                Match(static_cast<int>(bestLength), static_cast<std::uint32_t>(bestBack)));
        } else {
            symbols.push_back(Literal(data[i]));
        }
        for (std::size_t k = i; k < i + step && k + 3 <= data.size(); ++k) {
            auto& list = recent[hash(k)];
            if (list.size() == kCandidates) list.erase(list.begin());
            list.push_back(k);
        }
        i += step;
    }
    return symbols;
}

Bytes Compress(const Bytes& data, int method, std::size_t blockCodes) {
    return EncodeSymbols(method, Parse(data, method), blockCodes);
}

Bytes Expand(const std::vector<LzhSymbol>& symbols) {
    Bytes out(65536, 0x20);
    for (const LzhSymbol& s : symbols) {
        if (s.code < 256) {
            out.push_back(static_cast<std::uint8_t>(s.code));
            continue;
        }
        const std::size_t from = out.size() - s.back;
        for (int k = 0; k < s.code - 253; ++k)
            out.push_back(out[from + static_cast<std::size_t>(k)]);
    }
    return Bytes(out.begin() + 65536, out.end());
}

}  // namespace quillory::testing
