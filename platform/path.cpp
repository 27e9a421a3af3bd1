// Program path <-> host path.
#include "platform/path.h"

#include <climits>

namespace quillory::platform {

std::string ToHostPath(WStringView programPath) {
    std::string host = WideToUtf8(programPath);
    for (char& c : host) {
        if (c == '\\') c = '/';
    }
    return host;
}

WString FromHostPath(std::string_view hostPath) {
    WString program = Utf8ToWide(hostPath);
    for (char16_t& c : program) {
        if (c == u'/') c = u'\\';
    }
    return program;
}

std::size_t MaxHostPathBytes() {
    return PATH_MAX - 1;
}

bool FitsHostPath(WStringView programPath) {
    // Each UTF-16 unit gives at most three UTF-8 bytes; measure exactly only when needed.
    if (programPath.size() * 3 <= MaxHostPathBytes()) return true;
    return WideToUtf8(programPath).size() <= MaxHostPathBytes();
}

}  // namespace quillory::platform
