// Replays fuzz inputs through a target's entry point in an ordinary build, so that every seed and
// every input that once crashed a target is a regression test of the plain and sanitizer builds.
// Arguments are folders; each file in them is one input. A folder that does not exist is skipped
// (a target may have no committed crash yet), but there must be at least one input in all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "private_network.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    // Some targets talk to themselves over loopback: they get a network of their own, as every
    // test that opens a socket does.
    std::string error;
    if (!brevanta::test::EnterPrivateNetwork(&error)) {
        std::fprintf(stderr, "cannot enter a private network namespace: %s\n", error.c_str());
        return 1;
    }
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : InputsIn(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
            if (!file.eof() && file.fail()) {
                std::fprintf(stderr, "cannot read %s\n", input.c_str());
                return 1;
            }
            // Named before it runs: a failing input ends the process with its report.
            std::printf("%s\n", input.c_str());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
