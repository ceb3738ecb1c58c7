// Bounded file reader over the kernel's file layer.
#include "mwbfile.h"

#include <algorithm>
#include <cstring>

#include "mwkernel.h"

bool mwbFileReader::open(const char *name)
{
    if (!mwFileExists(owner_, line_, name)) {
        return false;
    }
    openOrFail(name);
    return true;
}

void mwbFileReader::openOrFail(const char *name)
{
    close();
    stream_ = mwFileOpen(owner_, line_, name, MW_FILE_READ);
    const int size = mwFileSize(owner_, line_, stream_);
    size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
    position_ = streamAt_ = bufferStart_ = 0;
    bufferLength_ = 0;
}

void mwbFileReader::close()
{
    if (stream_) {
        mwFileClose(owner_, line_, stream_);
        stream_ = nullptr;
    }
    size_ = position_ = 0;
    bufferLength_ = 0;
}

void mwbFileReader::seek(uint64_t position) { position_ = std::min(position, size_); }

void mwbFileReader::refill()
{
    if (streamAt_ != position_) {
        // The file layer takes int offsets; it also reports sizes as int, so
        // every position within size_ fits.
        mwFileSeek(owner_, line_, stream_, static_cast<int>(position_), 0);
        streamAt_ = position_;
    }
    const uint64_t want = std::min<uint64_t>(sizeof buffer_, size_ - position_);
    const int got = mwFileRead(owner_, line_, stream_, buffer_, static_cast<int>(want));
    bufferStart_ = position_;
    bufferLength_ = got > 0 ? static_cast<uint32_t>(got) : 0;
    streamAt_ += bufferLength_;
    if (bufferLength_ < want) {
        // The file is shorter than it said: what is missing reads as zeros.
        size_ = position_ + bufferLength_;
    }
}

void mwbFileReader::read(void *buffer, uint64_t count)
{
    auto *out = static_cast<uint8_t *>(buffer);
    while (count > 0 && position_ < size_) {
        if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferLength_) {
            refill();
            continue;
        }
        const uint64_t offset = position_ - bufferStart_;
        const uint64_t run = std::min<uint64_t>(count, bufferLength_ - offset);
        std::memcpy(out, buffer_ + offset, run);
        out += run;
        count -= run;
        position_ += run;
    }
    if (count > 0) {
        std::memset(out, 0, count);
    }
}

uint8_t mwbFileReader::byte()
{
    if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferLength_) {
        return buffer_[position_++ - bufferStart_];
    }
    uint8_t value;
    read(&value, 1);
    return value;
}

uint16_t mwbFileReader::le16()
{
    uint8_t b[2];
    read(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t mwbFileReader::le32()
{
    uint8_t b[4];
    read(b, 4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

uint16_t mwbFileReader::be16()
{
    uint8_t b[2];
    read(b, 2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t mwbFileReader::be32()
{
    uint8_t b[4];
    read(b, 4);
    return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
}
