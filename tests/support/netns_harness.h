// Two named network namespaces, "device" and "server", joined by a veth pair. Broadcasts sent in
// the device namespace reach the server namespace and nothing else. The pair is created and
// removed by the test that owns the object.
#pragma once

#include <memory>
#include <string>

namespace brevanta::test {

class NetnsPair {
public:
    static constexpr const char* kDeviceAddress = "10.213.0.1";
    static constexpr const char* kServerAddress = "10.213.0.2";

    NetnsPair() = default;
    NetnsPair(const NetnsPair&) = delete;
    NetnsPair& operator=(const NetnsPair&) = delete;
    ~NetnsPair();

    // Makes both namespaces (loopback up in each), the veth link with the two addresses on one
    // /24, and a default route in each namespace through the link so that the limited broadcast
    // address is routable. Namespaces left behind by earlier test processes that no longer run
    // are removed first. Returns false with a reason on failure (nothing is left behind).
    bool Create(std::string* error);
    // Removes both namespaces; also done by the destructor.
    void Remove();

    // Paths of the namespace files, for ChildProcess::Start and for EnterDevice.
    std::string DevicePath() const;
    std::string ServerPath() const;

    // Moves the calling thread into a namespace until the returned guard is destroyed; sockets
    // opened meanwhile belong to that namespace, and threads started meanwhile stay in it.
    class ThreadGuard {
    public:
        explicit ThreadGuard(int previousNamespaceFd) : m_previous(previousNamespaceFd) {}
        ThreadGuard(const ThreadGuard&) = delete;
        ThreadGuard& operator=(const ThreadGuard&) = delete;
        ~ThreadGuard();

    private:
        int m_previous;
    };
    std::unique_ptr<ThreadGuard> EnterDevice() const;
    std::unique_ptr<ThreadGuard> EnterServer() const;

private:
    std::unique_ptr<ThreadGuard> Enter(const std::string& path) const;

    std::string m_deviceName;
    std::string m_serverName;
    bool m_created = false;
};

}  // namespace brevanta::test
