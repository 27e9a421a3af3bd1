// The reference decoder: a slow static-Huffman decoder written step by step, a tree walk
// after one table look-up and the dictionary written as it fills, for differential tests
// of the real decoder. It refuses what the real decoder refuses.
#include "tests/lzh/reference_decoder.h"

#include <algorithm>
#include <vector>

#include "common/checksums.h"

namespace quillory::testing {
namespace {

constexpr int NC = 510;
constexpr int NT = 19;
constexpr int NPT = 20;  // -lhx-'s distance codes

class Reference {
public:
    Reference(int method, const Bytes& data) : data_(data) {
        dicbit_ = method == 4 ? 12 : method == 5 ? 13 : method == 6 ? 15 : method == 7 ? 16 : 19;
        np_ = std::max(dicbit_ + 1, 14);
        pbit_ = np_ <= 14 ? 4 : 5;
    }

    ReferenceResult Run(std::uint32_t originalSize) {
        ReferenceResult result;
        if (originalSize == 0) {
            result.completed = true;
            return result;
        }
        const std::size_t dicsiz = std::size_t{1} << dicbit_;
        std::vector<std::uint8_t> text(dicsiz, 0x20);
        fillbuf(16);
        consumed_ = 0;  // priming the buffer consumes nothing
        std::size_t wpos = 0;
        std::uint64_t produced = 0;
        std::uint16_t crc = 0;
        const auto flush = [&](std::size_t n) {
            crc = Crc16Update(crc, text.data(), n);
            result.written.insert(result.written.end(), text.begin(),
                                  text.begin() + static_cast<std::ptrdiff_t>(n));
        };
        while (produced < originalSize) {
            if (blocksize_ == 0) {
                blocksize_ = static_cast<std::uint16_t>(getbits(16));
                if (!read_pt_len(NT, 5, 3) || !read_c_len() || !read_pt_len(np_, pbit_, -1) ||
                    Over()) {
                    return result;
                }
            }
            --blocksize_;
            const unsigned c = decode_c();
            if (c < 256) {
                if (Over()) return result;
                text[wpos++] = static_cast<std::uint8_t>(c);
                produced += 1;
                if (wpos == dicsiz) flush(dicsiz), wpos = 0;
            } else {
                const unsigned length = c - 253;
                const unsigned d = decode_p();
                if (Over() || d >= dicsiz) return result;  // past the dictionary (-lh4-)
                std::size_t from = (wpos - d - 1) & (dicsiz - 1);
                // A match that runs past the original size is cut there.
                for (unsigned k = 0; k < length && produced < originalSize; ++k, ++produced) {
                    text[wpos++] = text[from];
                    from = (from + 1) & (dicsiz - 1);
                    if (wpos == dicsiz) flush(dicsiz), wpos = 0;
                }
            }
        }
        flush(wpos);
        result.completed = true;
        result.crc = crc;
        return result;
    }

private:
    bool Over() const { return consumed_ > data_.size() * 8; }

    std::uint8_t NextByte() { return pos_ < data_.size() ? data_[pos_++] : 0; }

    // Shifts n bits out of bitbuf and n new ones in, most significant first.
    void fillbuf(int n) {
        consumed_ += static_cast<std::uint64_t>(n);
        while (n > bitcount_) {
            n -= bitcount_;
            bitbuf_ = static_cast<std::uint16_t>((bitbuf_ << bitcount_) +
                                                 (subbitbuf_ >> (8 - bitcount_)));
            subbitbuf_ = NextByte();
            bitcount_ = 8;
        }
        bitcount_ -= n;
        bitbuf_ = static_cast<std::uint16_t>((bitbuf_ << n) + (subbitbuf_ >> (8 - n)));
        subbitbuf_ = static_cast<std::uint8_t>(subbitbuf_ << n);
    }

    unsigned getbits(int n) {
        const unsigned x = static_cast<unsigned>(bitbuf_ >> (16 - n));
        fillbuf(n);
        return x;
    }

    // The table build as described: start values in 16 bits, short codes filled into
    // the table, long ones walked into a tree below their table slot. Lengths that do
    // not exactly fill the code space are refused, and so (unlike a plain 16-bit check)
    // are sets that overfill it by a multiple of 2^16, which would write past the table.
    bool make_table(int nchar, const std::uint8_t* bitlen, int tablebits, std::uint16_t* table) {
        std::uint32_t count[17] = {}, weight[17], start[18];
        for (int i = 0; i < nchar; ++i)
            ++count[bitlen[i]];
        std::uint32_t total = 0;
        for (int i = 1; i <= 16; ++i)
            total += count[i] << (16 - i);
        if (total != 0 && total != 65536) return false;
        start[1] = 0;
        for (int i = 1; i <= 16; ++i)
            start[i + 1] = (start[i] + (count[i] << (16 - i))) & 0xFFFF;
        const int jutbits = 16 - tablebits;
        for (int i = 1; i <= tablebits; ++i) {
            start[i] >>= jutbits;
            weight[i] = 1u << (tablebits - i);
        }
        for (int i = tablebits + 1; i <= 16; ++i)
            weight[i] = 1u << (16 - i);
        // Start values are 16-bit: with no longer codes start[tablebits + 1] wrapped to
        // 0 and the whole table is cleared before the short codes are filled in.
        const std::uint32_t size = 1u << tablebits;
        for (std::uint32_t i = start[tablebits + 1] >> jutbits; i < size; ++i)
            table[i] = 0;
        unsigned avail = static_cast<unsigned>(nchar);
        const std::uint32_t mask = 1u << (15 - tablebits);
        for (int ch = 0; ch < nchar; ++ch) {
            const int len = bitlen[ch];
            if (len == 0) continue;
            std::uint32_t k = start[len];
            const std::uint32_t nextcode = k + weight[len];
            if (len <= tablebits) {
                for (std::uint32_t t = k; t < nextcode; ++t)
                    table[t] = static_cast<std::uint16_t>(ch);
            } else {
                std::uint16_t* p = &table[k >> jutbits];
                for (int n = len - tablebits; n > 0; --n) {
                    if (*p == 0) {
                        right_[avail] = left_[avail] = 0;
                        *p = static_cast<std::uint16_t>(avail++);
                    }
                    p = (k & mask) ? &right_[*p] : &left_[*p];
                    k <<= 1;
                }
                *p = static_cast<std::uint16_t>(ch);
            }
            start[len] = nextcode;
        }
        return true;
    }

