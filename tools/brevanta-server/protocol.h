// The wire format of discovery and transfer, as pure functions: formatting response headers and
// collecting whole requests out of a byte stream that may arrive in any split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevanta::server {

inline constexpr std::string_view kDiscoveryToken = "kelmaris";
inline constexpr std::uint16_t kDefaultTcpPort = 18898;
inline constexpr std::uint16_t kDefaultDiscoveryPort = 52423;
inline constexpr std::uint16_t kDefaultReplyPort = 52422;
inline constexpr std::size_t kMaxReplySize = 1024;

inline constexpr std::size_t kHeaderSize = 11;
inline constexpr std::size_t kLengthDigits = 10;
inline constexpr std::size_t kNameFieldSize = 64;
inline constexpr std::size_t kFileRequestSize = kHeaderSize + kNameFieldSize;
inline constexpr char kFileType = '4';
inline constexpr char kNameType = '1';
// The largest length ten decimal digits can carry.
inline constexpr std::uint64_t kMaxMessageLength = 9'999'999'999;
// Names are file names of one directory; anything longer than this is not a sensible request.
inline constexpr std::size_t kMaxNameMessageSize = kHeaderSize + 1024;

struct Header {
    std::uint64_t length = 0;
    char type = 0;
};

// The header of a message of totalLength bytes (header included): "%10d" then the type
// character. Nothing when the length does not fit in ten digits.
std::optional<std::string> FormatHeader(std::uint64_t totalLength, char type);

// Reads the 11 header bytes. The length field is optional spaces followed by decimal digits;
// anything else is refused with a reason.
std::optional<Header> ParseHeader(std::string_view bytes, std::string* error);

// Why a file name cannot be served (empty, "." or "..", with a '/'), or nothing when it can.
std::optional<std::string> CheckName(std::string_view name);

// A name made safe for a one-line log: bytes below '!', '\\' and DEL become \xHH.
std::string EscapeName(std::string_view name);

struct Request {
    char type = 0;
    std::string name;
};

// Collects whole requests out of the bytes of one connection.
class RequestReader {
public:
    enum class Status { kRequest, kNeedMore, kBad };

    void Append(std::string_view bytes) { m_buffer.append(bytes); }
    // The next whole request; kNeedMore until its last byte has arrived; kBad with a reason as
    // soon as the bytes so far show that the request cannot be valid.
    Status Next(Request* request, std::string* reason);
    std::size_t Buffered() const { return m_buffer.size(); }

private:
    std::string m_buffer;
};

}  // namespace brevanta::server
