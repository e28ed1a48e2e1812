#include "download_check.h"

#include <algorithm>
#include <cctype>

namespace brevanta::bench {
namespace {

// The transfer protocol's header: the total length as "%10d", then the type character.
constexpr std::size_t kTransferHeaderSize = 11;
constexpr std::size_t kLengthDigits = 10;
// Longer HTTP headers than this are not what a file server sends.
constexpr std::size_t kMaxHttpHeader = 16 * 1024;

bool ParseDigits(std::string_view text, std::uint64_t* value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    *value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        *value = *value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string RequestFor(Protocol protocol, std::string_view name, std::string_view host) {
    if (protocol == Protocol::kHttp) {
        return "GET /" + std::string(name) + " HTTP/1.0\r\nHost: " + std::string(host) +
               "\r\nUser-Agent: fleet_load\r\n\r\n";
    }
    // The file request: length 75 as "%10d", type "4", the name zero-filled to 64 bytes.
    std::string field(name.substr(0, 64));
    field.resize(64, '\0');
    return "        754" + field;
}

void DownloadCheck::Fail(std::string reason) {
    if (m_state == State::kFailed) {
        return;
    }
    m_state = State::kFailed;
    m_failure = std::move(reason);
}

void DownloadCheck::Feed(std::string_view bytes) {
    if (m_state == State::kHeader) {
        FeedHeader(&bytes);
    }
    if (bytes.empty()) {
        return;
    }
    if (m_state == State::kBody) {
        FeedBody(bytes);
    } else if (m_state == State::kComplete) {
        Fail(std::to_string(bytes.size()) + " bytes beyond the announced size");
    }
}

void DownloadCheck::FeedHeader(std::string_view* bytes) {
    if (m_protocol == Protocol::kTransfer) {
        std::size_t take = std::min(kTransferHeaderSize - m_header.size(), bytes->size());
        m_header.append(bytes->substr(0, take));
        bytes->remove_prefix(take);
        if (m_header.size() == kTransferHeaderSize) {
            TakeTransferHeader();
        }
        return;
    }
    // Only as much as a header may take is kept, so that a thousand downloads do not each hold
    // a whole receive of body bytes.
    const std::size_t before = m_header.size();
    m_header.append(bytes->substr(0, kMaxHttpHeader + 4 - before));
    std::size_t end = m_header.find("\r\n\r\n", before >= 3 ? before - 3 : 0);
    if (end == std::string::npos) {
        bytes->remove_prefix(m_header.size() - before);
        if (m_header.size() > kMaxHttpHeader) {
            Fail("HTTP header longer than " + std::to_string(kMaxHttpHeader) + " bytes");
        }
        return;
    }
    const std::size_t headerEnd = end + 4;
    bytes->remove_prefix(headerEnd - before);
    m_header.resize(headerEnd);
    TakeHttpHeader(headerEnd);
    std::string().swap(m_header);
}

void DownloadCheck::TakeTransferHeader() {
    std::string_view field = std::string_view(m_header).substr(0, kLengthDigits);
    std::size_t first = field.find_first_not_of(' ');
    std::uint64_t length = 0;
    if (first == std::string_view::npos || !ParseDigits(field.substr(first), &length)) {
        Fail("header \"" + m_header + "\" does not start with a length");
        return;
    }
    if (length < kTransferHeaderSize) {
        Fail("header announces " + std::to_string(length) + ", less than itself");
        return;
    }
    ExpectBody(length - kTransferHeaderSize);
}

void DownloadCheck::TakeHttpHeader(std::size_t headerEnd) {
    std::string_view header = std::string_view(m_header).substr(0, headerEnd);
    std::string_view statusLine = header.substr(0, header.find("\r\n"));
    // "HTTP/1.x 200 reason"
    const bool ok = statusLine.starts_with("HTTP/1.") && statusLine.substr(8, 4) == " 200" &&
                    (statusLine.size() == 12 || statusLine[12] == ' ');
    if (!ok) {
        Fail("answered \"" + std::string(statusLine) + "\"");
        return;
    }
    std::size_t lineStart = statusLine.size() + 2;
    while (lineStart < headerEnd) {
        std::size_t lineEnd = header.find("\r\n", lineStart);
        std::string_view line = header.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || Lowered(line.substr(0, colon)) != "content-length") {
            continue;
        }
        std::uint64_t length = 0;
        if (!ParseDigits(TrimSpaces(line.substr(colon + 1)), &length)) {
            Fail("Content-Length \"" + std::string(line.substr(colon + 1)) + "\" is not a number");
            return;
        }
        ExpectBody(length);
        return;
    }
    Fail("no Content-Length");
}

void DownloadCheck::ExpectBody(std::uint64_t announced) {
    if (announced != m_reference.size()) {
        Fail("announces " + std::to_string(announced) + " bytes, the file has " +
             std::to_string(m_reference.size()));
        return;
    }
    m_state = m_reference.empty() ? State::kComplete : State::kBody;
}

void DownloadCheck::FeedBody(std::string_view bytes) {
    const std::uint64_t left = m_reference.size() - m_bodyReceived;
    std::string_view body =
        bytes.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(left, bytes.size())));
    std::string_view expected = m_reference.substr(m_bodyReceived, body.size());
    if (body != expected) {
        auto differ = std::mismatch(body.begin(), body.end(), expected.begin());
        Fail("differs at byte " +
             std::to_string(m_bodyReceived +
                            static_cast<std::uint64_t>(differ.first - body.begin())));
        return;
    }
    m_bodyReceived += body.size();
    if (m_bodyReceived == m_reference.size()) {
        m_state = State::kComplete;
    }
    if (bytes.size() > body.size()) {
        Fail(std::to_string(bytes.size() - body.size()) + " bytes beyond the announced size");
    }
}

void DownloadCheck::PeerClosed() {
    if (m_state == State::kHeader) {
        Fail("closed before the header was complete");
    } else if (m_state == State::kBody) {
        Fail("closed after " + std::to_string(m_bodyReceived) + " of " +
             std::to_string(m_reference.size()) + " body bytes");
    }
}

}  // namespace brevanta::bench
