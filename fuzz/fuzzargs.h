// Command lines for the argument parsers' fuzz targets: the input's bytes
// split at NUL bytes into arguments after the program's name.
#ifndef MARROW_FUZZARGS_H
#define MARROW_FUZZARGS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzArguments {
public:
    FuzzArguments(const char *program, const uint8_t *data, size_t size)
    {
        texts_.emplace_back(program);
        const char *at = reinterpret_cast<const char *>(data);
        const char *end = at + size;
        while (at < end && texts_.size() < kMostArguments) {
            const char *stop = at;
            while (stop < end && *stop)
                ++stop;
            texts_.emplace_back(at, stop);
            at = stop + 1;
        }
        for (std::string &text : texts_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr); // argv[argc] is NULL, as main gets it
    }

    int argc() const { return int(texts_.size()); }
    char **argv() { return pointers_.data(); }

private:
    static constexpr size_t kMostArguments = 64;
    std::vector<std::string> texts_;
    std::vector<char *> pointers_;
};

#endif
