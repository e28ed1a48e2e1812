// Checks the keypad's address rule against two references: a plain dotted-quad rule written here,
// and the host's own inet_pton, which is what the transfer client connects with.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "keypad/keypad_layout.h"

namespace {

// Four dot-separated parts of one to three ASCII digits, no leading zero, each at most 255, and
// not the broadcast address.
bool ReferenceRule(const std::u16string& text) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find(u'.', start);
        const std::u16string part =
            text.substr(start, dot == std::u16string::npos ? std::u16string::npos : dot - start);
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == u'0')) {
            return false;
        }
        int value = 0;
        for (char16_t c : part) {
            if (c < u'0' || c > u'9') {
                return false;
            }
            value = value * 10 + (c - u'0');
        }
        if (value > 255) {
            return false;
        }
        ++parts;
        if (dot == std::u16string::npos) {
            break;
        }
        start = dot + 1;
    }
    return parts == 4 && text != u"255.255.255.255";
}

bool HostAccepts(const std::u16string& text) {
    std::string narrow;
    for (char16_t c : text) {
        if (c == 0 || c > 0x7F) {
            return false;
        }
        narrow += static_cast<char>(c);
    }
    in_addr address{};
    return inet_pton(AF_INET, narrow.c_str(), &address) == 1 && narrow != "255.255.255.255";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses how the rest becomes text: one unit per byte (what the keypad can
    // type lies there), or little-endian pairs for every other unit.
    if (size == 0) {
        return 0;
    }
    std::u16string text;
    if (data[0] % 2 == 0) {
        for (std::size_t i = 1; i < size; ++i) {
            text += static_cast<char16_t>(data[i]);
        }
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2) {
            text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
        }
    }
    const CString typed(text.c_str(), static_cast<int>(text.size()));
    const bool valid = IsValidServerAddress(typed);
    if (valid != ReferenceRule(text) || valid != HostAccepts(text)) {
        std::abort();
    }
    return 0;
}
