// Method identifiers ("-lh5-", "-lzs-", ...) to method numbers, folder entries, and the
// quick look for a method identifier in raw bytes. Identifiers are compared exactly; any
// other is unsupported.
#include "lzh/lzh_method.h"

#include <array>

namespace quillory::lzh {

namespace {

struct MethodName {
    const char16_t* identifier;
    int code;
};

constexpr std::array kMethods = {
    MethodName{u"-lh0-", kMethodStored}, MethodName{u"-lh1-", kMethodLh1},
    MethodName{u"-lh2-", kMethodLh2},    MethodName{u"-lh3-", kMethodLh3},
    MethodName{u"-lh4-", kMethodLh4},    MethodName{u"-lh5-", kMethodLh5},
    MethodName{u"-lh6-", kMethodLh6},    MethodName{u"-lh7-", kMethodLh7},
    MethodName{u"-lhx-", kMethodLhx},    MethodName{u"-lzs-", kMethodLzs},
    MethodName{u"-lz5-", kMethodLz5},    MethodName{u"-lz4-", kMethodStored},
    MethodName{u"-pm0-", kMethodStored}, MethodName{u"-pm1-", kMethodPm1},
    MethodName{u"-pm2-", kMethodPm2},
};

}  // namespace

int MethodCode(WStringView method) {
    for (const MethodName& known : kMethods) {
        if (method == known.identifier) return known.code;
    }
    return kMethodUnsupported;
}

bool IsFolderMethod(WStringView method) {
    return method == u"-lhd-";
}

bool LooksLikeMethod(const std::uint8_t* p) {
    if (p[0] != '-' || p[4] != '-') return false;
    if (p[1] == 'l' && p[2] == 'h') {
        return (p[3] >= '0' && p[3] <= '9') || p[3] == 'd' || p[3] == 'x';
    }
    if (p[1] == 'l' && p[2] == 'z') return p[3] == 's' || p[3] == '4' || p[3] == '5';
    return p[1] == 'p' && p[2] == 'm' && p[3] >= '0' && p[3] <= '2';
}

}  // namespace quillory::lzh
