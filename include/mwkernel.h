/*
 * mwkernel.h - the Marrow kernel: start-up, error reports, the report log,
 * memory managers, status and exit registries, lists and file access.
 *
 * Conventions
 * - Every allocating or opening call takes the caller's source file name
 *   (without extension) and line first; they are kept as the owner of a block
 *   and shown in error captions.
 * - Misuse is not returned: it is reported through mwError or mwFatal, which
 *   run the exit registry, show the error box and end the process with -1.
 * - Memory from both managers is aligned to MW_MEM_ALIGN.
 */
#ifndef MWKERNEL_H
#define MWKERNEL_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
#define MW_EXTERN_C_BEGIN extern "C" {
#define MW_EXTERN_C_END }
#define MW_NORETURN [[noreturn]]
#else
#define MW_EXTERN_C_BEGIN
#define MW_EXTERN_C_END
#define MW_NORETURN _Noreturn
#endif

#if defined(__GNUC__)
#define MW_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define MW_PRINTF(fmt, args)
#endif

MW_EXTERN_C_BEGIN

/*---- Start-up, main window and event thread ------------------------------*/

/* Brings the kernel up: error hooks, report log, memory managers (blockBytes
 * of block memory, dynamicBytes of it as the dynamic heap) and the event
 * thread with the main window titled applicationName (NULL: "No Application
 * Name"; at most 255 characters kept). Returns 1, or 0 when the kernel was
 * already up (nothing is done then). */
int mwInit(int blockBytes, int dynamicBytes, const char *applicationName);

/* Undoes mwInit; does nothing when the kernel is not up. */
void mwShutdown(void);

/* Milliseconds since system start; wraps at 32 bits, so take differences as
 * unsigned. On the main thread it is also a safe point (see mwFatal). */
uint32_t mwGetTicks(void);

/* 1 once the program has been asked from outside to end: SIGINT or SIGTERM
 * (a console's Ctrl+C or close on Windows), or its main window taken away by
 * the host it draws for (a screen saver host's window destroyed or unmapped
 * for good). That is a normal end: leave the frame loop and shut down as
 * after the user's own stop; nothing is reported. mwInit starts listening
 * and mwShutdown stops, so a program that calls mwInit asks this once a
 * frame, on its main thread, where it is also a safe point (see mwFatal). */
int mwStopRequested(void);

/* The main window (a Win32 HWND), NULL before it exists and after its message
 * pump has ended. Owned by the event thread. */
void *mwGetMainWindow(void);

/* The application name given to mwInit (the window title). */
const char *mwGetApplicationName(void);

/*---- Error codes and reports ---------------------------------------------*/

enum {
    MW_ERR_INVALID_PARAMETER = 0,    /* "Invalid Parameter" */
    MW_ERR_ALLOC_ZERO = 1,           /* "Attempt to allocate zero or less bytes" */
    MW_ERR_OUT_OF_MEMORY = 2,        /* "Out of memory" */
    MW_ERR_HEAP_CORRUPT = 3,         /* "The memory heap is corrupt" */
    MW_ERR_BAD_POINTER = 4,          /* "Illegal memory pointer" */
    MW_ERR_DMEM_INITIALIZED = 5,     /* "Dynamic memory already initialized" */
    MW_ERR_PLUGIN_NOT_IN_LIST = 6,   /* "Specified plugin was not in the plugin list" */
    MW_ERR_PLUGIN_CHAIN_CORRUPT = 7, /* "The plugin entry chain has been corrputed" */
    MW_ERR_NO_PLUGIN_HANDLE = 8,     /* "Specified plugin handle does not exist" */
    MW_ERR_NO_PLUGIN_CLASS = 9       /* "Specified plugin class does not exist" */
};

typedef void (*mwFATAL_HOOK)(const char *format, ...);
typedef void (*mwERROR_HOOK)(const char *file, int line, const char *function, int code);

/* Reports an unrecoverable state with a printf-style message; never returns.
 * Before mwInit the process just exits with -1.
 *
 * Both reports are carried out on the main thread (the one that called
 * mwInit), where the exit functions may free and unload what the program
 * uses. A report raised on another thread (the event thread's "Event pump
 * closed") waits for the main thread's next safe point: mwGetTicks,
 * mwStopRequested, or the waits inside mwInit and mwShutdown. The reporting
 * thread never returns. A main thread that reaches no safe point within
 * 5 seconds is taken to be stuck: the report is then shown and the process
 * ends without the exit functions, which would pull the plug-ins from under
 * it. */
MW_NORETURN void mwFatal(const char *format, ...) MW_PRINTF(1, 2);

/* Reports misuse: the failing function's name, the owner file and line to
 * blame and an MW_ERR_ code; never returns. */
MW_NORETURN void mwError(const char *file, int line, const char *function, int code);

/* Installs both hooks (mwInit installs the kernel's own). */
void mwSetErrorHandlers(mwFATAL_HOOK fatal, mwERROR_HOOK error);

/* The message of an MW_ERR_ code; "(unknown error code)" for any other. */
const char *mwErrorString(int code);

/* Reports the calling thread's last system error: "<what>: (<number>) <text>". */
MW_NORETURN void mwSystemError(const char *what);

