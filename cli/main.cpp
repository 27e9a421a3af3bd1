// quillory-cli: lists, tests and extracts LZH and ZIP archives from a terminal.
#include <string_view>
#include <vector>

#include "cli/console.h"
#include "cli/run.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    quillory::cli::HostConsole console;
    const int status = quillory::cli::Run(args, console);
    // A listing that could not be written whole is not a success.
    if (!console.OutputOk() && status == quillory::cli::kExitGood) {
        return quillory::cli::kExitBadMembers;
    }
    return status;
}
