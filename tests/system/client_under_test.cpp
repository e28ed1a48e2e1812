#include "client_under_test.h"

#include <cstdlib>
#include <filesystem>

namespace brevanta::test {
namespace {

// The "open" handler the program finds first on PATH: it notes the file it was given.
constexpr char kOpener[] = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n";

}  // namespace

ClientUnderTest::ClientUnderTest() : ProgramUnderTest(BREVANTA_CLIENT_PATH) {
    m_folder.WriteFile("xdg-open", kOpener);
    std::filesystem::permissions(Folder() + "/xdg-open", std::filesystem::perms::owner_all);
}

std::vector<std::string> ClientUnderTest::ExtraEnvironment() const {
    const char* path = std::getenv("PATH");
    return {"PATH=" + Folder() + ":" + (path != nullptr ? path : "/usr/bin:/bin")};
}

void ClientUnderTest::WriteRecord(const std::string& bytes) {
    m_folder.WriteFile("brevantaclient.txt", bytes);
}

std::optional<std::string> ClientUnderTest::Record() const {
    return ReadFileBytes(Folder() + "/brevantaclient.txt");
}

std::string ClientUnderTest::Opened() const {
    return ReadFileBytes(Folder() + "/opened.txt").value_or("");
}

Rgb BackgroundPixel(const std::string& bmpPath, int x, int y) {
    // A bottom-up 16-bit 5-5-5 bitmap as the artwork generator writes it.
    const std::string bytes = ReadFileBytes(bmpPath).value_or("");
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    const std::size_t offset = word(10) | word(12) << 16;
    const int width = static_cast<int>(word(18));
    const int height = static_cast<int>(word(22));
    const std::size_t row = static_cast<std::size_t>((width * 2 + 3) & ~3);
    const unsigned pixel = word(offset + static_cast<std::size_t>(height - 1 - y) * row +
                                static_cast<std::size_t>(x) * 2);
    // 5-5-5 to the 565 screen and back to 8 bits, as the screenshot shows it.
    const unsigned red5 = (pixel >> 10) & 31u;
    const unsigned green6 = (((pixel >> 5) & 31u) << 1) | (((pixel >> 5) & 31u) >> 4);
    const unsigned blue5 = pixel & 31u;
    return Rgb{static_cast<std::uint8_t>((red5 << 3) | (red5 >> 2)),
               static_cast<std::uint8_t>((green6 << 2) | (green6 >> 4)),
               static_cast<std::uint8_t>((blue5 << 3) | (blue5 >> 2))};
}

}  // namespace brevanta::test
