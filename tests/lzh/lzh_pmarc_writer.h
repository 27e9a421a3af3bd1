// Writes PMarc -pm1- and -pm2- streams for tests and benchmarks, from the format's
// description and independently of the decoder: a greedy LZ77 parse, literals as
// positions in a list of byte values by last use (kept as a plain array here), and
// fixed, complete codes wherever the format lets the writer choose.
#pragma once

#include "tests/support/test_support.h"

namespace quillory::testing {

Bytes CompressPm1(const Bytes& data);
Bytes CompressPm2(const Bytes& data);

}  // namespace quillory::testing
