// The bzip2 stream decoder: a most-significant-bit-first reader with a 64-bit buffer
// refilled a word at a time, Huffman tables decoded through a 10-bit first-level lookup
// (longer codes, up to 20 bits, by their canonical limits), the move-to-front list as a
// byte array, the inverse Burrows-Wheeler transform as one vector whose entries hold
// the next position above the byte so that the output walk costs one load per byte, and
// the final run-length stage and the CRC done as the output is written.
#include "zip/bzip2_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "common/decode_check.h"

namespace quillory::zip {
namespace {

using R = MethodResult;

constexpr std::uint64_t kBlockMagic = 0x314159265359;
constexpr std::uint64_t kEndMagic = 0x177245385090;
constexpr std::uint32_t kLevelBytes = 100000;
constexpr unsigned kMinTables = 2;
constexpr unsigned kMaxTables = 6;
constexpr unsigned kGroupSymbols = 50;
// Enough selectors for the largest block: one per 50 symbols, with the end-of-block symbol.
constexpr unsigned kMaxSelectors = 2 + 9 * kLevelBytes / kGroupSymbols;
constexpr unsigned kMaxCodeBits = 20;
constexpr unsigned kFastBits = 10;
constexpr unsigned kMaxSymbols = 258;  // RUNA, RUNB, 255 move-to-front indices, end of block

// --- CRC ------------------------------------------------------------------------------

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
    CrcTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
        }
    }
    return t;
}

constexpr CrcTables kCrc = MakeCrcTables();

// --- Bits -----------------------------------------------------------------------------

std::uint64_t LoadBe64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | p[i];
    return v;
}

// The stream's bits from the top of a 64-bit buffer. When the input ends, zero bits
// follow; Overran() tells that some of them were taken, which the callers check before
// they trust what they read (every loop is bounded, so zeros cannot make one spin).
class BitReader {
public:
    explicit BitReader(InflateInput& input) : input_(input) {}

    // At least 57 bits in the buffer.
    void Fill() {
        if (input_.end - input_.next >= 8) [[likely]] {
            // The bytes below the counted bits are the next bytes of the stream, which the
            // next fill puts in the same place again.
            bits_ |= LoadBe64(input_.next) >> count_;
            input_.next += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            FillSlowly();
        }
    }

    // The next n bits (1 to 32).
    std::uint32_t Get(unsigned n) {
        if (count_ < n) Fill();
        const auto v = static_cast<std::uint32_t>(bits_ >> (64 - n));
        bits_ <<= n;
        count_ -= n;
        return v;
    }

    std::uint64_t Peek() const { return bits_; }
    unsigned count() const { return count_; }
    void Skip(unsigned n) {
        bits_ <<= n;
        count_ -= n;
    }

    bool Overran() const { return padded_ > count_; }

private:
    void FillSlowly() {
        while (count_ <= 56) {
            if (input_.next == input_.end && !ended_) ended_ = !input_.Refill();
            if (input_.next == input_.end) {
                padded_ += 8;
            } else {
                bits_ |= std::uint64_t{*input_.next++} << (56 - count_);
            }
            count_ += 8;
        }
    }

    InflateInput& input_;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    std::uint64_t padded_ = 0;  // zero bits appended after the input's end
    bool ended_ = false;
};

// --- Huffman tables -------------------------------------------------------------------

// One table of canonical codes (shorter codes first, equal lengths in symbol order).
struct HuffmanTable {
    // By the next kFastBits bits: symbol << 5 | length, or 0 for a longer code.
    std::uint16_t fast[1u << kFastBits];
    // For each length: one past its last code, and the index in `sorted` minus its first.
    std::uint32_t limit[kMaxCodeBits + 1];
    std::int32_t base[kMaxCodeBits + 1];
    std::uint16_t sorted[kMaxSymbols];

