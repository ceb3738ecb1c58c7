#include "bitmap_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

std::string scratchPath(const std::string &name)
{
    const char *base = std::getenv("MARROW_TEST_TMP");
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path folder = std::filesystem::path(base ? base : "/tmp") / "bitmap" /
                                   (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

void writeFile(const std::string &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

mwBITMAP *loadBytes(const std::string &name, const Bytes &file, mwBITMAP *(*load)(const char *))
{
    const std::string path = scratchPath(name);
    writeFile(path, file);
    return load(path.c_str());
}

bool run(const std::string &command)
{
    const int status = std::system(command.c_str());
    if (status != 0) {
        ADD_FAILURE() << "command failed (" << status << "): " << command;
    }
    return status == 0;
}

void putLe16(Bytes &out, unsigned value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putLe32(Bytes &out, uint32_t value)
{
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

void putBe16(Bytes &out, unsigned value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void putBe32(Bytes &out, uint32_t value)
{
    putBe16(out, value >> 16);
    putBe16(out, value & 0xFFFF);
}

void putText(Bytes &out, const char *text)
{
    for (; *text; text++) {
        out.push_back(static_cast<uint8_t>(*text));
    }
}

void iffChunk(Bytes &out, const char *id, const Bytes &data, uint32_t length)
{
    putText(out, id);
    putBe32(out, length);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) {
        out.push_back(0);
    }
}

void iffChunk(Bytes &out, const char *id, const Bytes &data)
{
    iffChunk(out, id, data, static_cast<uint32_t>(data.size()));
}

Bytes iffHeader(int width, int height, int planes, int compression)
{
    // Sized at once and filled in place: growing it from empty is what GCC
    // 12 at -O3 takes for out-of-bounds writes.
    Bytes data(20, 0);
    data[0] = static_cast<uint8_t>(width >> 8);
    data[1] = static_cast<uint8_t>(width);
    data[2] = static_cast<uint8_t>(height >> 8);
    data[3] = static_cast<uint8_t>(height);
    data[8] = static_cast<uint8_t>(planes);
    data[10] = static_cast<uint8_t>(compression);
    return data;
}

Bytes iffForm(const Bytes &chunks, const char *type)
{
    Bytes file;
    putText(file, "FORM");
    putBe32(file, static_cast<uint32_t>(chunks.size() + 4));
    putText(file, type);
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

Bytes pbmFile(int width, int height, int planes, int compression, const Bytes &body, const Bytes &colourMap)
{
    Bytes chunks;
    iffChunk(chunks, "BMHD", iffHeader(width, height, planes, compression));
    iffChunk(chunks, "CMAP", colourMap);
    iffChunk(chunks, "BODY", body);
    return iffForm(chunks);
}

Picture testPicture(int width, int height, int channels)
{
    Picture picture{width, height, channels, Bytes(static_cast<size_t>(width * height * channels))};
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint8_t *pixel = picture.pixels.data() + (y * width + x) * channels;
            pixel[0] = static_cast<uint8_t>(17 + x * 40 + y * 7);
            pixel[1] = static_cast<uint8_t>(200 - x * 13 + y * 31);
            pixel[2] = static_cast<uint8_t>(x * 3 + y * 60);
            if (channels == 4) {
                pixel[3] = static_cast<uint8_t>(255 - x * 21 - y * 50);
            }
        }
    }
    return picture;
}

void writeNetpbm(const std::string &path, const Picture &picture)
{
    std::ostringstream header;
    if (picture.channels == 3) {
        header << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    } else {
        header << "P7\nWIDTH " << picture.width << "\nHEIGHT " << picture.height
               << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    }
    const std::string text = header.str();
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), picture.pixels.begin(), picture.pixels.end());
    writeFile(path, bytes);
}

Picture readNetpbm(const std::string &path)
{
    const Bytes bytes = readFile(path);
    size_t at = 0;
    auto token = [&]() {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n')
                    at++;
            } else {
                at++;
            }
        }
        std::string word;
        while (at < bytes.size() && !std::isspace(bytes[at]))
            word += static_cast<char>(bytes[at++]);
        return word;
    };
    Picture picture;
    const std::string magic = token();
    int maxval = 0;
    if (magic == "P6") {
        picture.width = std::stoi(token());
        picture.height = std::stoi(token());
        maxval = std::stoi(token());
    } else if (magic == "P7") {
        for (std::string key = token(); key != "ENDHDR" && !key.empty(); key = token()) {
            if (key == "WIDTH")
                picture.width = std::stoi(token());
            else if (key == "HEIGHT")
                picture.height = std::stoi(token());
            else if (key == "DEPTH")
                picture.channels = std::stoi(token());
            else if (key == "MAXVAL")
                maxval = std::stoi(token());
            else
                token();
        }
    } else {
        return {};
    }
    at++; // the single whitespace that ends the header
    const size_t count = static_cast<size_t>(picture.width) * picture.height * picture.channels;
    if (maxval != 255 || at + count > bytes.size()) {
        return {};
    }
    picture.pixels.assign(bytes.begin() + static_cast<long>(at),
                          bytes.begin() + static_cast<long>(at + count));
    return picture;
}

Bytes rgbaPixels(const mwBITMAP *bitmap)
{
    mwBITMAP *copy = mwbCopy(bitmap);
    mwbConvert(copy, MW_IMAGE_RGBA_8888);
    Bytes pixels(copy->data, copy->data + copy->size);
    mwbFree(copy);
    return pixels;
}
