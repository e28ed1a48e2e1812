// A socket together with the number of the listening period or viewer it serves, in one atomic
// word (0: empty). Testing whether the socket is still the one a thread serves and taking it
// away are one step between the threads, so a socket is ended once and a thread of an earlier
// period never touches the socket of a later one.
//
// Ending a socket shuts it down, which wakes the thread blocked on it; that thread closes the
// descriptor when it stops using it, so the number cannot be reused under its feet.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>

class SocketSlot {
public:
    using Value = std::uint64_t;

    static Value Make(std::uint32_t number, SOCKET socket) {
        return Value{number} << 32 | static_cast<std::uint32_t>(socket);
    }
    static SOCKET SocketOf(Value value) { return static_cast<SOCKET>(value & 0xFFFFFFFFu); }
    static std::uint32_t NumberOf(Value value) { return static_cast<std::uint32_t>(value >> 32); }

    Value Load() const { return m_value.load(); }
    bool IsSet() const { return Load() != 0; }
    void Publish(Value value) { m_value.store(value); }

    // Ends the socket if the slot still holds value; false when another thread ended it first.
    bool EndIfHeld(Value value) {
        if (!m_value.compare_exchange_strong(value, 0)) {
            return false;
        }
        shutdown(SocketOf(value), SHUT_RDWR);
        return true;
    }

    // Ends whatever socket the slot holds; false when it was empty.
    bool EndAny() {
        const Value value = m_value.exchange(0);
        if (value == 0) {
            return false;
        }
        shutdown(SocketOf(value), SHUT_RDWR);
        return true;
    }

private:
    std::atomic<Value> m_value{0};
};