    // False when the lengths oversubscribe the code space. An incomplete set is taken
    // (libbz2 takes it): a code that names nothing fails when it is read.
    bool Build(const std::uint8_t* lengths, unsigned symbols) {
        unsigned count[kMaxCodeBits + 1] = {};
        for (unsigned s = 0; s < symbols; ++s)
            ++count[lengths[s]];
        std::uint32_t space = 0;
        for (unsigned len = 1; len <= kMaxCodeBits; ++len)
            space += count[len] << (kMaxCodeBits - len);
        if (space > (1u << kMaxCodeBits)) return false;
        std::uint32_t code = 0;
        std::int32_t index = 0;
        std::uint32_t first[kMaxCodeBits + 1] = {};
        for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
            first[len] = code;
            base[len] = index - static_cast<std::int32_t>(code);
            index += static_cast<std::int32_t>(count[len]);
            code += count[len];
            limit[len] = code;
            code <<= 1;
        }
        std::memset(fast, 0, sizeof fast);
        std::uint32_t next[kMaxCodeBits + 1];
        std::memcpy(next, first, sizeof next);
        for (unsigned s = 0; s < symbols; ++s) {
            const unsigned len = lengths[s];
            const std::uint32_t c = next[len]++;
            sorted[static_cast<std::int32_t>(c) + base[len]] = static_cast<std::uint16_t>(s);
            if (len <= kFastBits) {
                const unsigned shift = kFastBits - len;
                const auto entry = static_cast<std::uint16_t>(s << 5 | len);
                std::fill(fast + (c << shift), fast + ((c + 1) << shift), entry);
            }
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code. At least kMaxCodeBits bits are in
    // the reader.
    int Decode(BitReader& in) const {
        const std::uint64_t bits = in.Peek();
        const unsigned entry = fast[bits >> (64 - kFastBits)];
        if (entry != 0) [[likely]] {
            in.Skip(entry & 31);
            return static_cast<int>(entry >> 5);
        }
        const auto v = static_cast<std::uint32_t>(bits >> (64 - kMaxCodeBits));
        for (unsigned len = kFastBits + 1; len <= kMaxCodeBits; ++len) {
            const std::uint32_t c = v >> (kMaxCodeBits - len);
            if (c < limit[len]) {
                in.Skip(len);
                return sorted[static_cast<std::int32_t>(c) + base[len]];
            }
        }
        return -1;
    }
};

// --- Blocks ---------------------------------------------------------------------------

// One block from its header (after the magic) to its last symbol, leaving the vector
// ready for the output walk.
class BlockReader {
public:
    BlockReader(BitReader& in, std::uint8_t* bytes, std::uint32_t* vector, std::uint32_t maxBytes)
        : in_(in), bytes_(bytes), vector_(vector), maxBytes_(maxBytes) {}

    MethodResult Read();

    std::uint32_t storedCrc = 0;
    std::uint32_t length = 0;  // bytes in the block before the final run-length stage
    std::uint32_t start = 0;   // position of the first output byte's entry

private:
    MethodResult ReadTables();
    MethodResult ReadSymbols();

    BitReader& in_;
    std::uint8_t* const bytes_;
    std::uint32_t* const vector_;
    const std::uint32_t maxBytes_;
    std::uint32_t origin_ = 0;
    unsigned used_ = 0;  // bytes in the block's symbol map
    std::uint8_t byteOf_[256] = {};
    unsigned tableCount_ = 0;
    unsigned selectorCount_ = 0;  // the selectors kept
    std::uint8_t selectors_[kMaxSelectors] = {};
    HuffmanTable tables_[kMaxTables];
    std::uint32_t byteCounts_[256] = {};
};

MethodResult BlockReader::Read() {
    storedCrc = in_.Get(16) << 16;
    storedCrc |= in_.Get(16);
    // Randomised blocks were written only by bzip2 0.9.0 and earlier and are deprecated;
    // they are refused rather than decoded.
    if (in_.Get(1) != 0) return R::Unsupported;
    origin_ = in_.Get(24);

    const std::uint32_t groups = in_.Get(16);
    for (unsigned g = 0; g < 16; ++g) {
        if ((groups & (0x8000u >> g)) == 0) continue;
        const std::uint32_t bits = in_.Get(16);
        for (unsigned b = 0; b < 16; ++b) {
            if (bits & (0x8000u >> b)) byteOf_[used_++] = static_cast<std::uint8_t>(g * 16 + b);
        }
    }
    DECODE_CHECK(used_ != 0, R::DataError);
    if (const R r = ReadTables(); r != R::Ok) return r;
    if (const R r = ReadSymbols(); r != R::Ok) return r;
    DECODE_CHECK(!in_.Overran() && origin_ < length, R::DataError);

    // Byte b's k-th occurrence in the block is row cumulative[b] + k of the sorted
    // rotations; that row's successor in the text is the occurrence's position. The
    // entry of the row holds the successor and its byte, so this pass only writes the
    // vector and the walk reads one entry per byte.
    std::uint32_t cumulative[256];
    std::uint32_t sum = 0;
    for (unsigned b = 0; b < 256; ++b) {
        cumulative[b] = sum;
        sum += byteCounts_[b];
    }
    const std::uint8_t* const bytes = bytes_;
    std::uint32_t* const v = vector_;
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        v[cumulative[b]++] = i << 8 | b;
    }
    start = origin_;
    return R::Ok;
}

