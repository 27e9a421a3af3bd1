// Deflate streams written bit by bit, for streams no encoder produces: blocks with
// chosen code lengths, invalid headers, codes that only some decoders accept. Codes
// are given by their lengths and assigned canonically, as RFC 1951 does.
#pragma once

#include <cstdint>
#include <vector>

namespace quillory::testing {

class DeflateWriter {
public:
    // `count` bits of value, least significant first (header fields, extra bits).
    void Bits(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            if (used_ == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(1u << used_);
            used_ = (used_ + 1) & 7;
        }
    }
    // A Huffman code of `length` bits, most significant first.
    void Code(std::uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;)
            Bits((code >> i) & 1, 1);
    }
    void AlignToByte() { used_ = 0; }
    void Byte(std::uint8_t b) { Bits(b, 8); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    unsigned used_ = 0;  // bits used in the last byte
};

// Canonical codes for a set of code lengths.
class CanonicalCode {
public:
    explicit CanonicalCode(const std::vector<std::uint8_t>& lengths) : lengths_(lengths) {
        unsigned count[16] = {};
        for (auto l : lengths)
            ++count[l];
        count[0] = 0;
        std::uint32_t next[16] = {};
        std::uint32_t code = 0;
        for (unsigned len = 1; len < 16; ++len) {
            code = (code + count[len - 1]) << 1;
            next[len] = code;
        }
        codes_.resize(lengths.size());
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] != 0) codes_[s] = next[lengths[s]]++;
        }
    }
    void Write(DeflateWriter& w, unsigned symbol) const {
        w.Code(codes_[symbol], lengths_[symbol]);
    }
    std::uint8_t Length(unsigned symbol) const { return lengths_[symbol]; }

private:
    std::vector<std::uint8_t> lengths_;
    std::vector<std::uint32_t> codes_;
};

// The fixed code of RFC 1951.
inline CanonicalCode FixedLitLenCode() {
    std::vector<std::uint8_t> l(288);
    for (unsigned i = 0; i < 288; ++i)
        l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    return CanonicalCode(l);
}
inline CanonicalCode FixedDistanceCode() {
    return CanonicalCode(std::vector<std::uint8_t>(32, 5));
}

// Writes a dynamic block header whose code-length code gives every length 0-15 four bits
// (16, 17 and 18 unused), followed by the literal/length and distance lengths.
// Returns nothing; the caller writes the data with codes built from the same lengths.
inline void WriteDynamicHeader(DeflateWriter& w, bool last, const std::vector<std::uint8_t>& litLen,
                               const std::vector<std::uint8_t>& distance) {
    w.Bits(last ? 1 : 0, 1);
    w.Bits(2, 2);
    w.Bits(static_cast<std::uint32_t>(litLen.size() - 257), 5);
    w.Bits(static_cast<std::uint32_t>(distance.size() - 1), 5);
    w.Bits(19 - 4, 4);
    static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    for (unsigned symbol : order)
        w.Bits(symbol < 16 ? 4 : 0, 3);
    std::vector<std::uint8_t> codeLengths(19, 0);
    for (unsigned i = 0; i < 16; ++i)
        codeLengths[i] = 4;
    const CanonicalCode lengthCode(codeLengths);
    for (auto l : litLen)
        lengthCode.Write(w, l);
    for (auto l : distance)
        lengthCode.Write(w, l);
}

// A dynamic block header written symbol by symbol: the code-length code's 19 lengths
// (in symbol order, all sent), then code-length symbols with their extra bits.
struct CodeLengthItem {
    unsigned symbol;
    std::uint32_t extra = 0;  // repeat count bits for 16 (2), 17 (3) and 18 (7)
};
inline void WriteRawDynamicHeader(DeflateWriter& w, bool last, unsigned hlit, unsigned hdist,
                                  const std::vector<std::uint8_t>& codeLengthLengths,
                                  const std::vector<CodeLengthItem>& items) {
    w.Bits(last ? 1 : 0, 1);
    w.Bits(2, 2);
    w.Bits(hlit - 257, 5);
    w.Bits(hdist - 1, 5);
    w.Bits(19 - 4, 4);
    static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    for (unsigned symbol : order)
        w.Bits(codeLengthLengths[symbol], 3);
    const CanonicalCode code(codeLengthLengths);
    for (const CodeLengthItem& item : items) {
        code.Write(w, item.symbol);
        if (item.symbol == 16) w.Bits(item.extra, 2);
        if (item.symbol == 17) w.Bits(item.extra, 3);
        if (item.symbol == 18) w.Bits(item.extra, 7);
    }
}

}  // namespace quillory::testing
