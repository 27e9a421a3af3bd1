// quillory-cli: lists, tests and extracts LZH and ZIP archives from a terminal, its
// messages in the language the locale asks for. An interrupt, termination or hang-up
// stops the run between two pieces of output; the member being written leaves nothing
// behind, and the tool exits with 128 + the signal.
#include <string_view>
#include <vector>

#include "cli/console.h"
#include "cli/run.h"
#include "document/translation.h"
#include "platform/stop_request.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    quillory::SetLanguage(quillory::LanguageFromEnvironment());
    quillory::cli::HostConsole console;
    quillory::platform::InstallStopSignalHandlers();
    const int status = quillory::cli::Run(args, console);
    // The shells' convention for a process ended by a signal.
    constexpr int kExitBySignal = 128;
    if (quillory::platform::StopRequested()) {
        return kExitBySignal + quillory::platform::StopSignal();
    }
    // A listing that could not be written whole is not a success.
    if (!console.OutputOk() && status == quillory::cli::kExitGood) {
        return quillory::cli::kExitBadMembers;
    }
    return status;
}
