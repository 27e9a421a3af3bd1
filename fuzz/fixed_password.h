// The answer of the fuzz targets to every password question: the fixtures' password, so
// that encrypted seeds decode past their checks; and the test run that asks it.
#pragma once

#include <cstddef>

#include "common/extract_callback.h"
#include "common/member_run.h"
#include "crypto/remembered_password.h"

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

// A test run that answers with the fixed password and remembers it in password.
inline MemberRun TestRun(ExtractCallback& callback, RememberedPassword& password) {
    MemberRun run;
    run.callback = &callback;
    run.testMode = true;
    run.password = &password;
    return run;
}

}  // namespace quillory::fuzzing
