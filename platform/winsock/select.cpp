// The device's select over ppoll. Linux's select differs from the device's where the programs
// notice: it never reports a failed connect in the error set, and it reports an unconnected or
// failed TCP socket as writable. The conditions poll reports are mapped back to the device's.
#include <errno.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>

#include "winsock2.h"

namespace ce::winsock {

namespace {

using Clock = std::chrono::steady_clock;

// An fd_set seen as its bit words, lowest descriptor in the lowest bit of the first word.
using SetWords = std::array<std::uint64_t, FD_SETSIZE / 64>;
static_assert(sizeof(SetWords) == sizeof(fd_set));

enum Interest : std::uint8_t {
    kRead = 1,
    kWrite = 2,
    kError = 4,
};

SetWords LoadWords(const fd_set* set) {
    SetWords words{};
    if (set != nullptr) {
        std::memcpy(words.data(), set, sizeof words);
    }
    return words;
}

void StoreWords(const SetWords& words, fd_set* set) {
    if (set != nullptr) {
        std::memcpy(set, words.data(), sizeof words);
    }
}

void AddDescriptor(SetWords& words, int fd) {
    words[static_cast<std::size_t>(fd) / 64] |= std::uint64_t{1} << (fd % 64);
}

bool Contains(const SetWords& words, int fd) {
    return (words[static_cast<std::size_t>(fd) / 64] >> (fd % 64) & 1) != 0;
}

// A hang-up on a socket that has no connection and no pending error cannot turn into anything:
// the device's select keeps waiting on such a socket instead of reporting it.
bool IsUnconnectedSocket(int fd) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 && errno == ENOTCONN;
}

// The device's conditions of one descriptor from what poll reported.
std::uint8_t ReadyConditions(const pollfd& polled, std::uint8_t interest) {
    const short events = polled.revents;
    std::uint8_t ready = 0;
    if ((interest & kRead) != 0) {
        if ((events & (POLLIN | POLLRDHUP | POLLERR)) != 0 ||
            ((events & POLLHUP) != 0 && !IsUnconnectedSocket(polled.fd))) {
            ready |= kRead;
        }
    }
    if ((interest & kWrite) != 0 && (events & POLLOUT) != 0 &&
        (events & (POLLHUP | POLLERR)) == 0) {
        ready |= kWrite;
    }
    if ((interest & kError) != 0 && (events & (POLLERR | POLLPRI)) != 0) {
        ready |= kError;
    }
    return ready;
}

// Time left until the deadline, for ppoll; nothing means no deadline.
std::optional<timespec> Remaining(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) {
        return std::nullopt;
    }
    const auto left = std::max(Clock::duration::zero(), *deadline - Clock::now());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

}  // namespace

}  // namespace ce::winsock

int select(int, fd_set* readSet, fd_set* writeSet, fd_set* errorSet, const TIMEVAL* timeout) {
    using namespace ce::winsock;
    if (timeout != nullptr && (timeout->tv_sec < 0 || timeout->tv_usec < 0)) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    const SetWords readWords = LoadWords(readSet);
    const SetWords writeWords = LoadWords(writeSet);
    const SetWords errorWords = LoadWords(errorSet);

    std::array<pollfd, FD_SETSIZE> polled{};
    std::array<std::uint8_t, FD_SETSIZE> interests{};
    std::size_t count = 0;
    for (std::size_t word = 0; word < readWords.size(); ++word) {
        for (std::uint64_t bits = readWords[word] | writeWords[word] | errorWords[word]; bits != 0;
             bits &= bits - 1) {
            const int fd = static_cast<int>(word * 64) + std::countr_zero(bits);
            std::uint8_t interest = 0;
            short events = 0;
            if (Contains(readWords, fd)) {
                interest |= kRead;
                events |= POLLIN | POLLRDHUP;
            }
            if (Contains(writeWords, fd)) {
                interest |= kWrite;
                events |= POLLOUT;
            }
            if (Contains(errorWords, fd)) {
                interest |= kError;
                events |= POLLPRI;
            }
            polled[count] = pollfd{fd, events, 0};
            interests[count] = interest;
            ++count;
        }
    }
    // Like the device, a select on no socket at all is a mistake rather than a sleep.
    if (count == 0) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }

    std::optional<Clock::time_point> deadline;
    if (timeout != nullptr) {
        deadline = Clock::now() + std::chrono::seconds(timeout->tv_sec) +
                   std::chrono::microseconds(timeout->tv_usec);
    }

    SetWords readyRead{};
    SetWords readyWrite{};
    SetWords readyError{};
    int readyPairs = 0;
    while (readyPairs == 0) {
        const auto left = Remaining(deadline);
        const int polledCount = ppoll(polled.data(), count, left ? &*left : nullptr, nullptr);
        if (polledCount < 0) {
            if (errno == EINTR) {
                continue;
            }
            return SOCKET_ERROR;
        }
        if (polledCount == 0) {
            break;  // the deadline passed
        }
        for (std::size_t i = 0; i < count; ++i) {
            pollfd& entry = polled[i];
            if (entry.fd < 0 || entry.revents == 0) {
                continue;
            }
            if ((entry.revents & POLLNVAL) != 0) {
                errno = ENOTSOCK;  // the device's answer to a descriptor that is no socket
                return SOCKET_ERROR;
            }
            const std::uint8_t ready = ReadyConditions(entry, interests[i]);
            if (ready == 0) {
                // Poll reports hang-ups and errors whatever was asked, and they last; one that
                // means nothing to the device would end every later poll at once. A negative
                // descriptor makes ppoll skip the entry.
                entry.fd = -1;
                continue;
            }
            if ((ready & kRead) != 0) {
                AddDescriptor(readyRead, entry.fd);
                ++readyPairs;
            }
            if ((ready & kWrite) != 0) {
                AddDescriptor(readyWrite, entry.fd);
                ++readyPairs;
            }
            if ((ready & kError) != 0) {
                AddDescriptor(readyError, entry.fd);
                ++readyPairs;
            }
        }
        if (deadline && Clock::now() >= *deadline) {
            break;
        }
    }
    StoreWords(readyRead, readSet);
    StoreWords(readyWrite, writeSet);
    StoreWords(readyError, errorSet);
    return readyPairs;
}
