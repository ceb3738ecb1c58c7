// Shared helpers of the bitmap library tests: scratch files, reporting hooks
// and netpbm pictures for exchanging pixels with ImageMagick and netpbm.
#ifndef MW_TESTS_BITMAP_BITMAP_SUPPORT_H
#define MW_TESTS_BITMAP_BITMAP_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mwbitmap.h"
#include "report_support.h"

using Bytes = std::vector<uint8_t>;

// The interoperability cases check our readers against files made (and read)
// by ImageMagick and netpbm of the build machine; a Windows test program
// running under Wine cannot start them, so there those cases are skipped.
#ifdef _WIN32
#define SKIP_WITHOUT_HOST_TOOLS() GTEST_SKIP() << "needs ImageMagick and netpbm of the build machine"
#else
#define SKIP_WITHOUT_HOST_TOOLS() static_cast<void>(0)
#endif

// A path in a scratch folder of its own for the running test.
std::string scratchPath(const std::string &name);
void writeFile(const std::string &path, const Bytes &bytes);
Bytes readFile(const std::string &path);
// Writes the bytes to a scratch file of that name and reads it with `load`.
mwBITMAP *loadBytes(const std::string &name, const Bytes &file, mwBITMAP *(*load)(const char *));

// Runs a shell command; false (with the command shown) when it fails.
bool run(const std::string &command);

// Little- and big-endian appenders for building files byte by byte.
void putLe16(Bytes &out, unsigned value);
void putLe32(Bytes &out, uint32_t value);
void putBe16(Bytes &out, unsigned value);
void putBe32(Bytes &out, uint32_t value);
void putText(Bytes &out, const char *text);

// IFF "PBM " files built byte by byte: a chunk padded to an even length
// (`length` is what its header claims), the header fields the reader uses,
// the FORM around the chunks, and the usual file of header, colour map and
// body.
void iffChunk(Bytes &out, const char *id, const Bytes &data, uint32_t length);
void iffChunk(Bytes &out, const char *id, const Bytes &data);
Bytes iffHeader(int width, int height, int planes, int compression);
Bytes iffForm(const Bytes &chunks, const char *type = "PBM ");
Bytes pbmFile(int width, int height, int planes, int compression, const Bytes &body, const Bytes &colourMap);

// An 8-bit picture, rows top first, channels R, G, B (and A).
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;
    Bytes pixels;
    const uint8_t *at(int x, int y) const { return pixels.data() + (y * width + x) * channels; }
};

// A picture whose every pixel differs from its neighbours in every channel.
Picture testPicture(int width, int height, int channels);
// Writes P6 (3 channels) or P7 RGB_ALPHA (4 channels).
void writeNetpbm(const std::string &path, const Picture &picture);
// Reads P6 or P7 with a maxval of 255; an empty picture when unreadable.
Picture readNetpbm(const std::string &path);

// The pixels of a bitmap converted to RGBA 8888 (the bitmap is left as it is).
Bytes rgbaPixels(const mwBITMAP *bitmap);

// Death tests see the kernel's error box on standard error: "Error Code
// (0h) <owner>:<line>: <function>: Invalid Parameter" or "Error: <message>".
using mwtest::installThrowingHooks;
using mwtest::kFatalExit;
using mwtest::Reported;

#endif // MW_TESTS_BITMAP_BITMAP_SUPPORT_H
