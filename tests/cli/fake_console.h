// A console for in-process runs of the tool: what it writes is kept, terminal prompts are
// recorded and answered from a script (nothing left: input ended).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/run.h"

namespace quillory::testing {

class FakeConsole final : public cli::Console {
public:
    bool inputIsTerminal = false;
    bool errorIsTerminal = false;
    std::string out;
    std::string err;
    std::deque<std::string> answers;
    struct Prompt {
        std::string text;
        bool echo;
    };
    std::vector<Prompt> prompts;

    bool InputIsTerminal() const override { return inputIsTerminal; }
    bool ErrorIsTerminal() const override { return errorIsTerminal; }
    void Out(std::string_view text) override { out += text; }
    void Err(std::string_view text) override { err += text; }
    std::optional<std::string> Ask(std::string_view prompt, bool echo) override {
        prompts.push_back({std::string(prompt), echo});
        if (answers.empty()) return std::nullopt;
        std::string answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

inline int RunTool(FakeConsole& console, const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    return cli::Run(views, console);
}

}  // namespace quillory::testing
