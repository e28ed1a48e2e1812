// The virtual terminal under the display. While the kms driver shows the program, the console
// must not draw its text and cursor over it: the terminal is put in graphics mode, and back in
// text mode when the driver goes, or when SIGTERM, SIGINT or SIGHUP ends the program.
//
// A seat manager that owns the terminal (logind, seatd) has put it in graphics mode already;
// then nothing is done here. The keyboard mode is left alone: a Ctrl+C typed on the terminal
// still reaches the program that runs on it.
#pragma once

#include <memory>

#include "kernel/unique_fd.h"

namespace ce::drivers::kms {

class KmsConsole {
public:
    // Null when there is nothing to do: the terminal is in graphics mode already, or the
    // process cannot open /dev/tty0 (a session user, whose seat manager sees to it).
    static std::unique_ptr<KmsConsole> TakeGraphics();
    // Back to text mode; the signals get their default action back.
    ~KmsConsole();
    KmsConsole(const KmsConsole&) = delete;
    KmsConsole& operator=(const KmsConsole&) = delete;

private:
    explicit KmsConsole(kernel::UniqueFd terminal) : m_terminal(std::move(terminal)) {}

    kernel::UniqueFd m_terminal;
    // Whether the handler was installed for SIGTERM, SIGINT and SIGHUP.
    bool m_handles[3] = {};
};

}  // namespace ce::drivers::kms
