#include "protocol.h"

#include <cstdio>

namespace brevanta::server {

std::optional<std::string> FormatHeader(std::uint64_t totalLength, char type) {
    if (totalLength > kMaxMessageLength) {
        return std::nullopt;
    }
    char text[kHeaderSize + 1];
    std::snprintf(text, sizeof text, "%10llu%c", static_cast<unsigned long long>(totalLength),
                  type);
    return std::string(text, kHeaderSize);
}

std::optional<Header> ParseHeader(std::string_view bytes, std::string* error) {
    if (bytes.size() < kHeaderSize) {
        *error = "header shorter than 11 bytes";
        return std::nullopt;
    }
    std::string_view field = bytes.substr(0, kLengthDigits);
    std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        *error = "length field is blank";
        return std::nullopt;
    }
    std::uint64_t length = 0;
    for (char c : field.substr(first)) {
        if (c < '0' || c > '9') {
            *error = "length is not a decimal number: \"" + EscapeName(field) + "\"";
            return std::nullopt;
        }
        length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return Header{length, bytes[kLengthDigits]};
}

std::optional<std::string> CheckName(std::string_view name) {
    if (name.empty()) {
        return "empty name";
    }
    if (name == "." || name == "..") {
        return "name refers to a directory: " + std::string(name);
    }
    if (name.find('/') != std::string_view::npos) {
        return "name contains '/': " + EscapeName(name);
    }
    return std::nullopt;
}

std::string EscapeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7f || c == '\\') {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

RequestReader::Status RequestReader::Next(Request* request, std::string* reason) {
    if (m_buffer.size() < kHeaderSize) {
        return Status::kNeedMore;
    }
    std::optional<Header> header = ParseHeader(m_buffer, reason);
    if (!header) {
        return Status::kBad;
    }
    if (header->length < kHeaderSize) {
        *reason = "length " + std::to_string(header->length) + " is shorter than the header";
        return Status::kBad;
    }
    if (header->type == kFileType) {
        if (header->length != kFileRequestSize) {
            *reason = "file request of length " + std::to_string(header->length) + ", not 75";
            return Status::kBad;
        }
    } else if (header->type == kNameType) {
        if (header->length > kMaxNameMessageSize) {
            *reason = "name message of length " + std::to_string(header->length) +
                      " is over the limit of " + std::to_string(kMaxNameMessageSize);
            return Status::kBad;
        }
    } else {
        *reason = "unknown request type " + EscapeName(std::string_view(&header->type, 1));
        return Status::kBad;
    }
    if (m_buffer.size() < header->length) {
        return Status::kNeedMore;
    }

    std::string_view body =
        std::string_view(m_buffer).substr(kHeaderSize, header->length - kHeaderSize);
    std::string name;
    if (header->type == kFileType) {
        // The field is zero-filled after the name, or full when the name takes all 64 bytes.
        name = std::string(body.substr(0, body.find('\0')));
    } else {
        if (body.find('\0') != std::string_view::npos) {
            *reason = "name message contains a zero byte: " + EscapeName(body);
            return Status::kBad;
        }
        name = std::string(body);
    }
    m_buffer.erase(0, header->length);

    if (std::optional<std::string> problem = CheckName(name)) {
        *reason = *problem;
        return Status::kBad;
    }
    request->type = header->type;
    request->name = std::move(name);
    return Status::kRequest;
}

}  // namespace brevanta::server
