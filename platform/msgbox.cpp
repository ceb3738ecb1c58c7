// Message boxes without a desktop: the box is its caption and text on a
// standard stream, and the default button is the answer.
#include "mwwin32.h"

#include <cstdio>
#include <iterator>
#include <string>

namespace {

// The buttons of each MB_ type in order; the default is the first unless
// MB_DEFBUTTON2 or MB_DEFBUTTON3 names another.
int defaultButton(DWORD style)
{
    static const int buttons[][3] = {{IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL},
                                     {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
                                     {IDYES, IDNO, IDNO},          {IDRETRY, IDCANCEL, IDCANCEL}};
    const DWORD type = style & MB_TYPEMASK;
    const DWORD index = (style & MB_DEFMASK) >> 8;
    if (type >= std::size(buttons) || index > 2)
        return IDOK;
    return buttons[type][index];
}

} // namespace

int WINAPI MessageBoxIndirectA(const MSGBOXPARAMSA *params)
{
    if (!params) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string line = params->lpszCaption ? params->lpszCaption : "Error";
    line += ": ";
    line += params->lpszText ? params->lpszText : "";
    line += '\n';
    // One write, so a report from another thread does not cut into it.
    std::FILE *stream = (params->dwStyle & MB_ICONMASK) == MB_ICONHAND ? stderr : stdout;
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
    return defaultButton(params->dwStyle);
}
