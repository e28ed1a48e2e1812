// Follows one download as its bytes arrive: reads the response header of the transfer protocol
// or of HTTP/1.0, then compares every body byte with the file the server is meant to send.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevanta::bench {

enum class Protocol { kTransfer, kHttp };

class DownloadCheck {
public:
    enum class State { kHeader, kBody, kComplete, kFailed };

    // reference: the whole file; it must outlive the check.
    DownloadCheck(Protocol protocol, std::string_view reference)
        : m_protocol(protocol), m_reference(reference) {}

    // The next bytes of the response, in any split.
    void Feed(std::string_view bytes);
    // The server closed the connection (or reset it).
    void PeerClosed();
    // The download is given up for a reason of the caller's (a timeout, a failed connect).
    void Fail(std::string reason);

    State Current() const { return m_state; }
    const std::string& Failure() const { return m_failure; }
    std::uint64_t BodyReceived() const { return m_bodyReceived; }

private:
    void FeedHeader(std::string_view* bytes);
    void TakeTransferHeader();
    void TakeHttpHeader(std::size_t headerEnd);
    void FeedBody(std::string_view bytes);
    // After the header: the body size it announced, which must be the file's.
    void ExpectBody(std::uint64_t announced);

    Protocol m_protocol;
    std::string_view m_reference;
    State m_state = State::kHeader;
    std::string m_header;
    std::uint64_t m_bodyReceived = 0;
    std::string m_failure;
};

// The request that asks for the file `name`.
std::string RequestFor(Protocol protocol, std::string_view name, std::string_view host);

}  // namespace brevanta::bench
