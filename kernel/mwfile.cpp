// File access over the standard library's buffered streams. Opening is always
// binary, and a file that cannot be opened is fatal, so loaders never see a
// NULL stream.
#include "mwkernel.h"

#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace {

const char *modeString(int mode)
{
    switch (mode) {
    case MW_FILE_READ: return "rb";
    case MW_FILE_WRITE: return "wb";
    case MW_FILE_READWRITE: return "rb+";
    default: return nullptr;
    }
}

// Opens only regular files: some systems open a directory for reading, and a
// loader must not take one for an empty file.
FILE *openRegular(const char *name, const char *mode)
{
    FILE *stream = std::fopen(name, mode);
    if (!stream)
        return nullptr;
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

FILE *checked(FILE *stream, const char *file, int line, const char *function)
{
    if (!stream)
        mwError(file, line, function, MW_ERR_INVALID_PARAMETER);
    return stream;
}

} // namespace

FILE *mwFileOpen(const char *file, int line, const char *name, int mode)
{
    const char *how = modeString(mode);
    if (!name || !how)
        mwError(file, line, "mwFileOpen", MW_ERR_INVALID_PARAMETER);
    FILE *stream = openRegular(name, how);
    if (!stream)
        mwFatal("Cannot open %s\n", name);
    return stream;
}

int mwFileExists(const char *, int, const char *name)
{
    if (!name)
        return 0;
    FILE *stream = openRegular(name, "rb");
    if (!stream)
        return 0;
    std::fclose(stream);
    return 1;
}

void mwFileClose(const char *file, int line, FILE *stream)
{
    std::fclose(checked(stream, file, line, "mwFileClose"));
}

int mwFileRead(const char *file, int line, FILE *stream, void *buffer, int count)
{
    checked(stream, file, line, "mwFileRead");
    if (count <= 0)
        return 0;
    if (!buffer)
        mwError(file, line, "mwFileRead", MW_ERR_INVALID_PARAMETER);
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(count), stream));
}

int mwFileWrite(const char *file, int line, FILE *stream, const void *buffer, int count)
{
    checked(stream, file, line, "mwFileWrite");
    if (count <= 0)
        return 0;
    if (!buffer)
        mwError(file, line, "mwFileWrite", MW_ERR_INVALID_PARAMETER);
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(count), stream));
}

int mwFileSeek(const char *file, int line, FILE *stream, int offset, int origin)
{
    checked(stream, file, line, "mwFileSeek");
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2)
        mwError(file, line, "mwFileSeek", MW_ERR_INVALID_PARAMETER);
    std::fseek(stream, offset, whence[origin]);
    const long position = std::ftell(stream);
    return position > INT_MAX ? INT_MAX : static_cast<int>(position);
}

int mwFileSize(const char *file, int line, FILE *stream)
{
    checked(stream, file, line, "mwFileSize");
    const long here = std::ftell(stream);
    std::fseek(stream, 0, SEEK_END);
    const long size = std::ftell(stream);
    std::fseek(stream, here, SEEK_SET);
    // Files beyond the reach of an int are shown as the largest int, so that a
    // loader's size checks fail rather than see a wrapped, small size.
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

int mwFileEof(const char *file, int line, FILE *stream)
{
    return std::feof(checked(stream, file, line, "mwFileEof")) != 0;
}
