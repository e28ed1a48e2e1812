#include "transfer_fixture.h"

namespace brevanta::test {

void TransferFixtureBase::Serve(const std::string& name, const std::string& bytes) {
    m_served.WriteFile(name, bytes);
}

bool TransferFixtureBase::StartSimulator(const std::vector<std::string>& options) {
    m_simulator.Process().Stop();
    std::vector<std::string> arguments{"--no-discovery"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(m_served.Path());
    std::string error;
    return m_simulator.Start(BREVANTA_SERVER_PATH, arguments, &error);
}

std::string TransferFixtureBase::NextLine(const std::string& prefix) {
    return SimulatorProcess::EventOf(m_simulator.WaitFor(prefix).value_or(""));
}

std::u16string TransferFixtureBase::DeviceForm(const std::filesystem::path& path) {
    std::u16string device;
    for (char c : path.string()) {
        device += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return device;
}

std::u16string TransferFixtureBase::DownloadDirectory() const {
    return DeviceForm(m_downloads.Path()) + u"\\";
}

std::filesystem::path TransferFixtureBase::DownloadPath(const std::string& name) const {
    return std::filesystem::path(m_downloads.Path()) / name;
}

bool TransferFixtureBase::Downloaded(const std::string& name) const {
    return std::filesystem::exists(DownloadPath(name));
}

std::string TransferFixtureBase::ReadDownloaded(const std::string& name) const {
    return ReadFileBytes(DownloadPath(name).string()).value_or("<unreadable>");
}

}  // namespace brevanta::test
