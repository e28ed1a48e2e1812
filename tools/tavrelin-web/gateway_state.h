// What every connection of the gateway reaches: the access policy, the devices, and the count of
// connections against --max-clients.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "access.h"
#include "device_link.h"
#include "options.h"

namespace brevanta::web {

// One connection's place in the count, given back when the connection ends.
class ConnectionSlot {
public:
    ConnectionSlot() = default;
    explicit ConnectionSlot(std::size_t* count) : m_count(count) { ++*m_count; }
    ConnectionSlot(ConnectionSlot&& other) noexcept
        : m_count(std::exchange(other.m_count, nullptr)) {}
    ConnectionSlot& operator=(ConnectionSlot&& other) noexcept {
        if (this != &other) {
            Release();
            m_count = std::exchange(other.m_count, nullptr);
        }
        return *this;
    }
    ConnectionSlot(const ConnectionSlot&) = delete;
    ConnectionSlot& operator=(const ConnectionSlot&) = delete;
    ~ConnectionSlot() { Release(); }

    bool Held() const { return m_count != nullptr; }

private:
    void Release() {
        if (m_count) {
            --*m_count;
            m_count = nullptr;
        }
    }

    std::size_t* m_count = nullptr;
};

class GatewayState {
public:
    GatewayState(AccessPolicy policy, std::vector<DeviceConfig> configs, std::size_t maxClients)
        : m_policy(std::move(policy)), m_configs(std::move(configs)), m_maxClients(maxClients) {}

    const AccessPolicy& Policy() const { return m_policy; }
    const std::vector<DeviceConfig>& DeviceConfigs() const { return m_configs; }
    void AddDevice(std::unique_ptr<DeviceLink> device) { m_devices.push_back(std::move(device)); }
    DeviceLink& Device(std::size_t index) { return *m_devices[index]; }
    std::vector<std::unique_ptr<DeviceLink>>& Devices() { return m_devices; }

    // An empty slot when the gateway already serves --max-clients connections.
    ConnectionSlot TakeSlot() {
        return m_connections < m_maxClients ? ConnectionSlot(&m_connections) : ConnectionSlot();
    }

private:
    AccessPolicy m_policy;
    std::vector<DeviceConfig> m_configs;
    std::size_t m_maxClients;
    std::size_t m_connections = 0;
    std::vector<std::unique_ptr<DeviceLink>> m_devices;
};

}  // namespace brevanta::web
