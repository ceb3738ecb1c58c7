// Reading a PNG file back as 0x00RRGGBB pixels, for the snapshot tests.
#ifndef MW_TESTS_DEMO_PNG_SUPPORT_H
#define MW_TESTS_DEMO_PNG_SUPPORT_H

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// The pixels, rows top-down, with the size in width and height; none when
// the file cannot be read.
inline std::vector<uint32_t> readPng(const std::string &path, unsigned &width, unsigned &height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return {};
    width = image.width;
    height = image.height;
    std::vector<uint32_t> pixels(rgb.size() / 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2]);
    return pixels;
}

#endif