/*---- Report log (MARROW.TXT) ---------------------------------------------*/
/* Compiled in only when MARROW_LOG is defined for the kernel; otherwise every
 * call returns at once and no file is touched. Each call opens, writes and
 * closes the file. Lines longer than the internal buffer are cut. */

void mwLogOpen(const char *title);
void mwLogRuler(void);
void mwLogPrintf(const char *format, ...) MW_PRINTF(1, 2);
void mwLogTagged(const char *tag, const char *format, ...) MW_PRINTF(2, 3);
void mwLogAt(const char *file, int line, const char *format, ...) MW_PRINTF(3, 4);
void mwLogReport(const char *file, int line, const char *format, ...) MW_PRINTF(3, 4);
void mwLogReportIn(const char *file, int line, const char *function, const char *format, ...) MW_PRINTF(4, 5);
/* Echo plain, tagged, report and report-in entries on standard output. */
void mwLogSetEcho(int on);

/*---- Memory managers -----------------------------------------------------*/

/* Alignment of every block handed out by both managers. */
#define MW_MEM_ALIGN 16

/* Block memory: a two-ended stack of permanent, zeroed blocks; no free. */
int mwMemInit(void *base, int size);
void *mwMemAlloc(const char *file, int line, int size, const char *name, int fromTop);
void mwMemCheck(const char *file, int line);
void mwMemData(const char *file, int line);
void mwMemCollate(const char *file, int line, const char *name);
void mwMemDeinit(void);

/* Dynamic heap: next-fit allocator carved out of the block memory. */
void mwDMemInit(int size);
void *mwDMemAlloc(const char *file, int line, int size);
void mwDMemFree(const char *file, int line, void *pointer);
/* Grows or shrinks a block, in place when it can; pointer NULL allocates. */
void *mwDMemRealloc(const char *file, int line, void *pointer, int size);
void mwDMemCheck(const char *file, int line);
void mwDMemData(const char *file, int line);
void mwDMemCollate(const char *file, int line);
void mwDMemDeinit(void);
/* Bytes of the dynamic heap, 0 before mwDMemInit: no request larger than
 * this can ever be served. Readers check sizes taken from files against it. */
int mwDMemSize(void);
/* 1 when blocks of these sizes (count of them; a size of 0 needs no block, a
 * negative one can never be had) can all be had now, allocated one after
 * another; else 0. Readers check what a
 * file asks for with it before their first allocation, so that a file too
 * large for the heap gives NULL instead of the allocator's fatal report. */
int mwDMemCanHold(const int64_t *sizes, int count);

/*---- Status and exit registries ------------------------------------------*/

#define MW_REGISTRY_ENTRIES 32
#define MW_STATUS_FLAG_ONCE 1
#define MW_EXIT_FLAG_ONCE 1
#define MW_STATUS_ACTIVE 1 /* value 1: came to the foreground, 0: went to the background */

typedef void (*mwSTATUS_FUNC)(int status, int value);
typedef void (*mwEXIT_FUNC)(void);

/* Priority 1..255, higher is called first. */
void mwStatusRegister(mwSTATUS_FUNC function, int priority, int flags);
void mwExitRegister(mwEXIT_FUNC function, int priority, int flags);
/* Return the number of functions called; mwExitCall empties its registry. */
int mwStatusCall(int status, int value);
int mwExitCall(void);

/*---- Lists ---------------------------------------------------------------*/
/* Doubly linked lists of pointers the list does not own. */

typedef struct mwLISTNODE {
    struct mwLISTNODE *next; /* NULL at the end */
    struct mwLISTNODE *prev; /* NULL at the start */
    void *data;
} mwLISTNODE;

typedef struct mwLIST {
    mwLISTNODE *first;
    mwLISTNODE *last;
} mwLIST;

mwLISTNODE *mwListAppend(mwLIST *list, void *data);
mwLISTNODE *mwListFind(mwLIST *list, void *data);
int mwListRemoveNode(mwLIST *list, mwLISTNODE *node);
int mwListRemove(mwLIST *list, void *data);
/* Frees every node; the head must then be reset by the caller. */
int mwListFree(mwLIST *list);

/*---- File access ---------------------------------------------------------*/

#define MW_FILE_READ 1      /* "rb" */
#define MW_FILE_WRITE 2     /* "wb" */
#define MW_FILE_READWRITE 3 /* "rb+" */

/* Never returns NULL: a file that cannot be opened is fatal ("Cannot open %s\n"). */
FILE *mwFileOpen(const char *file, int line, const char *name, int mode);
int mwFileExists(const char *file, int line, const char *name);
void mwFileClose(const char *file, int line, FILE *stream);
int mwFileRead(const char *file, int line, FILE *stream, void *buffer, int count);
int mwFileWrite(const char *file, int line, FILE *stream, const void *buffer, int count);
int mwFileSeek(const char *file, int line, FILE *stream, int offset, int origin);
int mwFileSize(const char *file, int line, FILE *stream);
int mwFileEof(const char *file, int line, FILE *stream);

MW_EXTERN_C_END

#endif /* MWKERNEL_H */
