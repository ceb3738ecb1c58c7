// The shared main of the build-time data-file writers: `tool <output file>`.
#ifndef MKFILE_H
#define MKFILE_H

#include <cstdint>
#include <cstdio>
#include <vector>

// Writes the bytes made by `make` to the file named on the command line and
// returns the process's exit code: 0 when written, 1 when the file could
// not be written (no partial file is left behind), 2 for a wrong command line.
inline int mkWriteFile(int argc, char **argv, const char *tool, std::vector<uint8_t> (*make)())
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", tool);
        return 2;
    }
    const std::vector<uint8_t> bytes = make();
    FILE *stream = std::fopen(argv[1], "wb");
    if (!stream) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    if (std::fclose(stream) != 0 || !written) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}

#endif // MKFILE_H
