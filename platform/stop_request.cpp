// The stop request: two lock-free atomics written by a signal handler and read by the
// work loop.
#include "platform/stop_request.h"

#include <pthread.h>

#include <atomic>
#include <csignal>

namespace quillory::platform {
namespace {

// Lock-free atomics are the only shared state a signal handler may touch.
std::atomic<bool> gStopRequested{false};
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RequestStopOnSignal(int signalNumber) {
    RequestStop(signalNumber);
}

}  // namespace

void RequestStop(int signalNumber) {
    int none = 0;
    if (signalNumber != 0) gStopSignal.compare_exchange_strong(none, signalNumber);
    gStopRequested.store(true, std::memory_order_relaxed);
}

bool StopRequested() {
    return gStopRequested.load(std::memory_order_relaxed);
}

int StopSignal() {
    return gStopSignal.load(std::memory_order_relaxed);
}

void ResetStopRequest() {
    gStopRequested.store(false, std::memory_order_relaxed);
    gStopSignal.store(0, std::memory_order_relaxed);
}

void InstallStopSignalHandlers() {
    struct sigaction action = {};
    action.sa_handler = RequestStopOnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read waiting at the terminal returns EINTR
    for (const int signalNumber : kStopSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

void BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kStopSignals)
        sigaddset(&set, signalNumber);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace quillory::platform
