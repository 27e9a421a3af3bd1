// Fuzz target for the PPMd decoder (method 98) alone, from memory; the input's layout
// and the checks are fuzz/method_fuzzer.h's. Seeds: fuzz/seeds/ppmd/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(98, data, size);
}
