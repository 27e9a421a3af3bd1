// Method identifiers to method numbers.
#include "lzh/lzh_method.h"

namespace quillory::lzh {

int MethodCode(WStringView method) {
    if (method == u"-lh0-") return kMethodStored;
    if (method == u"-lh5-") return kMethodLh5;
    if (method == u"-lh6-") return kMethodLh6;
    if (method == u"-lh7-") return kMethodLh7;
    return kMethodUnsupported;
}

bool IsFolderMethod(WStringView method) {
    return method == u"-lhd-";
}

}  // namespace quillory::lzh
