/*
 * mwerror.h - the kernel's own report handlers (internal).
 *
 * mwInit installs them with mwSetErrorHandlers; until then mwFatal and
 * mwError only end the process. Both run the exit registry, show the error
 * box and end the process with -1.
 */
#ifndef MW_KERNEL_MWERROR_H
#define MW_KERNEL_MWERROR_H

#include "mwkernel.h"

/* Longest report text, terminator included; longer messages are cut. */
#define MW_REPORT_MAX 1024

MW_EXTERN_C_BEGIN

/* Fatal hook: logs "Error: <message>", runs the exit registry, shows the box
 * with the caption "Error". Carried out on the main thread (mwerror.cpp). */
MW_NORETURN void mwKernelFatal(const char *format, ...) MW_PRINTF(1, 2);

/* Error hook: caption "Error Code (<code>h) <file>:<line>", text
 * "<function>: <message of code>"; runs the exit registry, logs, shows the box. */
MW_NORETURN void mwKernelError(const char *file, int line, const char *function, int code);

/* Called by mwInit on the thread that will run the engine: from then on
 * every report is carried out there (see mwFatal in mwkernel.h). */
void mwReportSetMainThread(void);

/* A safe point of the main thread: carries out a report that another
 * thread handed over (and does not return then); otherwise, and on any
 * other thread, returns at once. */
void mwReportSafePoint(void);

MW_EXTERN_C_END

#endif
