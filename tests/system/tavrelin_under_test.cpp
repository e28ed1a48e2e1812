#include "tavrelin_under_test.h"

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "process_probe.h"
#include "wait_until.h"

namespace brevanta::test {
namespace {

constexpr int kViewerPort = 23134;

}  // namespace

TavrelinUnderTest::TavrelinUnderTest(std::string objectsFolder)
    : ProgramUnderTest(BREVANTA_TAVRELIN_PATH), m_objectsFolder(std::move(objectsFolder)) {}

std::vector<std::string> TavrelinUnderTest::ExtraEnvironment() const {
    if (m_objectsFolder.empty()) {
        return {};
    }
    return {"CE_OBJECTS_DIR=" + m_objectsFolder};
}

bool TavrelinUnderTest::WaitUntilListening(bool listening, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return ReadPortState(getpid(), kViewerPort).listening == listening; },
                     timeout);
}

std::vector<ShownWindow> TavrelinUnderTest::Controls() {
    std::vector<ShownWindow> controls;
    WaitUntil([&] {
        for (const ShownWindow& window : Windows()) {
            if (window.className == "Quintaro") {
                controls = Children(window.id);
            }
        }
        return controls.size() == 5;
    });
    return controls;
}

std::optional<ShownWindow> TavrelinUnderTest::Control(const std::string& text) {
    std::optional<ShownWindow> found;
    WaitUntil(
        [&] {
            for (const ShownWindow& control : Controls()) {
                if (control.text == text) {
                    found = control;
                }
            }
            return found.has_value();
        },
        std::chrono::seconds(5));
    return found;
}

std::string ViewerRun::Line(const std::string& prefix) const {
    for (const std::string& line : lines) {
        if (line.starts_with(prefix)) {
            return line;
        }
    }
    return {};
}

long ViewerRun::Field(const std::string& line, const std::string& name) {
    const auto at = line.find(name + "=");
    if (at == std::string::npos) {
        return -1;
    }
    return std::strtol(line.c_str() + at + name.size() + 1, nullptr, 0);
}

bool StartViewer(ChildProcess& viewer, const std::string& script,
                 const std::vector<std::string>& options, const std::string& netnsPath) {
    std::vector<std::string> argv{BREVANTA_VIEWER_PATH};
    if (!script.empty()) {
        argv.insert(argv.end(), {"--script", script});
    }
    argv.insert(argv.end(), options.begin(), options.end());
    return viewer.Start(argv, netnsPath);
}

ViewerRun RunViewer(const std::string& script, const std::vector<std::string>& options,
                    std::chrono::milliseconds timeout) {
    ChildProcess viewer;
    ViewerRun run;
    if (!StartViewer(viewer, script, options)) {
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (viewer.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()))) {
    }
    run.exitCode = viewer.WaitForExit(std::chrono::milliseconds(100));
    run.lines = viewer.Lines();
    return run;
}

std::optional<Screenshot> ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    Screenshot picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.resize(bytes.size() / 3);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        picture.pixels[i] = Rgb{bytes[i * 3], bytes[i * 3 + 1], bytes[i * 3 + 2]};
    }
    return picture;
}

std::uint16_t To565(const Rgb& pixel) {
    return static_cast<std::uint16_t>(((pixel.red >> 3) << 11) | ((pixel.green >> 2) << 5) |
                                      (pixel.blue >> 3));
}

bool Same565(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height) {
        return false;
    }
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        if (To565(a.pixels[i]) != To565(b.pixels[i])) {
            return false;
        }
    }
    return true;
}

int NonWhiteBands(const Screenshot& screen) {
    // The server's memory: rows bottom-up, two bytes a pixel; a band is a fortieth of the bytes.
    const std::size_t frameBytes = static_cast<std::size_t>(screen.width) * screen.height * 2;
    const std::size_t bandBytes = frameBytes / 40;
    int bands = 0;
    for (std::size_t band = 0; band < 40; ++band) {
        for (std::size_t byte = band * bandBytes; byte < (band + 1) * bandBytes; byte += 2) {
            const std::size_t pixel = byte / 2;
            const int x = static_cast<int>(pixel % static_cast<std::size_t>(screen.width));
            const int y = screen.height - 1 - static_cast<int>(pixel / screen.width);
            if (To565(screen.At(x, y)) != 0xFFFF) {
                ++bands;
                break;
            }
        }
    }
    return bands;
}

}  // namespace brevanta::test
