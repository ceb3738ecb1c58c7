/*
 * mwwin32.h - the Win32 calls the engine makes, by their Win32 names.
 *
 * On Windows this is <windows.h>. Elsewhere the platform library implements
 * the subset below with the same names, argument lists, types and constants,
 * so engine code calls Win32 and builds on both.
 *
 * Differences from Windows a caller may notice (all deliberate):
 * - Last-error values are errno numbers; each ERROR_ constant below is the
 *   errno value that stands for it, and FormatMessageA gives the system's
 *   text for it (strerror) without a trailing line break.
 * - The registry is the text file named by the environment variable
 *   MARROW_REGISTRY (REGEDIT4 syntax); without it no key can be opened.
 * - StretchDIBits keeps the picture's aspect inside the destination
 *   rectangle and paints the rest of the rectangle black.
 * - MessageBoxIndirectA writes "caption: text" to standard error for an
 *   error box (MB_ICONHAND), to standard output for any other, and returns
 *   the default button at once.
 * - LoadLibraryA and FindFirstFileA take '\' and '/' alike as separators;
 *   file name patterns match ASCII letters without regard to case.
 */
#ifndef MWWIN32_H
#define MWWIN32_H

#ifdef _WIN32
#include <windows.h>
#else

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY
#define MWWIN32_API __attribute__((visibility("default")))

/*---- Types ---------------------------------------------------------------*/

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef WORD ATOM;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef void *HANDLE;
typedef void *HGDIOBJ;

typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HICON__ *HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__ *HBRUSH;
typedef struct HDC__ *HDC;
typedef struct HMENU__ *HMENU;
typedef struct HKEY__ *HKEY;
typedef HKEY *PHKEY;

typedef LRESULT(CALLBACK *WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef DWORD(WINAPI *LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef INT_PTR(WINAPI *FARPROC)(void);

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xFFFF))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)

/*---- Last error ----------------------------------------------------------*/
/* errno values (see the top of this file). */

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2        /* ENOENT */
#define ERROR_PATH_NOT_FOUND 20       /* ENOTDIR */
#define ERROR_ACCESS_DENIED 13        /* EACCES */
#define ERROR_INVALID_HANDLE 9        /* EBADF */
#define ERROR_NOT_ENOUGH_MEMORY 12    /* ENOMEM */
#define ERROR_INVALID_PARAMETER 22    /* EINVAL */
#define ERROR_INSUFFICIENT_BUFFER 34  /* ERANGE */
#define ERROR_MORE_DATA 75            /* EOVERFLOW */
#define ERROR_NO_MORE_FILES 61        /* ENODATA */
#define ERROR_ENVVAR_NOT_FOUND 2      /* ENOENT */
#define ERROR_MOD_NOT_FOUND 2         /* ENOENT */
#define ERROR_PROC_NOT_FOUND 38       /* ENOSYS */
#define ERROR_CLASS_ALREADY_EXISTS 17 /* EEXIST */
#define ERROR_CANNOT_FIND_WND_CLASS 2 /* ENOENT */
#define ERROR_INVALID_WINDOW_HANDLE 9 /* EBADF */
#define ERROR_NOT_SUPPORTED 95        /* EOPNOTSUPP */
#define ERROR_BAD_FORMAT 8            /* ENOEXEC */

MWWIN32_API DWORD WINAPI GetLastError(void);
MWWIN32_API void WINAPI SetLastError(DWORD error);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(primary, sub) ((((WORD)(sub)) << 10) | (WORD)(primary))

/* Only FORMAT_MESSAGE_FROM_SYSTEM (with or without IGNORE_INSERTS) is
 * served: the text of error `messageId` into buffer (size characters,
 * terminated). Returns the characters stored without the terminator; 0 with
 * ERROR_INSUFFICIENT_BUFFER when the text does not fit, 0 with
 * ERROR_NOT_SUPPORTED for any other source. */
MWWIN32_API DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                        LPSTR buffer, DWORD size, void *arguments);

/*---- Threads, time, process ----------------------------------------------*/

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define SHUTDOWN_NORETRY 0x00000001

