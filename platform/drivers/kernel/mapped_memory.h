// Ownership of a read-only shared mapping of a device's memory.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <span>
#include <utility>

namespace ce::drivers::kernel_remote {

class MappedMemory {
public:
    MappedMemory() = default;
    // Maps `length` bytes of the descriptor from its start; IsValid() tells whether it did (errno
    // says why not).
    MappedMemory(int fd, std::size_t length) {
        void* address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
        if (address != MAP_FAILED) {
            m_address = address;
            m_length = length;
        }
    }
    MappedMemory(MappedMemory&& other) noexcept
        : m_address(std::exchange(other.m_address, nullptr)),
          m_length(std::exchange(other.m_length, 0)) {}
    MappedMemory& operator=(MappedMemory&& other) noexcept {
        if (this != &other) {
            Reset();
            m_address = std::exchange(other.m_address, nullptr);
            m_length = std::exchange(other.m_length, 0);
        }
        return *this;
    }
    MappedMemory(const MappedMemory&) = delete;
    MappedMemory& operator=(const MappedMemory&) = delete;
    ~MappedMemory() { Reset(); }

    bool IsValid() const { return m_address != nullptr; }
    std::span<const std::byte> Bytes() const {
        return {static_cast<const std::byte*>(m_address), m_length};
    }

private:
    void Reset() {
        if (m_address != nullptr) {
            ::munmap(m_address, m_length);
            m_address = nullptr;
            m_length = 0;
        }
    }

    void* m_address = nullptr;
    std::size_t m_length = 0;
};

}  // namespace ce::drivers::kernel_remote
