// Opening files by name. Only regular files are taken: a directory must not
// read as an empty file, and a named pipe or a device called POO.TGA must not
// make a reader wait for data that never comes. Existence is therefore tested
// without opening, and opening itself never waits.
#include "mwkernel.h"

#include <cstdio>
#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32
FILE *openRegular(const char *name, int mode)
{
    struct stat info;
    if (mode != MW_FILE_WRITE && (stat(name, &info) != 0 || !S_ISREG(info.st_mode)))
        return nullptr;
    return std::fopen(name, modeString(mode));
}
#else
// O_NONBLOCK makes the open of a pipe return at once; the stream is then
// taken only when the opened file is a regular one.
FILE *openRegular(const char *name, int mode)
{
    static const int flags[] = {0, O_RDONLY, O_WRONLY | O_CREAT | O_TRUNC, O_RDWR};
    const int fd = open(name, flags[mode] | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        return nullptr;
    }
    FILE *stream = fdopen(fd, modeString(mode));
    if (!stream)
        close(fd);
    return stream;
}
#endif

} // namespace

FILE *mwFileOpen(const char *file, int line, const char *name, int mode)
{
    if (!name || !modeString(mode))
        mwError(file, line, "mwFileOpen", MW_ERR_INVALID_PARAMETER);
    FILE *stream = openRegular(name, mode);
    if (!stream)
        mwFatal("Cannot open %s\n", name);
    return stream;
}

int mwFileExists(const char *, int, const char *name)
{
    struct stat info;
    if (!name || stat(name, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
#ifdef _WIN32
    return 1;
#else
    return access(name, R_OK) == 0 ? 1 : 0;
#endif
}