/* Starts `start(parameter)` on a new thread at once. The stack is at least
 * stackSize bytes: as on Windows a plain size is what the thread may commit
 * and it reserves at least 1 MB; with STACK_SIZE_PARAM_IS_A_RESERVATION the
 * size is the reservation. Flags other than that one are refused
 * (ERROR_INVALID_PARAMETER). Returns a handle for WaitForSingleObject and
 * CloseHandle, or NULL with the system error. */
MWWIN32_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                                       LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                       LPDWORD threadId);
/* Waits for a thread to end: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED
 * for a handle that is not a thread's. */
MWWIN32_API DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
/* The thread's return value, or STILL_ACTIVE while it runs. */
MWWIN32_API BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
/* Closes a thread handle; the thread runs on. */
MWWIN32_API BOOL WINAPI CloseHandle(HANDLE handle);
MWWIN32_API DWORD WINAPI GetCurrentThreadId(void);
MWWIN32_API void WINAPI Sleep(DWORD milliseconds);

/* Milliseconds of a monotonic clock; wraps at 32 bits. */
MWWIN32_API DWORD WINAPI GetTickCount(void);

/* NULL: the program itself. Otherwise a module already loaded, by the name
 * LoadLibraryA was given; no reference is taken. */
MWWIN32_API HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);

/* The path of the program's own file (module NULL only; on POSIX read from
 * /proc/self/exe). Returns its length; a path that does not fit is cut to
 * size - 1 characters, terminated, and size is returned with
 * ERROR_INSUFFICIENT_BUFFER. 0 on failure. */
MWWIN32_API DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

/* Requests to end from outside. On POSIX SIGINT arrives as CTRL_C_EVENT and
 * SIGTERM as CTRL_CLOSE_EVENT. */
#define CTRL_C_EVENT 0
#define CTRL_CLOSE_EVENT 2
typedef BOOL(WINAPI *PHANDLER_ROUTINE)(DWORD ctrlType);
/* Adds (add TRUE) or removes a handler; up to 8. The handler added last is
 * asked first; one that returns TRUE has taken the request. A request that
 * no handler takes ends the process as it would without handlers. NOTE: on
 * POSIX the handlers run inside the signal handler, on whichever thread got
 * the signal: they may only set lock-free flags. */
MWWIN32_API BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);

/* Accepted (level 0 to 0x4FF, flags 0 or SHUTDOWN_NORETRY); there is no
 * session shutdown order on POSIX. */
MWWIN32_API BOOL WINAPI SetProcessShutdownParameters(DWORD level, DWORD flags);

/* value NULL removes the variable. */
MWWIN32_API BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
/* The length stored (without terminator); when the value does not fit, the
 * size needed including the terminator; 0 with ERROR_ENVVAR_NOT_FOUND. */
MWWIN32_API DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

/*---- Dynamic libraries and file enumeration ------------------------------*/

/* '\' becomes '/'; a name without an extension gets ".dll" (a trailing '.'
 * means "no extension"). A bare name is looked for beside the program, then
 * in the working directory, then by the system's own search. */
MWWIN32_API HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
MWWIN32_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
MWWIN32_API BOOL WINAPI FreeLibrary(HMODULE module);

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime; /* 100 ns units since 1601-01-01 (UTC) */
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

/* Pattern: a directory part (either separator) and a name part with '*' and
 * '?'; "*.*" also matches names without a dot. Names that do not fit
 * cFileName are passed over. INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND
 * when nothing matches, ERROR_PATH_NOT_FOUND when the directory cannot be
 * read. */
MWWIN32_API HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
/* FALSE with ERROR_NO_MORE_FILES at the end. */
MWWIN32_API BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data);
MWWIN32_API BOOL WINAPI FindClose(HANDLE search);

/*---- Registry ------------------------------------------------------------*/

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4

/* Opens an existing key (names compare without regard to case). Results are
 * ERROR_ codes: ERROR_FILE_NOT_FOUND when MARROW_REGISTRY is unset, its file
 * is missing or the key is not in it. */
MWWIN32_API LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
/* data NULL asks for type and size only; ERROR_MORE_DATA with the size
 * needed when the buffer is short. Needs KEY_QUERY_VALUE. */
MWWIN32_API LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                            LPBYTE data, LPDWORD size);
/* Stores REG_DWORD, REG_SZ or REG_BINARY and rewrites the file at once.
 * Needs KEY_SET_VALUE. */
