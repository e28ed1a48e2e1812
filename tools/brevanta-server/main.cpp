// brevanta-server: plays the provisioning server for BrevantaClient in tests and demos.
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
#include "event_loop.h"
#include "file_store.h"
#include "open_file_limit.h"
#include "options.h"
#include "tcp_server.h"
#include "common/unique_fd.h"

namespace brevanta::server {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCannotListen = 1;

// SIGTERM and SIGINT are read from a descriptor by the event loop, so that a stop never lands in
// the middle of a connection's step.
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
    if (commandLine.action == CommandLine::Action::kVersion) {
        std::fputs(VersionText().c_str(), stdout);
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
    const std::size_t maxConnections = ConnectionsWithinFileLimit();
    UniqueFd signals = TakeStopSignals();
    EventLoop loop;
    if (!signals.IsValid() || !loop.IsValid()) {
        std::fprintf(stderr, "%s: cannot set up signal handling: %s\n", programName,
                     std::strerror(errno));
        return kExitCannotListen;
    }
    loop.Watch(signals.Get(), EPOLLIN, [&loop](EventLoop::Wake) { loop.Quit(); });

    std::unique_ptr<TcpServer> transfer;
    if (options.transfer && !options.faults.refuse) {
        transfer = std::make_unique<TcpServer>(loop, *files, options.faults, maxConnections);
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
        loop.Watch(discovery->Fd(), EPOLLIN,
                   [&discovery](EventLoop::Wake) { discovery->HandlePending(); });
    }

    std::string tcpState = transfer                ? std::to_string(transfer->Port())
                           : options.faults.refuse ? "refused"
                                                   : "off";
    std::string udpState = discovery ? std::to_string(discovery->Port()) : "off";
    EmitEvent("ready tcp=" + tcpState + " udp=" + udpState);

    loop.Run();

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
