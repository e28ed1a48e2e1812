#include "drivers/kms/kms_console.h"

#include <fcntl.h>
#include <linux/kd.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace ce::drivers::kms {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The terminal the handler puts back in text mode; -1 while none is in graphics mode. A lock-free
// atomic is safe to read in a signal handler.
std::atomic<int> g_graphicsTerminal{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void RestoreTextAndEnd(int signal) {
    const int savedErrno = errno;
    const int terminal = g_graphicsTerminal.exchange(-1);
    if (terminal >= 0) {
        ::ioctl(terminal, KDSETMODE, KD_TEXT);
    }
    errno = savedErrno;
    // SA_RESETHAND gave the signal its default action back: raised again, it ends the program
    // as soon as this handler returns.
    ::raise(signal);
}

bool IsDefaultAction(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           current.sa_handler == SIG_DFL;
}

bool IsOurHandler(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           current.sa_handler == &RestoreTextAndEnd;
}

}  // namespace

std::unique_ptr<KmsConsole> KmsConsole::TakeGraphics() {
    kernel::UniqueFd terminal(::open("/dev/tty0", O_RDWR | O_CLOEXEC | O_NOCTTY));
    int mode = KD_GRAPHICS;
    if (!terminal.IsValid() || ::ioctl(terminal.Get(), KDGETMODE, &mode) != 0 || mode != KD_TEXT) {
        return nullptr;
    }
    if (::ioctl(terminal.Get(), KDSETMODE, KD_GRAPHICS) != 0) {
        return nullptr;
    }
    std::unique_ptr<KmsConsole> console(new KmsConsole(std::move(terminal)));
    g_graphicsTerminal.store(console->m_terminal.Get());
    // A program that handles these signals itself, or ignores them, keeps its choice.
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        if (!IsDefaultAction(kEndingSignals[i])) {
            continue;
        }
        struct sigaction restore {};
        restore.sa_handler = &RestoreTextAndEnd;
        restore.sa_flags = SA_RESETHAND;
        sigemptyset(&restore.sa_mask);
        console->m_handles[i] = ::sigaction(kEndingSignals[i], &restore, nullptr) == 0;
    }
    return console;
}

KmsConsole::~KmsConsole() {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        if (m_handles[i] && IsOurHandler(kEndingSignals[i])) {
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            sigemptyset(&defaultAction.sa_mask);
            ::sigaction(kEndingSignals[i], &defaultAction, nullptr);
        }
    }
    // A signal handled meanwhile has restored text mode already.
    if (g_graphicsTerminal.exchange(-1) >= 0) {
        ::ioctl(m_terminal.Get(), KDSETMODE, KD_TEXT);
    }
}

}  // namespace ce::drivers::kms