MWWIN32_API LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                          const BYTE *data, DWORD size);
MWWIN32_API LSTATUS WINAPI RegCloseKey(HKEY key);

/*---- Message boxes -------------------------------------------------------*/

#define MB_OK 0x00000000
#define MB_OKCANCEL 0x00000001
#define MB_ABORTRETRYIGNORE 0x00000002
#define MB_YESNOCANCEL 0x00000003
#define MB_YESNO 0x00000004
#define MB_RETRYCANCEL 0x00000005
#define MB_ICONHAND 0x00000010
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONASTERISK 0x00000040
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000
#define MB_DEFBUTTON2 0x00000100
#define MB_DEFBUTTON3 0x00000200
#define MB_TOPMOST 0x00040000
#define MB_TYPEMASK 0x0000000F
#define MB_ICONMASK 0x000000F0
#define MB_DEFMASK 0x00000F00

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

typedef void(CALLBACK *MSGBOXCALLBACK)(struct tagHELPINFO *help);

typedef struct tagMSGBOXPARAMSA {
    UINT cbSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpszText;
    LPCSTR lpszCaption; /* NULL: "Error" */
    DWORD dwStyle;
    LPCSTR lpszIcon;
    DWORD_PTR dwContextHelpId;
    MSGBOXCALLBACK lpfnMsgBoxCallback;
    DWORD dwLanguageId;
} MSGBOXPARAMSA, *LPMSGBOXPARAMSA;

/* Writes "caption: text" and a line end in one piece: to standard error
 * when the icon is MB_ICONHAND, else to standard output. Returns the default button's ID; 0 for a NULL
 * record. */
MWWIN32_API int WINAPI MessageBoxIndirectA(const MSGBOXPARAMSA *params);

/*---- Windows and messages ------------------------------------------------*/
/* A window belongs to the thread that created it: its messages arrive in
 * that thread's queue, and only that thread may destroy it. */

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_SYSCOMMAND 0x0112
#define WM_USER 0x0400
#define WM_APP 0x8000

#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

#define SIZE_RESTORED 0

#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100
#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170

/* Virtual keys of the key messages. Letters and digits are their upper-case
 * ASCII codes. */
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_F1 0x70
#define VK_F4 0x73
#define VK_F12 0x7B

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020

#define WS_OVERLAPPED 0x00000000
#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_VISIBLE 0x10000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_SYSMENU 0x00080000
#define WS_THICKFRAME 0x00040000
#define WS_MINIMIZEBOX 0x00020000
#define WS_MAXIMIZEBOX 0x00010000
#define WS_OVERLAPPEDWINDOW                                                                                  \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define CW_USEDEFAULT ((int)0x80000000)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDI_HAND MAKEINTRESOURCEA(32513)
#define IDI_QUESTION MAKEINTRESOURCEA(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEA(32515)
#define IDI_ASTERISK MAKEINTRESOURCEA(32516)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagWNDCLASSEXA {
    UINT cbSize; /* sizeof(WNDCLASSEXA) */
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground; /* a stock brush fills new windows of the class */
    LPCSTR lpszMenuName;  /* there are no menu resources: ignored */
    LPCSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXA;

/* What WM_NCCREATE and WM_CREATE point to in lParam. */
typedef struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA;

/* 0 with ERROR_CLASS_ALREADY_EXISTS for a name already registered, with
 * ERROR_INVALID_PARAMETER for a wrong cbSize, no procedure or no name. */
MWWIN32_API ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass);

/* Top-level windows only (parent must be NULL). The window back end decides
 * how it appears: full screen, a window of the given size (CW_USEDEFAULT:
 * 640 x 480), a screen saver host's window, or off-screen (mwplatform.h).
 * Sends WM_NCCREATE and WM_CREATE; a WM_CREATE result of -1 or a
 * WM_NCCREATE result of 0 fails the creation. WS_VISIBLE shows it. */
MWWIN32_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                                        int x, int y, int width, int height, HWND parent, HMENU menu,
                                        HINSTANCE instance, LPVOID param);
/* Returns whether the window was visible before. Showing sends
 * WM_SHOWWINDOW; a showing command that activates (SW_SHOW, SW_SHOWNORMAL
 * ...) then sends WM_ACTIVATE and WM_SETFOCUS unless the window has them. */
