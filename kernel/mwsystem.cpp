// The system's error text, through the platform's Win32: the last system
// error is GetLastError with its FormatMessageA text.
#include "mwsystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "mwwin32.h"

namespace {

// The longest system text taken, terminator included.
constexpr size_t kSystemTextMax = 1024;

} // namespace

int mwLastSystemError(char *text, size_t size)
{
    const DWORD number = GetLastError();
    if (size > 0 && !FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    number, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                    static_cast<DWORD>(std::min(size, kSystemTextMax)), nullptr))
        text[0] = '\0';
    // Windows ends its texts with a line break; the report has its own.
    for (size_t end = size > 0 ? std::strlen(text) : 0;
         end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]));)
        text[--end] = '\0';
    return static_cast<int>(number);
}
