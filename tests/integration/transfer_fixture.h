// Folders and simulator for transfer tests: one folder the simulator serves, one the client
// downloads into.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "simulator_process.h"
#include "test_files.h"

namespace brevanta::test {

class TransferFixtureBase {
public:
    // Writes a file into the served folder.
    void Serve(const std::string& name, const std::string& bytes);
    // Starts the simulator (transfer only) on the served folder with extra options and waits
    // until it listens.
    bool StartSimulator(const std::vector<std::string>& options = {});
    // The event of the next simulator output line starting with the prefix (e.g. "sent #"),
    // without the device's address and the time taken; "" on timeout.
    std::string NextLine(const std::string& prefix);

    // The download folder in the device's form, ending in "\".
    std::u16string DownloadDirectory() const;
    std::filesystem::path DownloadPath(const std::string& name) const;
    bool Downloaded(const std::string& name) const;
    std::string ReadDownloaded(const std::string& name) const;

    // Device form of a host path.
    static std::u16string DeviceForm(const std::filesystem::path& path);

protected:
    TemporaryDirectory m_served;
    TemporaryDirectory m_downloads;
    SimulatorProcess m_simulator;
};

}  // namespace brevanta::test