MethodResult BlockReader::ReadTables() {
    tableCount_ = in_.Get(3);
    DECODE_CHECK(tableCount_ >= kMinTables && tableCount_ <= kMaxTables, R::DataError);
    const unsigned selectors = in_.Get(15);
    DECODE_CHECK(selectors != 0, R::DataError);
    // libbz2 1.0.8 reads selectors past the most a block can use and ignores them; so
    // does this decoder, as the libbz2 it replaces did.
    selectorCount_ = std::min(selectors, kMaxSelectors);
    std::uint8_t order[kMaxTables] = {0, 1, 2, 3, 4, 5};
    for (unsigned i = 0; i < selectors; ++i) {
        unsigned j = 0;
        while (in_.Get(1) != 0)
            DECODE_CHECK(++j < tableCount_, R::DataError);
        const std::uint8_t t = order[j];
        for (; j > 0; --j)
            order[j] = order[j - 1];
        order[0] = t;
        if (i < kMaxSelectors) selectors_[i] = t;
    }
    const unsigned symbols = used_ + 2;
    std::uint8_t lengths[kMaxSymbols];
    for (unsigned t = 0; t < tableCount_; ++t) {
        unsigned len = in_.Get(5);
        for (unsigned s = 0; s < symbols; ++s) {
            for (;;) {
                DECODE_CHECK(len >= 1 && len <= kMaxCodeBits, R::DataError);
                if (in_.Get(1) == 0) break;
                len = in_.Get(1) != 0 ? len - 1 : len + 1;
            }
            lengths[s] = static_cast<std::uint8_t>(len);
        }
        DECODE_CHECK(tables_[t].Build(lengths, symbols), R::DataError);
    }
    DECODE_CHECK(!in_.Overran(), R::DataError);
    return R::Ok;
}

MethodResult BlockReader::ReadSymbols() {
    const unsigned endOfBlock = used_ + 1;
    std::uint8_t front[256] = {};  // the move-to-front list, of bytes
    std::memcpy(front, byteOf_, used_);
    std::uint8_t* const bytes = bytes_;
    std::uint32_t n = 0;
    std::uint32_t run = 0;     // zeros (repeats of the front byte) announced so far
    std::uint32_t weight = 1;  // what the next RUNA adds; RUNB adds twice as much
    for (unsigned group = 0;; ++group) {
        DECODE_CHECK(group < selectorCount_ && !in_.Overran(), R::DataError);
        const HuffmanTable& table = tables_[selectors_[group]];
        for (unsigned k = 0; k < kGroupSymbols; ++k) {
            if (in_.count() < kMaxCodeBits) in_.Fill();
            const int symbol = table.Decode(in_);
            DECODE_CHECK(symbol >= 0, R::DataError);
            if (symbol <= 1) {
                run += weight << symbol;
                weight <<= 1;
                // run >= weight - 1 keeps weight within 2^21.
                DECODE_CHECK(run <= maxBytes_ - n, R::DataError);
                continue;
            }
            if (run != 0) {
                const std::uint8_t b = front[0];
                byteCounts_[b] += run;
                std::memset(bytes + n, b, run);
                n += run;
                run = 0;
                weight = 1;
            }
            if (static_cast<unsigned>(symbol) == endOfBlock) {
                length = n;
                return R::Ok;
            }
            DECODE_CHECK(n < maxBytes_, R::DataError);
            const unsigned index = static_cast<unsigned>(symbol) - 1;
            const std::uint8_t b = front[index];
            if (index < 8) {
                // Most indices are small: the move within one word.
                std::uint64_t w;
                std::memcpy(&w, front, 8);
                const std::uint64_t moved = ~std::uint64_t{0} >> (8 * (7 - index));
                w = ((w << 8) & moved) | (w & ~moved) | b;
                std::memcpy(front, &w, 8);
            } else {
                std::memmove(front + 1, front, index);
                front[0] = b;
            }
            ++byteCounts_[b];
            bytes[n++] = b;
        }
    }
}

// The output walk of one block: the transform's bytes with the final run-length stage
// undone (after four equal bytes, the next is a count of further repeats, 0 to 255).
class BlockWriter {
public:
    BlockWriter(const std::uint32_t* vector, std::uint32_t start, std::uint32_t length)
        : vector_(vector), position_(start), left_(length) {}

    bool Done() const { return left_ == 0 && repeat_ == 0; }
    std::uint32_t Crc() const { return ~crc_; }

