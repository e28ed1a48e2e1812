// fleet_load: a site of devices powering up at once. Opens N connections to a provisioning
// server (or, with --http, to a web server), asks each for the same file, checks every byte
// against the file, and prints one line of figures. Exit status 0 when every download was whole.
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "load_run.h"

namespace {

using brevanta::bench::LoadOptions;
using brevanta::bench::LoadResult;
using brevanta::bench::Protocol;

constexpr const char* kUsage =
    "Usage: fleet_load [--http] [--connections N] [--name NAME] [--timeout-ms MS]\n"
    "                  [--receive-buffer BYTES] ADDRESS PORT FILE\n"
    "  Downloads FILE's name (or NAME) from ADDRESS:PORT over N connections at once (default 1)\n"
    "  and compares every byte with FILE; --http asks with HTTP/1.0 GET instead of the transfer\n"
    "  protocol. Each connection's receive buffer is BYTES (default 262144), as on a device.\n"
    "  Prints one line of figures (connections= completed= failed= bytes= seconds= mib_per_s=\n"
    "  p50_ms= p99_ms= max_ms=), then a line \"failed COUNT: REASON\" per reason.\n";

std::optional<long> Number(std::string_view text) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ReadWhole(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char block[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.append(block, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? std::nullopt : std::optional<std::string>(std::move(bytes));
}

// A thousand connections need more descriptors than the usual soft limit of 1024.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void Print(const LoadOptions& options, const LoadResult& result) {
    const double mib = static_cast<double>(result.bodyBytes) / (1024.0 * 1024.0);
    std::printf(
        "connections=%d completed=%d failed=%d bytes=%llu seconds=%.3f mib_per_s=%.1f "
        "p50_ms=%.0f p99_ms=%.0f max_ms=%.0f\n",
        options.connections, result.completed, result.failed,
        static_cast<unsigned long long>(result.bodyBytes), result.seconds,
        result.seconds > 0 ? mib / result.seconds : 0.0, Percentile(result.downloadMs, 0.5),
        Percentile(result.downloadMs, 0.99), Percentile(result.downloadMs, 1.0));
    for (const auto& [reason, count] : result.failures) {
        std::printf("failed %d: %s\n", count, reason.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    LoadOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (arg == "--http") {
            options.protocol = Protocol::kHttp;
        } else if (arg == "--connections" || arg == "--timeout-ms" || arg == "--receive-buffer") {
            std::optional<std::string_view> text = value();
            std::optional<long> number = text ? Number(*text) : std::nullopt;
            if (!number) {
                std::fprintf(stderr, "%s needs a positive number\n%s", argv[i - 1], kUsage);
                return 2;
            }
            if (arg == "--connections") {
                options.connections = static_cast<int>(*number);
            } else if (arg == "--receive-buffer") {
                options.receiveBuffer = static_cast<int>(*number);
            } else {
                options.timeout = std::chrono::milliseconds(*number);
            }
        } else if (arg == "--name") {
            std::optional<std::string_view> text = value();
            if (!text) {
                std::fprintf(stderr, "--name needs a value\n%s", kUsage);
                return 2;
            }
            options.name = std::string(*text);
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            positional.emplace_back(arg);
        }
    }
    std::optional<long> port = positional.size() == 3 ? Number(positional[1]) : std::nullopt;
    if (!port || *port > 65535) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    options.address = positional[0];
    options.port = static_cast<std::uint16_t>(*port);
    const std::string& path = positional[2];
    if (options.name.empty()) {
        options.name = path.substr(path.rfind('/') + 1);
    }
    std::optional<std::string> reference = ReadWhole(path);
    if (!reference) {
        std::fprintf(stderr, "fleet_load: cannot read %s\n", path.c_str());
        return 2;
    }
    RaiseOpenFileLimit();
    const LoadResult result = brevanta::bench::RunLoad(options, *reference);
    Print(options, result);
    return result.failed == 0 && result.completed == options.connections ? 0 : 1;
}
