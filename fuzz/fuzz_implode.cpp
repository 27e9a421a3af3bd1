// Fuzz target for the implode decoder (method 6) alone, from memory; the input's layout
// and the checks are fuzz/method_fuzzer.h's. Seeds: fuzz/seeds/implode/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(6, data, size);
}
