// Fuzz target for the Zstandard decoder (method 93) alone, from memory; the input's layout
// and the checks are fuzz/method_fuzzer.h's. Seeds: fuzz/seeds/zstd/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(93, data, size);
}
