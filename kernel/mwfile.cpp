// File access over the standard library's buffered streams: the calls on an
// open stream. Opening by name lives in mwfopen.cpp; opening is always binary,
// and a file that cannot be opened is fatal, so loaders never see a NULL
// stream.
#include "mwkernel.h"

#include <climits>
#include <cstdio>

namespace {

FILE *checked(FILE *stream, const char *file, int line, const char *function)
{
    if (!stream)
        mwError(file, line, function, MW_ERR_INVALID_PARAMETER);
    return stream;
}

} // namespace

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
