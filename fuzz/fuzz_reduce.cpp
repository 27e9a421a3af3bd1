// Fuzz target for the reduce decoder (methods 2-5, the factor from the first byte) alone,
// from memory; the input's layout and the checks are fuzz/method_fuzzer.h's. Seeds:
// fuzz/seeds/reduce/.
#include "fuzz/method_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillory::fuzz::FuzzMethod(2, data, size);
}
