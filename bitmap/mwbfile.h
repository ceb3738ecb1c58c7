// Bounded file reader shared by the image and font readers.
//
// Every reader treats its file as hostile. This reader knows the file's size,
// never reads beyond it and hands out zero bytes past the end, so a parser
// built on it cannot overrun its input whatever the header claims; positions
// and counts are 64-bit. It goes through the kernel's file layer with the
// owner name of the reader that uses it.
#ifndef MWBFILE_H
#define MWBFILE_H

#include <cstdint>
#include <cstdio>

class mwbFileReader {
public:
    mwbFileReader(const char *owner, int line) : owner_(owner), line_(line) {}
    ~mwbFileReader() { close(); }
    mwbFileReader(const mwbFileReader &) = delete;
    mwbFileReader &operator=(const mwbFileReader &) = delete;

    // False for a file that does not exist (nothing is reported then); a file
    // that exists but cannot be opened is fatal in the file layer.
    bool open(const char *name);
    // Opens without the existence test: a missing file is fatal.
    void openOrFail(const char *name);
    void close();

    // Copies count bytes to buffer; bytes beyond the end of the file are 0.
    void read(void *buffer, uint64_t count);
    uint8_t byte();
    uint16_t le16();
    uint32_t le32();
    uint16_t be16();
    uint32_t be32();

    // Moves the read position; past the end means at the end.
    void skip(uint64_t count) { seek(position_ + count > size_ ? size_ : position_ + count); }
    void seek(uint64_t position);

    uint64_t position() const { return position_; }
    uint64_t size() const { return size_; }
    uint64_t remaining() const { return size_ - position_; }
    bool atEnd() const { return position_ >= size_; }

private:
    void refill();

    const char *owner_;
    int line_;
    FILE *stream_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0; // of the next byte handed out
    uint64_t streamAt_ = 0; // where the stream stands
    uint8_t buffer_[4096];
    uint64_t bufferStart_ = 0; // file position of buffer_[0]
    uint32_t bufferLength_ = 0;
};

#endif // MWBFILE_H
