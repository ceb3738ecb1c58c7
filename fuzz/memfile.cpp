// Opening by name for the fuzz targets: the one file there is lives in memory.
//
// This file takes the place of the kernel's kernel/mwfopen.cpp: it defines
// both of that file's functions, so the linker never takes the kernel's own,
// while every call on the open stream (read, seek, size, close) is the
// kernel's. A reader under test thus makes exactly the calls it makes in the
// program, and an input costs no file on disk.
#include "fuzzsupport.h"

#include <cstdio>
#include <cstring>
#include <sys/types.h>
#include <vector>

#include "mwkernel.h"

namespace {

struct Span {
    const uint8_t *data = nullptr;
    size_t size = 0;
};

Span current;

struct Cursor {
    Span span;
    off64_t at = 0;
    FILE *stream = nullptr;
};

std::vector<Cursor *> openCursors;

ssize_t readCursor(void *cookie, char *buffer, size_t count)
{
    auto *cursor = static_cast<Cursor *>(cookie);
    const size_t left = cursor->at < off64_t(cursor->span.size) ? cursor->span.size - size_t(cursor->at) : 0;
    const size_t run = count < left ? count : left;
    if (run)
        std::memcpy(buffer, cursor->span.data + cursor->at, run);
    cursor->at += off64_t(run);
    return ssize_t(run);
}

int seekCursor(void *cookie, off64_t *offset, int whence)
{
    auto *cursor = static_cast<Cursor *>(cookie);
    const off64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? cursor->at
                                              : off64_t(cursor->span.size);
    if (*offset < -base)
        return -1;
    cursor->at = *offset = base + *offset;
    return 0;
}

int closeCursor(void *cookie)
{
    auto *cursor = static_cast<Cursor *>(cookie);
    std::erase(openCursors, cursor);
    delete cursor;
    return 0;
}

} // namespace

void fuzzServeFile(const uint8_t *data, size_t size) { current = {data, size}; }

int fuzzCloseFiles()
{
    const int left = int(openCursors.size());
    while (!openCursors.empty())
        std::fclose(openCursors.back()->stream);
    return left;
}

FILE *mwFileOpen(const char *file, int line, const char *name, int mode)
{
    if (!name || mode < MW_FILE_READ || mode > MW_FILE_READWRITE)
        mwError(file, line, "mwFileOpen", MW_ERR_INVALID_PARAMETER);
    if (mode != MW_FILE_READ || std::strcmp(name, kFuzzFileName) != 0)
        mwFatal("Cannot open %s\n", name);
    static const cookie_io_functions_t functions = {readCursor, nullptr, seekCursor, closeCursor};
    auto *cursor = new Cursor{current};
    cursor->stream = fopencookie(cursor, "rb", functions);
    if (!cursor->stream) {
        delete cursor;
        mwFatal("Cannot open %s\n", name);
    }
    openCursors.push_back(cursor);
    return cursor->stream;
}

int mwFileExists(const char *, int, const char *name)
{
    return name && std::strcmp(name, kFuzzFileName) == 0;
}
