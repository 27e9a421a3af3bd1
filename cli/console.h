// The tool's standard streams and terminal behind one interface, so that the commands can
// run in a test with scripted answers as they run on a real terminal.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quillory::cli {

class Console {
public:
    virtual ~Console();

    // Whether questions can be asked (standard input is a terminal) and whether a
    // progress line may be drawn (standard error is one).
    virtual bool InputIsTerminal() const = 0;
    virtual bool ErrorIsTerminal() const = 0;
    // Standard output and standard error.
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
    // The line typed on the terminal after the prompt; nothing when input ended.
    virtual std::optional<std::string> Ask(std::string_view prompt, bool echo) = 0;
};

// The process's own streams and controlling terminal.
class HostConsole final : public Console {
public:
    HostConsole();
    ~HostConsole() override;
    HostConsole(const HostConsole&) = delete;
    HostConsole& operator=(const HostConsole&) = delete;

    bool InputIsTerminal() const override { return inputIsTerminal_; }
    bool ErrorIsTerminal() const override { return errorIsTerminal_; }
    void Out(std::string_view text) override;
    void Err(std::string_view text) override;
    std::optional<std::string> Ask(std::string_view prompt, bool echo) override;

    // False once a write to standard output failed (a full disk, a closed pipe).
    bool OutputOk();

private:
    bool inputIsTerminal_;
    bool errorIsTerminal_;
};

}  // namespace quillory::cli
