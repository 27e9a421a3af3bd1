// POSIX implementation of the terminal queries: whether a standard stream is a terminal,
// and one line read from /dev/tty after a prompt, without echo when asked (echo restored
// on every exit, a signal included). Without a terminal there is no answer.
#include "platform/terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/stop_request.h"

namespace quillory::platform {
namespace {

// The terminal whose echo is off right now, for the signal handler to restore; one
// prompt at a time, as the program has one thread.
int gQuietTerminal = -1;
struct termios gSavedSettings;

// The signals that end a process waiting at a prompt; echo comes back before it ends.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreAndRaise(int signalNumber) {
    if (gQuietTerminal >= 0) ::tcsetattr(gQuietTerminal, TCSAFLUSH, &gSavedSettings);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// One line, byte by byte so that nothing after the line end is taken from the terminal.
// A requested stop (an interrupt while waiting) ends it without an answer.
std::optional<std::string> ReadLine(int fd) {
    std::string line;
    for (;;) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) {
            if (StopRequested()) return std::nullopt;
            continue;
        }
        if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Echo off for the life of the object, with the handlers that undo it on a signal.
class QuietTerminal {
public:
    explicit QuietTerminal(int fd) {
        if (::tcgetattr(fd, &gSavedSettings) != 0) return;
        struct sigaction action = {};
        action.sa_handler = RestoreAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &action, &previous_[i]);
        }
        struct termios quiet = gSavedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        gQuietTerminal = fd;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    ~QuietTerminal() {
        if (gQuietTerminal < 0) return;
        ::tcsetattr(gQuietTerminal, TCSAFLUSH, &gSavedSettings);
        gQuietTerminal = -1;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
        }
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

private:
    struct sigaction previous_[std::size(kEndingSignals)] = {};
};

}  // namespace

bool IsTerminal(StandardStream stream) {
    const int fd = stream == StandardStream::Input    ? STDIN_FILENO
                   : stream == StandardStream::Output ? STDOUT_FILENO
                                                      : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

std::optional<std::string> ReadTerminalLine(std::string_view prompt, bool echo) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> line;
    if (WriteAll(fd, prompt)) {
        if (echo) {
            line = ReadLine(fd);
        } else {
            const QuietTerminal quiet(fd);
            line = ReadLine(fd);
        }
    }
    ::close(fd);
    return line;
}

}  // namespace quillory::platform
