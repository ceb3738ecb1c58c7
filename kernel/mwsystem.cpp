// The error box and the system's error text. On POSIX the box is its caption
// and text on standard error, and the last system error is errno.
#include "mwsystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

void mwShowErrorBox(const char *caption, const char *text)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

int mwLastSystemError(char *text, size_t size)
{
    const int number = errno;
    if (size > 0)
        std::snprintf(text, size, "%s", std::strerror(number));
    return number;
}
