// The report log MARROW.TXT. Built twice: with MARROW_LOG it writes the file
// in the current directory; without it every entry point returns at once.
#include "mwkernel.h"

#ifdef MARROW_LOG

#include <cstdarg>
#include <cstdio>

namespace {

const char kLogName[] = "MARROW.TXT";
const char kRulerLine[] = "------------------------------------------------------------------------------\n";
constexpr int kLineMax = 1024; // one formatted piece of an entry; longer text is cut

enum Kind { kNone = 0, kRuler = 1, kPlain = 2, kLocated = 3, kReport = 4, kReportIn = 5 };

int lastKind = kNone;
int echoLastKind = kLocated; // the echo has its own memory; it starts as if after a located entry
bool echo = false;

// A ruler separates entries of different kinds; consecutive plain entries
// (or reports) run on, while every located entry stands between rulers.
bool rulerBefore(int last, int kind)
{
    if (last == kRuler)
        return false;
    if (kind == kRuler || kind == kLocated)
        return true;
    return last != kind;
}

struct Entry {
    char head[kLineMax] = "";
    char body[kLineMax] = "";
    const char *tail = "";
};

void writeTo(std::FILE *out, int &last, int kind, const Entry &entry)
{
    if (rulerBefore(last, kind))
        std::fputs(kRulerLine, out);
    last = kind;
    std::fputs(entry.head, out);
    std::fputs(entry.body, out);
    std::fputs(entry.tail, out);
}

void emit(int kind, const Entry &entry)
{
    // A log that cannot be opened is skipped: the log must never end the program.
    // Binary: the same bytes, "\n" line ends, on every platform.
    if (std::FILE *file = std::fopen(kLogName, "ab")) {
        writeTo(file, lastKind, kind, entry);
        std::fclose(file);
    }
    if (echo && kind != kLocated) {
        writeTo(stdout, echoLastKind, kind, entry);
        std::fflush(stdout);
    }
}

const char *text(const char *s) { return s ? s : "(null)"; }

// The body after the head the caller wrote; every entry but a plain one ends
// its line.
void emitFormatted(int kind, Entry &entry, const char *pattern, va_list args)
{
    std::vsnprintf(entry.body, sizeof entry.body, text(pattern), args);
    if (kind != kPlain)
        entry.tail = "\n";
    emit(kind, entry);
}

} // namespace

void mwLogOpen(const char *title)
{
    if (std::FILE *file = std::fopen(kLogName, "wb")) {
        std::fprintf(file, "%s\n\n", text(title));
        std::fclose(file);
    }
    lastKind = kNone;
}

void mwLogRuler(void) { emit(kRuler, Entry{}); }

void mwLogPrintf(const char *fmt, ...)
{
    Entry entry;
    va_list args;
    va_start(args, fmt);
    emitFormatted(kPlain, entry, fmt, args);
    va_end(args);
}

void mwLogTagged(const char *tag, const char *fmt, ...)
{
    Entry entry;
    std::snprintf(entry.head, sizeof entry.head, "* %-6s : ", text(tag));
    va_list args;
    va_start(args, fmt);
    emitFormatted(kPlain, entry, fmt, args);
    va_end(args);
}

void mwLogAt(const char *file, int line, const char *fmt, ...)
{
    Entry entry;
    std::snprintf(entry.head, sizeof entry.head, "[FILE] : %s\n[LINE] : %d\n[INFO] : ", text(file), line);
    va_list args;
    va_start(args, fmt);
    emitFormatted(kLocated, entry, fmt, args);
    va_end(args);
}

void mwLogReport(const char *file, int line, const char *fmt, ...)
{
    Entry entry;
    std::snprintf(entry.head, sizeof entry.head, "%s(%d) Reports : ", text(file), line);
    va_list args;
    va_start(args, fmt);
    emitFormatted(kReport, entry, fmt, args);
    va_end(args);
}

void mwLogReportIn(const char *file, int line, const char *function, const char *fmt, ...)
{
    Entry entry;
    std::snprintf(entry.head, sizeof entry.head, "%s(%d) in %s reports : ", text(file), line, text(function));
    va_list args;
    va_start(args, fmt);
    emitFormatted(kReportIn, entry, fmt, args);
    va_end(args);
}

void mwLogSetEcho(int on) { echo = on != 0; }

#else // the delivered build: no log

void mwLogOpen(const char *) {}
void mwLogRuler(void) {}
void mwLogPrintf(const char *, ...) {}
void mwLogTagged(const char *, const char *, ...) {}
void mwLogAt(const char *, int, const char *, ...) {}
void mwLogReport(const char *, int, const char *, ...) {}
void mwLogReportIn(const char *, int, const char *, const char *, ...) {}
void mwLogSetEcho(int) {}

#endif
