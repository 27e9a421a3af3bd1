// Fuzz target for the bzip2 decoder (method 12) alone, from memory; the input's layout
// and the checks are fuzz/method_fuzzer.h's. Seeds: fuzz/seeds/bzip2/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(12, data, size);
}
