// The error box, through the platform's Win32 MessageBoxIndirectA. A file of
// its own, so that a test program can put a box of its own in its place
// (tests/support/box_support.cpp) where a real one would wait for a person.
#include "mwsystem.h"

#include "mwwin32.h"

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
