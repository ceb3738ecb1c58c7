// The plug-in's report log lines in MARROW.TXT. Built twice: with MARROW_LOG
// the lines are written in the current directory; without it every call
// returns at once.
#include "vdlog.h"

#ifdef MARROW_LOG

#include <cstdarg>
#include <cstdio>

namespace {

const char kLogName[] = "MARROW.TXT";
const char kTag[] = "* VOODOO : ";
const char kRulerLine[] = "------------------------------------------------------------------------------\n";
constexpr int kLineMax = 1024; // longer text is cut

enum Kind { kNone = 0, kRuler = 1, kPlain = 2 };

int lastKind = kNone;

// Each entry opens, writes and closes the file, as the engine's log does; a
// ruler separates it from an entry of another kind.
void emit(int kind, const char *head, const char *text)
{
    std::FILE *file = std::fopen(kLogName, "ab");
    if (!file)
        return; // the log must never stop the plug-in
    if (lastKind != kRuler && (kind == kRuler || lastKind != kind))
        std::fputs(kRulerLine, file);
    lastKind = kind;
    std::fputs(head, file);
    std::fputs(text, file);
    std::fclose(file);
}

void emitFormatted(const char *head, const char *format, va_list args)
{
    char text[kLineMax];
    std::vsnprintf(text, sizeof text, format, args);
    emit(kPlain, head, text);
}

} // namespace

void vdLogTagged(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    emitFormatted(kTag, format, args);
    va_end(args);
}

void vdLogPrintf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    emitFormatted("", format, args);
    va_end(args);
}

void vdLogRuler(void) { emit(kRuler, "", ""); }

#else // the delivered plug-in: no log

void vdLogTagged(const char *, ...) {}
void vdLogPrintf(const char *, ...) {}
void vdLogRuler(void) {}

#endif
