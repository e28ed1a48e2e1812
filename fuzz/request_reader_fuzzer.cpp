// Feeds a connection's bytes to the simulator's request reader in chunks whose sizes come from the
// input, and compares with the same bytes appended at once: the same requests, and the same end.
// Every request handed out has a known type and a name the file store can serve.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "brevanta-server/protocol.h"

namespace {

using brevanta::server::Request;
using brevanta::server::RequestReader;

struct Outcome {
    std::vector<Request> requests;
    RequestReader::Status last = RequestReader::Status::kNeedMore;
};

void CheckRequest(const Request& request) {
    const bool knownType =
        request.type == brevanta::server::kFileType || request.type == brevanta::server::kNameType;
    if (!knownType || brevanta::server::CheckName(request.name) ||
        request.name.find('\0') != std::string::npos ||
        request.name.size() > brevanta::server::kMaxNameMessageSize) {
        std::abort();
    }
}

// Takes every whole request out of the reader; false once it reported a bad request.
bool Drain(RequestReader& reader, Outcome& outcome) {
    while (true) {
        Request request;
        std::string reason;
        const std::size_t before = reader.Buffered();
        outcome.last = reader.Next(&request, &reason);
        if (outcome.last == RequestReader::Status::kBad) {
            if (reason.empty()) {
                std::abort();
            }
            return false;
        }
        if (outcome.last == RequestReader::Status::kNeedMore) {
            return true;
        }
        if (reader.Buffered() >= before) {
            std::abort();
        }
        CheckRequest(request);
        outcome.requests.push_back(std::move(request));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    std::vector<std::size_t> chunkSizes(provider.ConsumeIntegralInRange<std::size_t>(0, 8));
    for (std::size_t& chunkSize : chunkSizes) {
        chunkSize = provider.ConsumeIntegralInRange<std::size_t>(1, 128);
    }
    const std::string stream = provider.ConsumeRemainingBytesAsString();

    Outcome split;
    RequestReader splitReader;
    std::size_t position = 0;
    for (std::size_t i = 0; position < stream.size(); ++i) {
        const std::size_t take =
            chunkSizes.empty() ? stream.size() : chunkSizes[i % chunkSizes.size()];
        splitReader.Append(std::string_view(stream).substr(position, take));
        position += take;
        if (!Drain(splitReader, split)) {
            break;
        }
    }

    Outcome whole;
    RequestReader wholeReader;
    wholeReader.Append(stream);
    Drain(wholeReader, whole);

    if (split.last != whole.last || split.requests.size() != whole.requests.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < whole.requests.size(); ++i) {
        if (split.requests[i].type != whole.requests[i].type ||
            split.requests[i].name != whole.requests[i].name) {
            std::abort();
        }
    }
    return 0;
}
