// Error codes, the two report hooks and the kernel's handlers behind them.
#include "mwerror.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "mwautorun.h"
#include "mwsystem.h"
#include "mwwin32.h"

namespace {

const char *const kMessages[] = {
    "Invalid Parameter",
    "Attempt to allocate zero or less bytes",
    "Out of memory",
    "The memory heap is corrupt",
    "Illegal memory pointer",
    "Dynamic memory already initialized",
    "Specified plugin was not in the plugin list",
    "The plugin entry chain has been corrputed",
    "Specified plugin handle does not exist",
    "Specified plugin class does not exist",
};

// Before the kernel is up a report shows nothing: the process just ends.
void defaultFatal(const char *, ...) { std::exit(-1); }
void defaultError(const char *, int, const char *, int) { std::exit(-1); }

mwFATAL_HOOK fatalHook = defaultFatal;
mwERROR_HOOK errorHook = defaultError;

const char *text(const char *s) { return s ? s : "(null)"; }

} // namespace

void mwFatal(const char *format, ...)
{
    // The hook is variadic but a va_list cannot be passed on, so the message
    // is formatted here and handed over as one string.
    char message[MW_REPORT_MAX];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, text(format), args);
    va_end(args);
    fatalHook("%s", message);
    std::exit(-1); // a hook that returns must not resume the caller
}

void mwError(const char *file, int line, const char *function, int code)
{
    errorHook(file, line, function, code);
    std::exit(-1);
}

void mwSetErrorHandlers(mwFATAL_HOOK fatal, mwERROR_HOOK error)
{
    fatalHook = fatal ? fatal : defaultFatal;
    errorHook = error ? error : defaultError;
}

const char *mwErrorString(int code)
{
    const int count = static_cast<int>(sizeof kMessages / sizeof kMessages[0]);
    return code >= 0 && code < count ? kMessages[code] : "(unknown error code)";
}

void mwSystemError(const char *what)
{
    char system[MW_REPORT_MAX];
    const int number = mwLastSystemError(system, sizeof system);
    mwFatal("%s: (%d) %s", text(what), number, system);
}

//---- The report path
//
// Engine code runs on the main thread, the one that called mwInit. Other
// threads run only their own narrow part: the event thread pumps the main
// window's messages and calls the status functions, the board's workers
// draw. A report's exit functions deinitialise and unload the display
// plug-in and free blocks of the dynamic heap, which has no lock; run on the
// event thread, they would pull the plug-in from under a main thread that
// is drawing with it.
//
// So every report is carried out on the main thread. A report raised on any
// other thread is handed over: its caption and text wait in one slot, the
// main thread takes them at its next safe point (mwGetTicks and
// mwStopRequested, which frame loops call outside any plug-in, and the
// waits inside mwInit and mwShutdown) and carries the report out as its
// own, and the reporting thread waits there until the process ends. Only
// one report is ever carried out: a report raised while another is handed
// over or under way waits too, except a report nested in an exit function
// on the main thread, which runs as it always has.
//
// A main thread that reaches no safe point within kHandOverTimeout is taken
// to be stuck. The reporting thread then shows the report and ends the
// process itself, without the exit functions (they would run beside the
// main thread) and without the runtime's exit handlers.

namespace {

constexpr DWORD kHandOverTimeout = 5000;

// The hand-over slot. Only the thread that moves it from idle to writing
// fills it; the main thread reads it after taking it from waiting.
enum Slot { idle, writing, waiting, taken, abandoned };
std::atomic<int> slot{idle};
std::atomic<DWORD> mainThread{0};

struct Report {
    bool errorCode; // mwError's order: exit functions before the log line
    char caption[MW_REPORT_MAX];
    char text[MW_REPORT_MAX];
};
Report handedOver;

[[noreturn]] void waitForTheEnd()
{
    for (;;)
        Sleep(1000);
}

void logReport(const Report &report)
{
    if (report.errorCode) {
        mwLogPrintf("%s %s\n", report.caption, report.text);
    } else {
        mwLogPrintf("Error: ");
        mwLogPrintf("%s", report.text);
        mwLogPrintf("\n");
    }
}

// On the main thread: the report as it has always been made.
[[noreturn]] void carryOut(const Report &report)
{
    // A thread that gave up waiting for us is ending the process already.
    if (slot.exchange(taken) == abandoned)
        waitForTheEnd();
    if (!report.errorCode)
        logReport(report);
    mwExitCall();
    if (report.errorCode)
        logReport(report);
    mwAutoRunRestore(); // before the box, which may wait for a long time
    mwShowErrorBox(report.caption, report.text);
    std::exit(-1);
}

[[noreturn]] void handOver(const Report &report)
{
    int expected = idle;
    if (!slot.compare_exchange_strong(expected, writing))
        waitForTheEnd(); // another report is on its way
    handedOver = report;
    slot.store(waiting);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= kHandOverTimeout) {
        if (slot.load() != waiting)
            waitForTheEnd(); // the main thread has it
        Sleep(1);
    }
    expected = waiting;
    if (!slot.compare_exchange_strong(expected, abandoned))
        waitForTheEnd(); // taken at the last moment
    logReport(report);
    mwAutoRunRestore();
    mwShowErrorBox(report.caption, report.text);
    std::fflush(nullptr);
    std::_Exit(-1);
}

[[noreturn]] void report(const Report &report)
{
    const DWORD main = mainThread.load();
    if (main == 0 || main == GetCurrentThreadId())
        carryOut(report);
    handOver(report);
}

} // namespace

void mwReportSetMainThread(void) { mainThread = GetCurrentThreadId(); }

void mwReportSafePoint(void)
{
    if (slot.load() != waiting || mainThread.load() != GetCurrentThreadId())
        return;
    int expected = waiting;
    if (slot.compare_exchange_strong(expected, taken))
        carryOut(handedOver);
}

void mwKernelFatal(const char *format, ...)
{
    Report r{false, "Error", ""};
    va_list args;
    va_start(args, format);
    std::vsnprintf(r.text, sizeof r.text, text(format), args);
    va_end(args);
    report(r);
}

void mwKernelError(const char *file, int line, const char *function, int code)
{
    Report r{true, "", ""};
    std::snprintf(r.caption, sizeof r.caption, "Error Code (%Xh) %s:%d", static_cast<unsigned>(code),
                  text(file), line);
    std::snprintf(r.text, sizeof r.text, "%s: %s", text(function), mwErrorString(code));
    report(r);
}
