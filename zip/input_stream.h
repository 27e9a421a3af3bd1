// The input stream of one member's data: the stream length's worth of bytes read from
// the archive's source in pieces of at most 32768 bytes, each piece decrypted as it
// arrives (traditional cipher or AES counter mode); data in the clear in memory is handed
// out where it lies. Byte() hands bytes out one at a time, as the data is defined; the
// inflate engine reads the same bytes straight from the buffer. Nothing past the stream
// length is ever read from the source.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_source.h"
#include "zip/inflate_input.h"

namespace quillory::zip {

class ZipInputStream final : public InflateInput {
public:
    static constexpr std::size_t kPieceBytes = 32768;

    // Decrypts a piece in place as it arrives; null for members stored in the clear.
    using Decryptor = void (*)(void* context, std::uint8_t* data, std::size_t size);

    // ZipInputStart: begins a stream of `length` bytes at offset in source and reads its
    // first piece.
    void Start(const ByteSource& source, std::uint64_t offset, std::uint64_t length,
               Decryptor decrypt = nullptr, void* context = nullptr);

    // ZipInputByte: the next byte (0..255), or -1 once the stream is used up or a read
    // brings nothing.
    int Byte() {
        if (next == end && !Refill()) return -1;
        return *next++;
    }

    bool Refill() override;

    // Reads what is left of the stream (through the decryptor) without handing it out,
    // so that an authentication code covers all of the member's data.
    void Drain() {
        do {
            next = end;
        } while (Refill());
    }

    // Bytes of the stream not yet read from the source.
    std::uint64_t Unread() const { return unread_; }

private:
    const ByteSource* source_ = nullptr;
    std::uint64_t offset_ = 0;  // where the next piece is read from
    std::uint64_t unread_ = 0;
    Decryptor decrypt_ = nullptr;
    void* context_ = nullptr;
    // The carried tail sits just in front of each new piece.
    alignas(64) std::uint8_t buffer_[kMaxCarryBytes + kPieceBytes];
};

}  // namespace quillory::zip