    // Writes to [out, end) until it is full or the block ends; returns the new out.
    std::uint8_t* Write(std::uint8_t* out, std::uint8_t* const end) {
        std::uint8_t* const from = out;
        while (out != end) {
            if (repeat_ != 0) {
                const std::size_t n = std::min<std::size_t>(repeat_, end - out);
                std::memset(out, repeatByte_, n);
                out += n;
                repeat_ -= static_cast<unsigned>(n);
                continue;
            }
            if (left_ == 0) break;
            const std::uint32_t* const v = vector_;
            std::uint32_t position = position_;
            std::uint32_t left = left_;
            unsigned run = run_;
            unsigned last = last_;
            while (out != end && left != 0) {
                const std::uint32_t e = v[position];
                position = e >> 8;
                const unsigned b = e & 0xFF;
                --left;
                if (run == 4) {
                    // After a count the next byte starts a new run, even when it repeats
                    // the last.
                    repeat_ = b;
                    repeatByte_ = static_cast<std::uint8_t>(last);
                    run = 0;
                    last = 256;
                    break;
                }
                run = b == last ? run + 1 : 1;
                last = b;
                *out++ = static_cast<std::uint8_t>(b);
            }
            position_ = position;
            left_ = left;
            run_ = run;
            last_ = last;
        }
        crc_ = Bzip2CrcUpdate(crc_, from, static_cast<std::size_t>(out - from));
        return out;
    }

private:
    const std::uint32_t* const vector_;
    std::uint32_t position_;
    std::uint32_t left_;
    unsigned run_ = 0;
    unsigned last_ = 256;  // none
    unsigned repeat_ = 0;  // repeats of repeatByte_ still to write
    std::uint8_t repeatByte_ = 0;
    std::uint32_t crc_ = 0xFFFFFFFFu;
};

}  // namespace

std::uint32_t Bzip2CrcUpdate(std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
    for (; size >= 8; size -= 8, p += 8) {
        crc ^=
            std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
        crc = kCrc[7][crc >> 24] ^ kCrc[6][(crc >> 16) & 0xFF] ^ kCrc[5][(crc >> 8) & 0xFF] ^
              kCrc[4][crc & 0xFF] ^ kCrc[3][p[4]] ^ kCrc[2][p[5]] ^ kCrc[1][p[6]] ^ kCrc[0][p[7]];
    }
    for (; size != 0; --size, ++p)
        crc = crc << 8 ^ kCrc[0][(crc >> 24) ^ *p];
    return crc;
}

bool Bzip2Work::Reserve(std::uint32_t blockBytes) {
    if (capacity_ >= blockBytes) return true;
    capacity_ = 0;
    bytes_.reset(new (std::nothrow) std::uint8_t[blockBytes]);
    vector_.reset(new (std::nothrow) std::uint32_t[blockBytes]);
    if (bytes_ == nullptr || vector_ == nullptr) return false;
    capacity_ = blockBytes;
    return true;
}

MethodResult Bzip2Work::Decode(InflateInput& input, OutputWindow& window) {
    BitReader in(input);
    DECODE_CHECK(in.Get(24) == 0x425A68, R::DataError);  // "BZh"
    const std::uint32_t level = in.Get(8) - '0';
    DECODE_CHECK(level >= 1 && level <= 9 && !in.Overran(), R::DataError);
    const std::uint32_t maxBytes = level * kLevelBytes;
    if (!Reserve(maxBytes)) return R::OutOfMemory;

    std::uint32_t combined = 0;
    for (;;) {
        const std::uint64_t magic = std::uint64_t{in.Get(24)} << 24 | in.Get(24);
        if (magic == kEndMagic) {
            std::uint32_t stored = in.Get(16) << 16;
            stored |= in.Get(16);
            DECODE_CHECK(!in.Overran() && stored == combined, R::DataError);
            return R::Ok;
        }
        DECODE_CHECK(magic == kBlockMagic && !in.Overran(), R::DataError);
        // The block's tables (about 40 kB) live on the heap with the reader.
        const std::unique_ptr<BlockReader> block(
            new (std::nothrow) BlockReader(in, bytes_.get(), vector_.get(), maxBytes));
        if (block == nullptr) return R::OutOfMemory;
        if (const R r = block->Read(); r != R::Ok) return r;
        BlockWriter writer(vector_.get(), block->start, block->length);
        while (!writer.Done()) {
            const std::size_t room = StepRoom(window);
            if (room == 0) return R::OutputFailed;
            window.out = writer.Write(window.out, window.out + room);
        }
        DECODE_CHECK(writer.Crc() == block->storedCrc, R::DataError);
        combined = (combined << 1 | combined >> 31) ^ block->storedCrc;
    }
}

}  // namespace quillory::zip
