// The error box and the system's error text, through the platform's Win32:
// the box is MessageBoxIndirectA, the last system error GetLastError with
// its FormatMessageA text.
#include "mwsystem.h"

#include <algorithm>

#include "mwwin32.h"

namespace {

// The longest system text taken, terminator included.
constexpr size_t kSystemTextMax = 1024;

} // namespace

void mwShowErrorBox(const char *caption, const char *text)
{
    MSGBOXPARAMSA box{};
    box.cbSize = sizeof box;
    box.lpszText = text;
    box.lpszCaption = caption;
    box.dwStyle = MB_ICONHAND | MB_TOPMOST;
    box.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
    MessageBoxIndirectA(&box);
}

int mwLastSystemError(char *text, size_t size)
{
    const DWORD number = GetLastError();
    if (size > 0 && !FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    number, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                    static_cast<DWORD>(std::min(size, kSystemTextMax)), nullptr))
        text[0] = '\0';
    return static_cast<int>(number);
}
