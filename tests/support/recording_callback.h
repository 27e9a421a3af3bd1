// An ExtractCallback for tests: records every question and answers from fixed settings.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "common/extract_callback.h"

namespace quillory::testing {

class RecordingCallback : public ExtractCallback {
public:
    struct Question {
        enum Kind { UnsafePath, Password, Overwrite } kind;
        WString name;         // the stored path for UnsafePath
        WString target = {};  // UnsafePath: where the member would be written
    };

    // Answers given to the questions (1 = yes) and whether "for all" is set with them.
    int unsafeAnswer = 0;
    int unsafeForAll = 0;
    int overwriteAnswer = 0;
    int overwriteForAll = 0;
    // Passwords handed out in turn; once used up, the dialog counts as cancelled.
    std::vector<WString> passwords;

    std::vector<Question> questions;

    void ConfirmUnsafePath(WStringView storedPath, WStringView targetPath, int* proceed,
                           int* forAll) override {
        questions.push_back({Question::UnsafePath, WString(storedPath), WString(targetPath)});
        *proceed = unsafeAnswer;
        *forAll = unsafeForAll;
    }
    bool AskPassword(WStringView memberName, bool wrongBefore, WChar* password) override {
        questions.push_back({Question::Password, WString(memberName)});
        passwordWrongBefore.push_back(wrongBefore);
        if (nextPassword_ >= passwords.size()) return false;
        const WString& p = passwords[nextPassword_++];
        const std::size_t n = std::min<std::size_t>(p.size(), kPasswordBufferUnits - 1);
        std::copy_n(p.begin(), n, password);
        password[n] = u'\0';
        return true;
    }
    void ConfirmOverwrite(WStringView name, WStringView outputPath, std::uint64_t memberSize,
                          FileTime, int* overwrite, int* forAll) override {
        questions.push_back({Question::Overwrite, WString(name), WString(outputPath)});
        overwriteSizes.push_back(memberSize);
        *overwrite = overwriteAnswer;
        *forAll = overwriteForAll;
    }

    void OutputProduced(std::size_t count) override { produced += count; }

    std::vector<std::uint64_t> overwriteSizes;  // the member sizes the questions carried
    std::vector<bool> passwordWrongBefore;      // each password question's wrongBefore
    std::uint64_t produced = 0;                 // bytes reported as produced

    std::size_t Count(Question::Kind kind) const {
        std::size_t n = 0;
        for (const auto& q : questions)
            n += q.kind == kind;
        return n;
    }

private:
    std::size_t nextPassword_ = 0;
};

}  // namespace quillory::testing
