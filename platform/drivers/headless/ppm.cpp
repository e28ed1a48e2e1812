#include "drivers/headless/ppm.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace ce::drivers {

bool WritePpm(const gdi::Surface& surface, const std::string& path, std::string* error) {
    std::vector<unsigned char> bytes;
    const std::string header = "P6\n" + std::to_string(surface.Width()) + " " +
                               std::to_string(surface.Height()) + "\n255\n";
    bytes.reserve(header.size() + static_cast<std::size_t>(surface.Width()) *
                                      static_cast<std::size_t>(surface.Height()) * 3);
    bytes.assign(header.begin(), header.end());
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            const COLORREF color = gdi::ToColor(surface.At(x, y));
            bytes.push_back(GetRValue(color));
            bytes.push_back(GetGValue(color));
            bytes.push_back(GetBValue(color));
        }
    }
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace ce::drivers
