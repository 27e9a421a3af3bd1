// The one construct through which the LZH decoders refuse a damaged stream, so that a
// search for LZH_CHECK lists every refusal. The condition states what a sound stream
// satisfies; when it does not hold, the function returns false (LZH_CHECK) or the
// given failure (LZH_CHECK_OR).
#pragma once

#define LZH_CHECK(condition)       \
    if (!(condition)) [[unlikely]] \
    return false

#define LZH_CHECK_OR(condition, failure) \
    if (!(condition)) [[unlikely]]       \
    return failure