MWWIN32_API BOOL WINAPI ShowWindow(HWND window, int command);
/* Only the creating thread may destroy a window (ERROR_ACCESS_DENIED
 * otherwise). Sends WM_DESTROY and WM_NCDESTROY. */
MWWIN32_API BOOL WINAPI DestroyWindow(HWND window);
MWWIN32_API BOOL WINAPI IsWindow(HWND window);
MWWIN32_API int WINAPI GetWindowTextA(HWND window, LPSTR text, int size);
MWWIN32_API BOOL WINAPI GetClientRect(HWND window, LPRECT rect);

/* WM_CLOSE destroys the window; WM_PAINT validates it; WM_SYSCOMMAND with
 * SC_CLOSE sends WM_CLOSE, with SC_SCREENSAVE starts the screen saver, with
 * SC_MONITORPOWER blanks the display; WM_SYSCHAR beeps; WM_SYSKEYDOWN with
 * Alt+F4 asks to close; WM_NCCREATE returns TRUE; anything else gives 0. */
MWWIN32_API LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* Waits for the next message of the calling thread (for `window` only unless
 * it is NULL, within min..max unless both are 0). Messages sent from other
 * threads are handled while waiting. Returns 0 for WM_QUIT, -1 for an
 * invalid window or a NULL msg, otherwise nonzero. Order: posted messages
 * (window events arrive as posted messages), then WM_QUIT, then WM_PAINT
 * for windows that need painting. */
MWWIN32_API BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT min, UINT max);
/* Posts WM_CHAR (WM_SYSCHAR) for a WM_KEYDOWN (WM_SYSKEYDOWN) of a letter,
 * digit, space, return, escape, backspace or tab; returns whether it did. */
MWWIN32_API BOOL WINAPI TranslateMessage(const MSG *msg);
/* Calls the window procedure on the window's own thread; returns its result. */
MWWIN32_API LRESULT WINAPI DispatchMessageA(const MSG *msg);
MWWIN32_API void WINAPI PostQuitMessage(int exitCode);
/* window NULL posts to the calling thread's own queue. */
MWWIN32_API BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Calls the procedure directly on the window's thread, or queues the call
 * for that thread and waits until it is handled (0 when the thread ends
 * first). */
MWWIN32_API LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
MWWIN32_API HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
MWWIN32_API BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint);

/* Predefined icons and cursors only (instance NULL). */
MWWIN32_API HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
MWWIN32_API HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);

/*---- GDI: presenting pictures in a window --------------------------------*/

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5

#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; /* positive: bottom-up rows; negative: top-down */
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

/* With BI_BITFIELDS the three colour masks (red, green, blue) follow the
 * header as DWORDs where bmiColors begins. */
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

/* Stock brushes only. */
MWWIN32_API HGDIOBJ WINAPI GetStockObject(int object);
/* The window's drawing context (one per window); NULL for NULL. */
MWWIN32_API HDC WINAPI GetDC(HWND window);
MWWIN32_API int WINAPI ReleaseDC(HWND window, HDC dc);
/* Of the device capabilities only VREFRESH: the refresh rate in Hz of the
 * display that shows the window; 0 when it is not known (headless, or the
 * display does not say). Every other index gives 0. */
#define VREFRESH 116
MWWIN32_API int WINAPI GetDeviceCaps(HDC dc, int index);

/* Copies the source rectangle of a DIB into the destination rectangle of
 * the window, scaled with its aspect kept and centred; the rest of the
 * destination rectangle turns black. Sources: 16 bits (BI_RGB is 5-5-5,
 * BI_BITFIELDS 5-6-5 or 5-5-5) and 32 bits (BI_RGB or BI_BITFIELDS
 * 0xFF0000/0xFF00/0xFF), rows padded to 4 bytes, either row order. Only
 * SRCCOPY and DIB_RGB_COLORS. Returns the number of source rows copied, 0
 * on failure. The source rectangle (converted to 32 bits) is kept as the
 * window's last frame (mwplatform.h). */
MWWIN32_API int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                                     int ySrc, int srcWidth, int srcHeight, const void *bits,
                                     const BITMAPINFO *info, UINT usage, DWORD rop);

#ifdef __cplusplus
}
#endif

#endif /* _WIN32 */
#endif /* MWWIN32_H */
