// Little-endian byte writers for the tests' archive builders: append a 16-, 32- or 64-bit
// value to a byte vector, or overwrite one in place. Both archive formats store every
// number this way. Values wider than the field are cut to it, as a writer would store
// them; an overwrite past the vector's end is a test's own error and is not checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillory::testing {

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void Put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

inline void Set16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Set32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    Set16(bytes, at, v & 0xFFFF);
    Set16(bytes, at + 2, v >> 16);
}

}  // namespace quillory::testing
