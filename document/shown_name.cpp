// Names on one line: a copy with each control character replaced, the common name
// without one appended as it is.
#include "document/shown_name.h"

#include <algorithm>

namespace quillory {

void AppendShownName(WStringView name, WString* out) {
    const auto control = [](char16_t c) { return platform::IsControlCharacter(c); };
    const auto first = std::find_if(name.begin(), name.end(), control);
    out->append(name.begin(), first);
    for (auto c = first; c != name.end(); ++c)
        out->push_back(control(*c) ? u'?' : *c);
}

WString ShownName(WStringView name) {
    WString shown;
    AppendShownName(name, &shown);
    return shown;
}

}  // namespace quillory
