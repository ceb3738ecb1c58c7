// Error codes, the two report hooks and the kernel's handlers behind them.
#include "mwerror.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "mwsystem.h"

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

void mwKernelFatal(const char *format, ...)
{
    char message[MW_REPORT_MAX];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, text(format), args);
    va_end(args);

    mwLogPrintf("Error: ");
    mwLogPrintf("%s", message);
    mwLogPrintf("\n");
    mwExitCall();
    mwShowErrorBox("Error", message);
    std::exit(-1);
}

void mwKernelError(const char *file, int line, const char *function, int code)
{
    char caption[MW_REPORT_MAX];
    char message[MW_REPORT_MAX];
    std::snprintf(caption, sizeof caption, "Error Code (%Xh) %s:%d", static_cast<unsigned>(code), text(file),
                  line);
    std::snprintf(message, sizeof message, "%s: %s", text(function), mwErrorString(code));

    mwExitCall();
    mwLogPrintf("%s %s\n", caption, message);
    mwShowErrorBox(caption, message);
    std::exit(-1);
}
