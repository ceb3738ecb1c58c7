// Saving a frame as a PNG picture through libpng's simplified interface.
#include "snapshot.h"

#include <png.h>

#include "mwplatform.h"

#include <vector>

bool writeSnapshotPng(const std::string &path, const uint32_t *pixels, int width, int height,
                      std::string &error)
{
    if (!pixels || width < 1 || height < 1) {
        error = "no picture to save";
        return false;
    }
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        rgb[3 * i + 0] = uint8_t(pixels[i] >> 16);
        rgb[3 * i + 1] = uint8_t(pixels[i] >> 8);
        rgb[3 * i + 2] = uint8_t(pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        error = image.message[0] ? image.message : "cannot write the file";
        png_image_free(&image);
        return false;
    }
    return true;
}

bool saveWindowSnapshot(void *window, const std::string &path, std::string &error)
{
    const HWND handle = static_cast<HWND>(window);
    int width = 0, height = 0;
    if (!mwPlatformReadFrame(handle, nullptr, 0, &width, &height) || width < 1 || height < 1) {
        error = "no frame was shown";
        return false;
    }
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    if (!mwPlatformReadFrame(handle, pixels.data(), pixels.size(), &width, &height)) {
        error = "the frame cannot be read";
        return false;
    }
    return writeSnapshotPng(path, pixels.data(), width, height, error);
}
