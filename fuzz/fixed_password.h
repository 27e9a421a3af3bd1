// The answer of the fuzz targets to every password question: the fixtures' password, so
// that encrypted seeds decode past their checks.
#pragma once

#include <cstddef>

#include "common/extract_callback.h"

namespace quillory::fuzzing {

class FixedPassword final : public ExtractCallback {
public:
    bool AskPassword(WStringView, bool, WChar* password) override {
        const char16_t fixed[] = u"quillory";
        for (std::size_t i = 0; i < sizeof fixed / sizeof fixed[0]; ++i)
            password[i] = fixed[i];
        return true;
    }
};

}  // namespace quillory::fuzzing
