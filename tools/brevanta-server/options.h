// The command line of brevanta-server.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "misbehaviour.h"
#include "protocol.h"
#include "common/command_line.h"

namespace brevanta::server {

struct Options {
    std::string directory;
    std::uint16_t tcpPort = kDefaultTcpPort;  // 0: any free port
    std::uint16_t udpPort = kDefaultDiscoveryPort;
    std::uint16_t replyPort = kDefaultReplyPort;
    in_addr bindAddress{htonl(INADDR_ANY)};
    std::string reply = "BrevantaServer";
    bool discovery = true;
    bool transfer = true;
    Misbehaviour faults;
};

using CommandLine = tools::CommandLine<Options>;

// Parses the arguments after the program name. Options take their value as the next argument or
// after '='; "--" ends the options.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string UsageText(std::string_view programName);

// One line: the program's name and the project's version.
std::string VersionText();

}  // namespace brevanta::server
