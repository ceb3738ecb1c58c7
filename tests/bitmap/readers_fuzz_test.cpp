// Every reader fed truncated and bit-flipped versions of valid files. Run
// under AddressSanitizer this is the floor for the fuzz targets: a reader
// may refuse a file or report it, but never reads or writes outside a buffer.
#include <algorithm>
#include <functional>
#include <random>

#include "bitmap_support.h"
#include "common_support.h"

namespace {

struct Sample {
    const char *name;
    Bytes file;
    std::function<void(const char *)> load; // loads, checks and frees
};

// What a reader returns must keep the library's own rules.
void checkBitmap(const mwBITMAP *bitmap)
{
    if (!bitmap) {
        return;
    }
    ASSERT_GE(bitmap->type, 1);
    ASSERT_LT(bitmap->type, MW_IMAGE_TYPE_COUNT);
    ASSERT_GT(bitmap->width, 0);
    ASSERT_GT(bitmap->height, 0);
    const int64_t pitch = (int64_t{bitmap->width} * mwbBitsPerPixel(bitmap->type)) >> 3;
    ASSERT_EQ(bitmap->size, pitch * bitmap->height);
    ASSERT_EQ(bitmap->data == nullptr, bitmap->size == 0);
    ASSERT_EQ(bitmap->palette == nullptr, bitmap->paletteSize == 0);
    ASSERT_EQ(bitmap->reserved, 0);
    // Touch every byte and every palette entry an index can reach.
    rgbaPixels(bitmap);
}

void loadBitmap(mwBITMAP *(*reader)(const char *), const char *path)
{
    mwBITMAP *bitmap = reader(path);
    checkBitmap(bitmap);
    if (bitmap) {
        mwbFree(bitmap);
    }
}

void loadFont(const char *path)
{
    mwbFONT *font = mwbFontLoad(path);
    for (int i = 0; i < font->pageCount; i++) {
        checkBitmap(&font->pages[i]);
    }
    for (const mwbGLYPH &glyph : font->glyph) {
        if (glyph.page >= 0 && glyph.width > 0 && glyph.height > 0) {
            // Read the glyph's bottom-right byte the way a driver would.
            const mwBITMAP &page = font->pages[glyph.page];
            const int bits = mwbBitsPerPixel(page.type);
            const int64_t pitch = (int64_t{page.width} * bits) >> 3;
            const int64_t right = std::max<int64_t>((((int64_t{glyph.x} + glyph.width) * bits) >> 3) - 1, 0);
            volatile uint8_t sink = page.data[(glyph.y + glyph.height - 1) * pitch + right];
            (void)sink;
        }
    }
    mwbFontFree(font);
}

// Reports these readers make by design; anything else (a broken heap, a bad
// pointer) is a fault.
bool expectedReport(const std::string &message)
{
    for (const char *expected :
         {"mwbLBMLoad: Scan count error.", "mwbFontLoad: Invalid font file",
          "mwDMemAlloc: Attempt to allocate zero or less bytes", "mwDMemAlloc: Out of memory"}) {
        if (message.find(expected) == 0) {
            return true;
        }
    }
    return false;
}

// The pictures' pixel data are whole multiples of the heap's 16-byte granule,
// so a write past their end lands in the next block's header, where
// mwDMemCheck finds it even without AddressSanitizer.
std::vector<Sample> samples()
{
    std::vector<Sample> list;
    auto bitmapSample = [&](const char *name, mwBITMAP *(*reader)(const char *), Bytes file) {
        list.push_back({name, std::move(file), [reader](const char *path) { loadBitmap(reader, path); }});
    };

    // Targa: ours (top-down 24 and 32 bits) and ImageMagick's (bottom-up).
    for (int type : {MW_IMAGE_BGR_888, MW_IMAGE_BGRA_8888}) {
        mwBITMAP *bitmap = mwbCreate(type, 8, 8);
        for (int i = 0; i < bitmap->size; i++)
            bitmap->data[i] = static_cast<uint8_t>(i * 13);
        const std::string path = scratchPath("ours.tga");
        mwbTGASave(bitmap, path.c_str());
        mwbFree(bitmap);
        bitmapSample("ours.tga", mwbTGALoad, readFile(path));
    }
    const std::string source = scratchPath("source.ppm");
    writeNetpbm(source, testPicture(8, 8, 3));
    const std::string magickTga = scratchPath("magick.tga");
    const std::string eightPcx = scratchPath("eight.pcx");
    const std::string truePcx = scratchPath("true.pcx");
    run("convert '" + source + "' -compress None '" + magickTga + "'");
    run("ppmtopcx -8bit '" + source + "' > '" + eightPcx + "' 2>/dev/null");
    run("convert '" + source + "' '" + truePcx + "'");
    bitmapSample("magick.tga", mwbTGALoad, readFile(magickTga));
    bitmapSample("eight.pcx", mwbPCXLoad, readFile(eightPcx));
    bitmapSample("true.pcx", mwbPCXLoad, readFile(truePcx));

    // IFF "PBM ": 8 planes run-length, 4 planes raw, 1 plane run-length.
    Bytes colourMap;
    for (int i = 0; i < 48; i++)
        colourMap.push_back(static_cast<uint8_t>(i * 5));
    Bytes runs, raw;
    for (int row = 0; row < 8; row++) {
        runs.insert(runs.end(), {3, 1, 2, 3, 4, static_cast<uint8_t>(-11), 7}); // 4 literal + 12 repeated
        for (int x = 0; x < 16; x++)
            raw.push_back(static_cast<uint8_t>(x + row));
    }
    bitmapSample("runs.lbm", mwbLBMLoad, pbmFile(16, 8, 8, 1, runs, colourMap));
    bitmapSample("raw.lbm", mwbLBMLoad, pbmFile(16, 8, 4, 0, raw, colourMap));
    bitmapSample("bits.lbm", mwbLBMLoad, pbmFile(16, 8, 1, 1, runs, colourMap));

    list.push_back({"console.fnt", readFile(MARROW_RUN_DIR "/CONSOLE.FNT"), loadFont});
    return list;
}

TEST(ReadersFuzz, TruncatedAndBitFlippedFilesStayInBounds)
{
    SKIP_WITHOUT_HOST_TOOLS();
    const std::vector<Sample> list = samples();
    auto feedEveryReader = [&] {
        installThrowingHooks();
        std::mt19937 random(20240607);
        int loaded = 0, reported = 0;
        for (const Sample &sample : list) {
            ASSERT_GT(sample.file.size(), 20u) << sample.name;
            const std::string path = scratchPath(sample.name);
            std::vector<Bytes> variants;
            // Every cut within the headers, then cuts spread over the rest.
            const size_t size = sample.file.size();
            for (size_t cut = 0; cut < size; cut += cut < 160 ? 1 : size / 64 + 1) {
                variants.emplace_back(sample.file.begin(), sample.file.begin() + static_cast<long>(cut));
            }
            // Flips of 1 to 4 bits, half of them in the first bytes where the
            // headers and chunk lengths live.
            for (int i = 0; i < 400; i++) {
                Bytes flipped = sample.file;
                const int flips = 1 + static_cast<int>(random() % 4);
                const size_t limit = i % 2 ? size : std::min<size_t>(size, 160);
                for (int f = 0; f < flips; f++) {
                    flipped[random() % limit] ^= static_cast<uint8_t>(1u << (random() % 8));
                }
                variants.push_back(std::move(flipped));
            }
            for (const Bytes &variant : variants) {
                writeFile(path, variant);
                try {
                    sample.load(path.c_str());
                    loaded++;
                } catch (const Reported &report) {
                    ASSERT_TRUE(expectedReport(report.message)) << sample.name << ": " << report.message;
                    reported++;
                }
                // A write past a block breaks the next block's header.
                try {
                    mwDMemCheck("test", __LINE__);
                } catch (const Reported &report) {
                    FAIL() << sample.name << " variant of " << variant.size() << " bytes: " << report.message;
                }
                ASSERT_FALSE(::testing::Test::HasFatalFailure())
                    << sample.name << " variant of " << variant.size() << " bytes";
            }
        }
        EXPECT_GT(loaded, 1000);
        EXPECT_GT(reported, 0);
    };
    // In a child process: the reporting hooks are swapped for throwing ones.
    MW_ISOLATED(feedEveryReader);
}

} // namespace
