// The one construct through which the decoders (inflate and Deflate64, every LZH method)
// refuse a stream, after libdeflate's SAFETY_CHECK. DECODE_CHECK(condition, failure)
// states what a sound stream satisfies; when it does not hold, the enclosing function
// returns `failure`. So `grep -rn 'DECODE_CHECK(' zip lzh` lists every refusal: bad
// tables and counts, codes that name nothing, distances out of reach, bits read past the
// end of the data, in the hot loops too. Failures that are not the stream's fault (no
// memory, a refused write, a requested stop) are plain returns and do not use it.
// The failing branch is marked unlikely: on a sound stream a check costs one compare.
#pragma once

#define DECODE_CHECK(condition, failure) \
    do {                                 \
        if (!(condition)) [[unlikely]]   \
            return failure;              \
    } while (false)
