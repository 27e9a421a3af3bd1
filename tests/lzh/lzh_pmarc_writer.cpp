// Writers of PMarc -pm1- and -pm2- streams for the decoder tests: literals and copies
// coded as the format defines them, so a test can build a valid stream and damage it.
#include "tests/lzh/lzh_pmarc_writer.h"

#include <algorithm>
#include <array>

#include "tests/lzh/lzh_stream_builder.h"

namespace quillory::testing {
namespace {

// Byte values by last use, newest first, in their starting order.
class RecentList {
public:
    RecentList() {
        std::size_t at = 0;
        for (auto [first, last] :
             {std::pair{0x20, 0x7F}, {0x00, 0x1F}, {0xA0, 0xDF}, {0x80, 0x9F}, {0xE0, 0xFF}}) {
            for (int v = first; v <= last; ++v)
                order_[at++] = static_cast<std::uint8_t>(v);
        }
    }
    unsigned IndexOf(std::uint8_t value) const {
        return static_cast<unsigned>(std::find(order_.begin(), order_.end(), value) -
                                     order_.begin());
    }
    void Use(std::uint8_t value) {
        const auto at = std::find(order_.begin(), order_.end(), value);
        std::rotate(order_.begin(), at, at + 1);
    }

private:
    std::array<std::uint8_t, 256> order_{};
};

struct Found {
    std::size_t length = 0;
    std::size_t back = 0;  // distance - 1
};

// The longest match at i of up to maxLength bytes within maxBack + 1 bytes behind.
Found FindMatch(const Bytes& data, std::size_t i, std::size_t maxBack, std::size_t maxLength) {
    Found best;
    const std::size_t farthest = std::min(i, maxBack + 1);
    for (std::size_t d = 1; d <= farthest; ++d) {
        std::size_t n = 0;
        while (n < maxLength && i + n < data.size() && data[i + n - d] == data[i + n])
            ++n;
        if (n > best.length) best = {n, d - 1};
        if (n == maxLength) break;
    }
    return best;
}

// Candidate distances are tried near first and sparsely far away, to stay quick.
Found QuickMatch(const Bytes& data, std::size_t i, std::size_t maxBack, std::size_t maxLength) {
    Found best = FindMatch(data, i, std::min<std::size_t>(maxBack, 255), maxLength);
    for (std::size_t d = 257; d <= std::min(i, maxBack + 1); d += 61) {
        std::size_t n = 0;
        while (n < maxLength && i + n < data.size() && data[i + n - d] == data[i + n])
            ++n;
        if (n > best.length) best = {n, d - 1};
    }
    return best;
}

void Copy(const Bytes& data, std::size_t& i, std::size_t length, RecentList& recent) {
    for (std::size_t k = 0; k < length; ++k)
        recent.Use(data[i++]);
}

// ---- -pm2- ----

void PutPm2Literal(BitWriter& out, unsigned index, const std::array<std::uint32_t, 29>& codes) {
    static constexpr unsigned kBase[] = {0, 8, 16, 32, 64, 96, 128, 192, 256};
    static constexpr int kBits[] = {3, 3, 4, 5, 5, 5, 6, 6};
    int kind = 0;
    while (index >= kBase[kind + 1])
        ++kind;
    out.Put(codes[static_cast<std::size_t>(kind)], kind < 3 ? 4 : 5);
    out.Put(index - kBase[kind], kBits[kind]);
}

}  // namespace

Bytes CompressPm2(const Bytes& data) {
    // Kind code: 29 kinds, kinds 0..2 of 4 bits and the rest of 5 (complete), sent as
    // shortest length 4 and 2-bit entries. Width codes: complete codes over 5..8 widths.
    std::array<std::uint8_t, 29> lengths{};
    for (std::size_t k = 0; k < lengths.size(); ++k)
        lengths[k] = k < 3 ? 4 : 5;
    std::array<std::uint32_t, 29> codes{};
    std::uint32_t code = 0;
    for (int length = 4; length <= 5; ++length, code <<= 1) {
        for (std::size_t k = 0; k < lengths.size(); ++k) {
            if (lengths[k] == length) codes[k] = code++;
        }
    }
    static const std::vector<std::vector<int>> kWidthLengths = {
        {2, 2, 2, 3, 3}, {2, 2, 3, 3, 3, 3}, {2, 3, 3, 3, 3, 3, 3}, {3, 3, 3, 3, 3, 3, 3, 3}};
    std::vector<int> widthLengths;
    const auto putWidths = [&](BitWriter& out, std::size_t widths) {
        widthLengths = kWidthLengths[widths - 5];
        for (int l : widthLengths)
            out.Put(static_cast<std::uint32_t>(l), 3);
    };
    const auto widthCode = [&](int width) {
        std::uint32_t c = 0;
        for (int l = 1; l <= 3; ++l, c <<= 1) {
            for (std::size_t w = 0; w < widthLengths.size(); ++w) {
                if (widthLengths[w] != l) continue;
                if (static_cast<int>(w) == width) return std::pair{c, l};
                ++c;
            }
        }
        return std::pair{0u, 0};
    };

    BitWriter out;
    out.Put(0, 1);
    RecentList recent;
    std::size_t renewAt = 0;
    std::size_t i = 0;
    while (i < data.size()) {
        while (i >= renewAt) {
            if (renewAt == 0) {
                out.Put(29, 5), out.Put(4, 3), out.Put(2, 3);
                for (std::uint8_t l : lengths)
                    out.Put(l - 4u + 1u, 2);
                putWidths(out, 5);
                renewAt = 1024;
            } else if (renewAt <= 2048) {
                putWidths(out, renewAt == 1024 ? 6 : 7);
                renewAt *= 2;
            } else if (renewAt == 4096) {
                out.Put(0, 1);
                putWidths(out, 8);
                renewAt = 8192;
            } else {
                out.Put(0, 1);
                renewAt += 4096;
            }
        }
        const std::size_t widths = widthLengths.size();
        const Found m = QuickMatch(data, i, (std::size_t{1} << (widths + 5)) - 1, 256);
        if (m.length < 2 || (m.length == 2 && m.back >= 64)) {
            PutPm2Literal(out, recent.IndexOf(data[i]), codes);
            recent.Use(data[i++]);
            continue;
        }
        if (m.length == 256 && m.back == 0) {
            out.Put(codes[28], 5);
        } else {
            static constexpr std::size_t kBase[] = {17, 25, 33, 65, 129, 257};
            static constexpr int kBits[] = {3, 3, 5, 6, 7};
            const std::size_t length = std::min<std::size_t>(m.length, 255);
            std::size_t kind = length <= 16 ? length - 2 + 8 : 23;
            if (length > 16) {
                while (length >= kBase[kind - 23 + 1])
                    ++kind;
            }
            out.Put(codes[kind], lengths[kind]);
            if (kind >= 23)
                out.Put(static_cast<std::uint32_t>(length - kBase[kind - 23]), kBits[kind - 23]);
            if (kind == 8) {
                out.Put(static_cast<std::uint32_t>(m.back), 6);
            } else {
                int width = 0;
                while (m.back >= (std::size_t{1} << (width + 6)))
                    ++width;
                const auto [wc, wl] = widthCode(width);
                out.Put(wc, wl);
                const std::size_t base = width == 0 ? 0 : std::size_t{1} << (width + 5);
                out.Put(static_cast<std::uint32_t>(m.back - base), width == 0 ? 6 : width + 5);
            }
            Copy(data, i, length, recent);
            continue;
        }
        Copy(data, i, 256, recent);
    }
    return out.Finish();
}

// ---- -pm1- ----

namespace {

// Literal ranges and the tree chosen (index 16: a 0, b 10, c 110, d 1110, e 11110, f 11111).
void PutPm1Literal(BitWriter& out, unsigned index) {
    static constexpr unsigned kBase[] = {0, 16, 32, 64, 128, 192, 256};
    static constexpr int kBits[] = {4, 4, 5, 6, 6, 6};
    int range = 0;
    while (index >= kBase[range + 1])
        ++range;
    for (int k = 0; k < range; ++k)
        out.Put(1, 1);
    if (range < 5) out.Put(0, 1);
    out.Put(index - kBase[range], kBits[range]);
}

void PutPm1Run(BitWriter& out, unsigned n) {
    if (n <= 3) return out.Put(n - 1, 2);
    out.Put(3, 2);
    if (n <= 10) return out.Put(n - 4, 3);
    out.Put(7, 3);
    if (n <= 24) return out.Put(n - 11, 4);
    if (n <= 88) return out.Put(14, 4), out.Put(n - 25, 6);
    out.Put(15, 4), out.Put(n - 89, 7);
}

void PutPm1CopyLength(BitWriter& out, unsigned n) {
    if (n <= 5) return out.Put(n - 3, 2);
    out.Put(3, 2);
    if (n <= 10) return out.Put(n - 6, 3);
    if (n <= 14) return out.Put(5, 3), out.Put(n - 11, 2);
    if (n <= 22) return out.Put(6, 3), out.Put(n - 15, 3);
    out.Put(7, 3);
    if (n <= 84) return out.Put(n - 23, 6);
    if (n <= 116) return out.Put(62, 6), out.Put(n - 85, 5);
    out.Put(63, 6), out.Put(n - 117, 7);
}

// A copy of length (2..244) from back (< produced) at output position produced.
void PutPm1Copy(BitWriter& out, std::size_t produced, std::size_t length, std::size_t back) {
    const auto bitFrom = [&](std::size_t from, unsigned bit) {
        if (produced >= from) out.Put(bit, 1);
    };
    unsigned kind;
    if (length == 2) {
        kind = back < 64 ? 0 : 1;
        out.Put(0, 1), bitFrom(576, 0), bitFrom(64, kind);
    } else if (back < 64) {
        kind = 2;
        out.Put(1, 1), bitFrom(64, 1), bitFrom(2624, 1);
    } else if (back < 576) {
        kind = 3;
        out.Put(1, 1), out.Put(0, 1);
    } else if (back < 2624) {
        kind = 4;
        out.Put(0, 1), out.Put(1, 1);
    } else {
        kind = 5;
        out.Put(1, 1), out.Put(1, 1), out.Put(0, 1);
    }
    if (length > 2) PutPm1CopyLength(out, static_cast<unsigned>(length));
    static constexpr std::size_t kBase[] = {0, 64, 0, 64, 576, 2624};
    int bits = std::array{6, 8, 6, 9, 11, 13}[kind];
    if (kind == 3 && produced < 320) bits = 8;
    if (kind == 4) bits = produced < 832 ? 8 : produced < 1088 ? 9 : produced < 1600 ? 10 : 11;
    if (kind == 5) {
        bits = produced < 2880   ? 8
               : produced < 3136 ? 9
               : produced < 3648 ? 10
               : produced < 4672 ? 11
               : produced < 6720 ? 12
                                 : 13;
    }
    out.Put(static_cast<std::uint32_t>(back - kBase[kind]), bits);
}

}  // namespace

Bytes CompressPm1(const Bytes& data) {
    BitWriter out;
    out.Put(16, 5);
    RecentList recent;
    std::size_t i = 0;
    Bytes run;  // literal indices waiting for the copy that ends their run
    const auto usable = [&](const Found& m, std::size_t at) {
        if (m.length < 2 || m.back >= at) return false;
        return m.length > 2 || m.back < 64 || (m.back < 320 && at >= 64);
    };
    while (i < data.size()) {
        // Distances open up with the output: 64, 576 and 2624 bytes.
        const std::size_t reach = i >= 2624 ? 10815 : i >= 576 ? 2623 : i >= 64 ? 575 : 63;
        const Found m = QuickMatch(data, i, reach, 244);
        if (!usable(m, i) || run.size() == 216) {
            if (run.size() == 216) {
                out.Put(1, 1), PutPm1Run(out, 216);
                for (std::uint8_t index : run)
                    PutPm1Literal(out, index);
                run.clear();
                continue;
            }
            run.push_back(static_cast<std::uint8_t>(recent.IndexOf(data[i])));
            recent.Use(data[i++]);
            continue;
        }
        const std::size_t produced = i;
        if (!run.empty()) {
            out.Put(1, 1), PutPm1Run(out, static_cast<unsigned>(run.size()));
            for (std::uint8_t index : run)
                PutPm1Literal(out, index);
            run.clear();
        } else {
            out.Put(0, 1);
        }
        PutPm1Copy(out, produced, m.length, m.back);
        Copy(data, i, m.length, recent);
    }
    if (!run.empty()) {
        // The last run ends the data: its copy is left out, as PMarc leaves it out.
        out.Put(1, 1), PutPm1Run(out, static_cast<unsigned>(run.size()));
        for (std::uint8_t index : run)
            PutPm1Literal(out, index);
    }
    return out.Finish();
}

}  // namespace quillory::testing
