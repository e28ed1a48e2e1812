// Snapshots: the PNG read back with libpng has the picture's pixels, top row first, each RGB565
// channel widened by repeating its top bits.
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "tavrelin-viewer/png_writer.h"
#include "test_files.h"

namespace brevanta::viewer {
namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Decoded ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Decoded out;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << image.message;
        return out;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return out;
}

void SetPixel(Picture& picture, int x, int y, std::uint16_t value) {
    const std::size_t offset =
        static_cast<std::size_t>(picture.Size().height - 1 - y) * picture.Stride() + x * 2;
    picture.MutableBytes()[offset] = static_cast<std::uint8_t>(value);
    picture.MutableBytes()[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

TEST(TavrelinViewerPng, WidensEachChannelByRepeatingItsTopBits) {
    struct Case {
        std::uint16_t rgb565;
        Rgb888 rgb;
    } cases[] = {{0x0000, {0, 0, 0}},       {0xFFFF, {255, 255, 255}}, {0xF800, {255, 0, 0}},
                 {0x07E0, {0, 255, 0}},     {0x001F, {0, 0, 255}},     {0x0821, {8, 4, 8}},
                 {0x8410, {132, 130, 132}}, {0x7BEF, {123, 125, 123}}};
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandRgb565(c.rgb565), c.rgb) << c.rgb565;
    }
}

TEST(TavrelinViewerPng, ReadsBackAsThePictureTopRowFirst) {
    test::TemporaryDirectory directory;
    // An odd width pads each row of the picture's memory; the PNG must not show the padding.
    for (ScreenSize size : {ScreenSize{272, 480}, ScreenSize{7, 5}}) {
        Picture picture(size);
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                SetPixel(picture, x, y, static_cast<std::uint16_t>(x * 131 + y * 2053));
            }
        }
        SetPixel(picture, 0, 0, 0xF800);  // top left in red: the picture's last row in memory
        const std::string path = directory.Path() + "/shot.png";
        std::string error;
        ASSERT_TRUE(WritePng(path, picture, &error)) << error;

        Decoded png = ReadPng(path);
        ASSERT_EQ(png.width, size.width);
        ASSERT_EQ(png.height, size.height);
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                const Rgb888 want = ExpandRgb565(picture.PixelAt(x, y));
                const std::uint8_t* got =
                    &png.rgb[(static_cast<std::size_t>(y) * size.width + x) * 3];
                ASSERT_EQ((Rgb888{got[0], got[1], got[2]}), want) << x << "," << y;
            }
        }
        EXPECT_EQ(png.rgb[0], 255);
        EXPECT_EQ(png.rgb[1], 0);
    }
}

TEST(TavrelinViewerPng, ReportsWhatCannotBeWritten) {
    std::string error;
    EXPECT_FALSE(WritePng("/nonexistent-dir/a.png", Picture({240, 320}), &error));
    EXPECT_NE(error.find("nonexistent-dir"), std::string::npos) << error;
    EXPECT_FALSE(WritePng("/tmp/never.png", Picture(), &error));
    EXPECT_TRUE(EncodePng(Picture()).empty());
}

}  // namespace
}  // namespace brevanta::viewer
