// brevanta-server: plays the provisioning server for BrevantaClient in tests and demos.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery_responder.h"
#include "event_log.h"
#include "file_store.h"
#include "options.h"
#include "stop_signal.h"
#include "tcp_server.h"
#include "common/unique_fd.h"

namespace brevanta::server {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCannotListen = 1;

// SIGTERM and SIGINT are read from a descriptor by the main loop; they are blocked before any
// thread starts so that no connection thread is picked to handle them.
UniqueFd TakeStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return UniqueFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
}

int Run(int argc, char** argv) {
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const char* programName = argc > 0 ? argv[0] : "brevanta-server";
    CommandLine commandLine = ParseCommandLine(args);
    if (commandLine.action == CommandLine::Action::kHelp) {
        std::fputs(UsageText(programName).c_str(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::kError) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", programName, commandLine.error.c_str(),
                     programName);
        return kExitUsage;
    }
    const Options& options = commandLine.options;

    std::string error;
    std::optional<FileStore> files = FileStore::Open(options.directory, &error);
    if (!files) {
        std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
        return kExitUsage;
    }

    // A peer that goes away mid-response must be an error return, not the end of the program.
    signal(SIGPIPE, SIG_IGN);
    UniqueFd signals = TakeStopSignals();
    StopSignal stop;
    if (!signals.IsValid() || !stop.IsValid()) {
        std::fprintf(stderr, "%s: cannot set up signal handling: %s\n", programName,
                     std::strerror(errno));
        return kExitCannotListen;
    }

    std::unique_ptr<TcpServer> transfer;
    if (options.transfer && !options.faults.refuse) {
        transfer = std::make_unique<TcpServer>(*files, options.faults, stop);
        if (!transfer->Listen(options.bindAddress, options.tcpPort, &error)) {
            std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
            return kExitCannotListen;
        }
    }
    std::unique_ptr<DiscoveryResponder> discovery;
    if (options.discovery) {
        discovery = std::make_unique<DiscoveryResponder>(options.reply, options.replyPort);
        if (!discovery->Bind(options.bindAddress, options.udpPort, &error)) {
            std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
            return kExitCannotListen;
        }
    }

    std::string tcpState = transfer                ? std::to_string(transfer->Port())
                           : options.faults.refuse ? "refused"
                                                   : "off";
    std::string udpState = discovery ? std::to_string(discovery->Port()) : "off";
    EmitEvent("ready tcp=" + tcpState + " udp=" + udpState);

    std::vector<pollfd> watched = {{signals.Get(), POLLIN, 0},
                                   {transfer ? transfer->Fd() : -1, POLLIN, 0},
                                   {discovery ? discovery->Fd() : -1, POLLIN, 0}};
    for (;;) {
        for (pollfd& entry : watched) {
            entry.revents = 0;
        }
        if (poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "%s: poll: %s\n", programName, std::strerror(errno));
            break;
        }
        if (watched[0].revents != 0) {
            break;
        }
        if (watched[1].revents != 0) {
            transfer->AcceptPending();
        }
        if (watched[2].revents != 0) {
            discovery->HandlePending();
        }
    }

    stop.Trigger();
    transfer.reset();
    discovery.reset();
    EmitEvent("stopped");
    return 0;
}

}  // namespace
}  // namespace brevanta::server

int main(int argc, char** argv) {
    try {
        return brevanta::server::Run(argc, argv);
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "brevanta-server: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "brevanta-server: unexpected failure\n");
    }
    return 1;
}
