// Windows test programs: the kernel's error box as the POSIX platform shows
// it, "caption: text" on standard error in one piece, instead of a dialog
// that would wait for a person. The death tests read it there; the real box
// is seen in the program's smoke runs (.ci/stages/50-windows).
#include <cstdio>
#include <string>

#include "mwsystem.h"

void mwShowErrorBox(const char *caption, const char *text)
{
    const std::string line = std::string(caption) + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
