// Fuzz target for the xz decoder (method 95) alone, from memory; the input's layout
// and the checks are fuzz/method_fuzzer.h's. Seeds: fuzz/seeds/xz/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(95, data, size);
}
