// Transfer protocol requests written out by hand, so that a test checks the code under test
// against the wire format rather than against itself.
#pragma once

#include <cstdio>
#include <string>

namespace brevanta::test {

// The 75-byte file request: the header "        754", then the name zero-filled to 64 bytes.
inline std::string FileRequest(const std::string& name) {
    std::string field = name;
    field.resize(64, '\0');
    return "        754" + field;
}

// The name message: a header with length 11 + n and type "1", then the n name bytes.
inline std::string NameMessage(const std::string& name) {
    char header[16];
    std::snprintf(header, sizeof header, "%10zu1", name.size() + 11);
    return header + name;
}

}  // namespace brevanta::test
