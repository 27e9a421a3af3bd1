// The checksums of the two archive formats: CRC-32 (ZIP members, and the table behind
// the traditional ZIP cipher), CRC-16 (LZH members and headers) and the 8-bit sum of
// LZH level 0/1 headers. Results are those of the byte-at-a-time definitions; the
// implementations process many bytes per step.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory {

// Reflected CRC-32 (ISO-HDLC, polynomial 0xEDB88320). Start with 0 and pass the previous
// result to continue; pre- and post-inversion are done here. A null data pointer gives 0.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);

// The 256-entry CRC-32 table, built on first use; the same table until Crc32Release.
// Null only if the table could not be allocated (Crc32Update still gives right results).
const std::uint32_t* Crc32Table();

// Frees the table; the next Crc32Table or Crc32Update builds it again.
void Crc32Release();

// Reflected CRC-16 of LZH (CRC-16/ARC, polynomial 0xA001), no inversion: start with 0.
void Crc16Init();
std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t length);
const std::uint16_t* Crc16Table();

// Sum of the bytes modulo 256.
std::uint8_t HeaderSum8(const void* data, std::size_t length);

namespace detail {
// The implementations behind Crc32Update, exposed so tests and benchmarks can compare
// them with each other. Each takes and returns the inverted (raw) register.
std::uint32_t Crc32RawPortable(std::uint32_t raw, const std::uint8_t* p, std::size_t n);
// Null when the CPU lacks the instructions.
using Crc32RawFunction = std::uint32_t (*)(std::uint32_t, const std::uint8_t*, std::size_t);
Crc32RawFunction Crc32RawCarrylessMultiply();
std::uint32_t Crc32RawBytewise(std::uint32_t raw, const std::uint8_t* p, std::size_t n);
std::uint16_t Crc16Bytewise(std::uint16_t crc, const std::uint8_t* p, std::size_t n);
}  // namespace detail

}  // namespace quillory