    bool read_pt_len(int nn, int nbit, int i_special) {
        const int n = static_cast<int>(getbits(nbit));
        if (n == 0) {
            const unsigned c = getbits(nbit);
            if (c >= static_cast<unsigned>(nn)) return false;
            std::fill(pt_len_, pt_len_ + nn, 0);
            std::fill(pt_table_, pt_table_ + 256, static_cast<std::uint16_t>(c));
            return true;
        }
        if (n > nn) return false;
        int i = 0;
        while (i < n) {
            unsigned c = bitbuf_ >> 13;
            if (c == 7) {
                for (unsigned mask = 1u << 12; mask & bitbuf_; mask >>= 1)
                    ++c;
            }
            if (c > 16) return false;
            fillbuf(c < 7 ? 3 : static_cast<int>(c) - 3);
            pt_len_[i++] = static_cast<std::uint8_t>(c);
            if (i == i_special) {
                int k = static_cast<int>(getbits(2));
                while (--k >= 0)
                    pt_len_[i++] = 0;
            }
        }
        while (i < nn)
            pt_len_[i++] = 0;
        return make_table(nn, pt_len_, 8, pt_table_);
    }

    bool read_c_len() {
        const int n = static_cast<int>(getbits(9));
        if (n == 0) {
            const unsigned c = getbits(9);
            if (c >= NC) return false;
            std::fill(c_len_, c_len_ + NC, 0);
            std::fill(c_table_, c_table_ + 4096, static_cast<std::uint16_t>(c));
            return true;
        }
        if (n > NC) return false;
        int i = 0;
        while (i < n) {
            unsigned c = pt_table_[bitbuf_ >> 8];
            if (c >= NT) {
                unsigned mask = 1u << 7;
                do {
                    c = (bitbuf_ & mask) ? right_[c] : left_[c];
                    mask >>= 1;
                } while (c >= NT);
            }
            fillbuf(pt_len_[c]);
            if (c <= 2) {
                int run = c == 0   ? 1
                          : c == 1 ? static_cast<int>(getbits(4)) + 3
                                   : static_cast<int>(getbits(9)) + 20;
                if (i + run > NC) return false;
                while (--run >= 0)
                    c_len_[i++] = 0;
            } else {
                c_len_[i++] = static_cast<std::uint8_t>(c - 2);
            }
        }
        while (i < NC)
            c_len_[i++] = 0;
        return make_table(NC, c_len_, 12, c_table_);
    }

    unsigned decode_c() {
        unsigned j = c_table_[bitbuf_ >> 4];
        if (j < NC) {
            fillbuf(c_len_[j]);
        } else {
            fillbuf(12);
            unsigned mask = 1u << 15;
            do {
                j = (bitbuf_ & mask) ? right_[j] : left_[j];
                mask >>= 1;
            } while (j >= NC);
            fillbuf(c_len_[j] - 12);
        }
        return j;
    }

    unsigned decode_p() {
        unsigned j = pt_table_[bitbuf_ >> 8];
        if (j < static_cast<unsigned>(np_)) {
            fillbuf(pt_len_[j]);
        } else {
            fillbuf(8);
            unsigned mask = 1u << 15;
            do {
                j = (bitbuf_ & mask) ? right_[j] : left_[j];
                mask >>= 1;
            } while (j >= static_cast<unsigned>(np_));
            fillbuf(pt_len_[j] - 8);
        }
        if (j != 0) j = (1u << (j - 1)) + getbits(static_cast<int>(j) - 1);
        return j;
    }

    const Bytes& data_;
    std::size_t pos_ = 0;
    std::uint64_t consumed_ = 0;
    int dicbit_, np_, pbit_;
    std::uint16_t bitbuf_ = 0;
    std::uint8_t subbitbuf_ = 0;
    int bitcount_ = 0;
    std::uint16_t blocksize_ = 0;
    std::uint8_t c_len_[NC] = {};
    std::uint8_t pt_len_[NPT] = {};
    std::uint16_t c_table_[4096] = {};
    std::uint16_t pt_table_[256] = {};
    std::uint16_t left_[2 * NC] = {};
    std::uint16_t right_[2 * NC] = {};
};

}  // namespace

ReferenceResult ReferenceDecode(int method, const Bytes& data, std::uint32_t originalSize) {
    return Reference(method, data).Run(originalSize);
}

}  // namespace quillory::testing
