// Feeds the viewer's input records to the parser in chunks whose sizes come from the input, with
// the pending bytes carried across calls as the receive thread carries them. The events of every
// call must be exactly those of the records that a single pass over the whole stream completes
// within that call's chunk, whatever the split.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/input_parser.h"

namespace {

// The header's promise: never more than the tail of a marker and an incomplete record.
constexpr int kMaxPending = 11;

struct MouseInput {
    DWORD flags;
    DWORD x;
    DWORD y;

    bool operator==(const MouseInput&) const = default;
};

class RecordedActions : public InputActions {
public:
    void MouseEvent(DWORD flags, DWORD x, DWORD y) override { inputs.push_back({flags, x, y}); }
    void RequestUpdate() override { ++updates; }

    std::vector<MouseInput> inputs;
    int updates = 0;
};

// One record of the stream as a single pass finds it: where it ends, and what it does.
struct ExpectedRecord {
    std::size_t end;
    bool accepted;
    bool injects;
    MouseInput input;
};

std::uint32_t LittleEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

DWORD FlagsFor(std::uint32_t code) {
    switch (code) {
        case 0x200:
            return 0x8001;
        case 0x201:
            return 0x8002;
        case 0x202:
            return 0x8004;
        case 0x204:
            return 0x8008;
        case 0x205:
            return 0x8010;
        default:
            return 0;
    }
}

// Records of the whole stream: each starts at the first four 0xFF bytes behind the previous one.
std::vector<ExpectedRecord> ReferenceRecords(const std::vector<std::uint8_t>& stream,
                                             ScreenSize screen) {
    std::vector<ExpectedRecord> records;
    std::size_t position = 0;
    while (true) {
        std::size_t run = 0;
        std::size_t marker = stream.size();
        for (std::size_t i = position; i < stream.size(); ++i) {
            run = stream[i] == 0xFF ? run + 1 : 0;
            if (run == 4) {
                marker = i - 3;
                break;
            }
        }
        if (marker + kInputRecordSize > stream.size()) {
            return records;
        }
        const std::uint8_t* record = stream.data() + marker;
        const std::uint32_t code = LittleEndian(record + 4, 4);
        const std::uint64_t x = LittleEndian(record + 8, 2);
        const std::uint64_t y = LittleEndian(record + 10, 2);
        const DWORD flags = FlagsFor(code);
        const MouseInput input{flags, static_cast<DWORD>(x * 65535 / std::uint64_t(screen.width)),
                               static_cast<DWORD>(y * 65535 / std::uint64_t(screen.height))};
        if (x < std::uint64_t(screen.width) && input.x > 65535) {
            std::abort();
        }
        if (y < std::uint64_t(screen.height) && input.y > 65535) {
            std::abort();
        }
        records.push_back({marker + kInputRecordSize, flags != 0 || code == kUpdateRequestCode,
                           flags != 0, input});
        position = marker + kInputRecordSize;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const ScreenSize screen{provider.ConsumeIntegralInRange<std::int32_t>(1, 4096),
                            provider.ConsumeIntegralInRange<std::int32_t>(1, 4096)};

    unsigned char buffer[kReceiveCapacity + 1] = {};
    int pending = 0;
    std::vector<std::uint8_t> stream;
    std::vector<std::size_t> chunkEnds;
    std::vector<RecordedActions> calls;
    while (provider.remaining_bytes() > 0) {
        const int room = kReceiveCapacity - pending;
        const std::size_t chunkSize =
            provider.ConsumeIntegralInRange<std::size_t>(1, static_cast<std::size_t>(room));
        const std::vector<std::uint8_t> chunk = provider.ConsumeBytes<std::uint8_t>(chunkSize);
        if (chunk.empty()) {
            break;
        }
        std::memcpy(buffer + pending, chunk.data(), chunk.size());
        pending += static_cast<int>(chunk.size());
        stream.insert(stream.end(), chunk.begin(), chunk.end());
        chunkEnds.push_back(stream.size());

        RecordedActions& actions = calls.emplace_back();
        ParseInputRecords(pending, buffer, actions, screen);
        if (pending < 0 || pending > kMaxPending || actions.updates > 1) {
            std::abort();
        }
    }

    const std::vector<ExpectedRecord> records = ReferenceRecords(stream, screen);
    std::size_t next = 0;
    std::size_t chunkStart = 0;
    for (std::size_t call = 0; call < calls.size(); ++call) {
        std::vector<MouseInput> expectedInputs;
        bool expectedUpdate = false;
        for (; next < records.size() && records[next].end <= chunkEnds[call]; ++next) {
            if (records[next].end <= chunkStart) {
                std::abort();
            }
            expectedUpdate = expectedUpdate || records[next].accepted;
            if (records[next].injects) {
                expectedInputs.push_back(records[next].input);
            }
        }
        if (calls[call].inputs != expectedInputs ||
            calls[call].updates != (expectedUpdate ? 1 : 0)) {
            std::abort();
        }
        chunkStart = chunkEnds[call];
    }
    return 0;
}
