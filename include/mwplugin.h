/*
 * mwplugin.h - the plug-in manager and the contract every plug-in fulfils.
 *
 * A plug-in is a dynamic library of one class (0 to 3) that exports the four
 * functions declared at the end of this header under their undecorated
 * names. The manager keeps one process-wide list of plug-in files in the
 * order they were added, loads and unloads them, and hands out the table of
 * functions a loaded plug-in returned from its init (for class 0 the driver
 * function packet of mwblit.h).
 *
 * Conventions
 * - Handles are mwPLUGIN_ENTRY pointers. A NULL handle or one without the
 *   entry magic is reported as MW_ERR_NO_PLUGIN_HANDLE, a class outside 0..3
 *   that is not MW_PLUGIN_CLASS_ANY as MW_ERR_NO_PLUGIN_CLASS, a broken list
 *   as MW_ERR_PLUGIN_CHAIN_CORRUPT (all through mwError, which does not
 *   return).
 * - Contract failures of a plug-in while loading it or asking for its class
 *   info are written to the report log (tag "MWPLUGIN") and give 0; adding a
 *   file is silent on every failure.
 * - All calls are made from the main thread. Only the class-0 status handler,
 *   which the kernel calls on the event thread when the application gains or
 *   loses the foreground, runs elsewhere; the manager keeps it from seeing a
 *   half-changed list or calling a plug-in that is being unloaded.
 */
#ifndef MWPLUGIN_H
#define MWPLUGIN_H

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/*---- Classes and magics --------------------------------------------------*/

#define MW_PLUGIN_CLASS_BLIT 0 /* display drivers (mwblit.h) */
/* Classes with no meaning to the engine, free for other plug-ins (the
 * screensaver loads what it finds of the first and the third). */
#define MW_PLUGIN_CLASS_AUX1 1
#define MW_PLUGIN_CLASS_AUX2 2
#define MW_PLUGIN_CLASS_AUX3 3
#define MW_PLUGIN_CLASS_MAX 3      /* classes are 0..3 */
#define MW_PLUGIN_CLASS_ANY 0xFFFF /* wildcard of queries; never a plug-in's own class */

#define MW_PLUGIN_INFO_MAGIC 0x4D504C47u /* 'MPLG' */
#define MW_PLUGIN_SYSTEM_VERSION 1
#define MW_PLUGIN_LIST_MAGIC 0x504C5354u /* 'PLST' */
#define MW_PLUGIN_PATH_MAX 260           /* path buffer, terminator included */
#define MW_PLUGIN_NAME_MAX 12            /* names compare over at most this many characters */

/*---- Records -------------------------------------------------------------*/

/* Filled by the plug-in's _mwGetPluginInfo into a zeroed record. */
typedef struct mwPLUGIN_INFO {
    uint32_t magic;        /* MW_PLUGIN_INFO_MAGIC */
    int32_t systemVersion; /* MW_PLUGIN_SYSTEM_VERSION */
    int32_t pluginVersion; /* the plug-in's own version */
    char name[12];         /* device name, compared without regard to case */
    char description[64];  /* NUL-terminated */
    char vendor[64];       /* NUL-terminated */
    int32_t pluginClass;   /* MW_PLUGIN_CLASS_BLIT .. MW_PLUGIN_CLASS_MAX */
} mwPLUGIN_INFO;

/* The engine's allocators, handed to _mwPluginInit. The record belongs to the
 * manager and is refilled before every init: a plug-in copies the pointers
 * it needs and makes all its allocations through them. */
typedef struct mwPLUGIN_SERVICES {
    void *(*memAlloc)(const char *file, int line, int size, const char *name, int fromTop);
    void *(*dmemAlloc)(const char *file, int line, int size);
    void (*dmemFree)(const char *file, int line, void *block);
} mwPLUGIN_SERVICES;

/* One listed plug-in file. Opaque; the layout is the manager's own. */
typedef struct mwPLUGIN_ENTRY mwPLUGIN_ENTRY;

/* Filled by mwPluginGetStatus into the caller's record. */
typedef struct mwPLUGIN_STATUS {
    char path[MW_PLUGIN_PATH_MAX];
    int32_t loaded;     /* 1 while loaded and initialised */
    mwPLUGIN_INFO info; /* as read when added or last loaded */
} mwPLUGIN_STATUS;

/* A snapshot of the entries of a class, in list order; one heap block,
 * released with mwPluginFreeList. */
typedef struct mwPLUGIN_LIST {
    uint32_t magic; /* MW_PLUGIN_LIST_MAGIC */
    int32_t count;
    mwPLUGIN_ENTRY **entries; /* NULL when count is 0 */
} mwPLUGIN_LIST;

/*---- The manager ---------------------------------------------------------*/

/* Adds every file matching pattern ('*' and '?', '\' or '/' separators; an
 * empty name part means "*", an empty extension "dll"); the number added. */
int mwPluginSearch(const char *pattern, int pluginClass);

/* Lists a plug-in file once (paths compare without regard to case; at most
 * 259 characters are kept). 1 if a new entry was added; 0 if it was listed
 * already, cannot be loaded, lacks one of the four exports, gives no info,
 * has the wrong info magic or is of another class than pluginClass. The
 * library is loaded only for the check. */
int mwPluginAdd(const char *path, int pluginClass);

/* Loads and initialises the entry's library: 1 on success, else 0 with the
 * entry left as it was. A class-0 plug-in also gets the manager's status and
 * exit handlers registered (once, however often it is loaded). */
int mwPluginLoad(mwPLUGIN_ENTRY *entry);
/* mwPluginLoad for every entry of the class, in list order; the number loaded. */
int mwPluginLoadAll(int pluginClass);

/* Deinitialises and frees a loaded entry's library: 1, or 0 (and no call
 * into the plug-in) when it was not loaded. */
int mwPluginUnload(mwPLUGIN_ENTRY *entry);
int mwPluginUnloadAll(int pluginClass);

/* Unloads the entry if needed, takes it off the list and frees it. */
void mwPluginRemove(mwPLUGIN_ENTRY *entry);
void mwPluginRemoveAll(int pluginClass);
/* Removes the entries of the class that are not loaded. */
void mwPluginPurge(int pluginClass);

/* The first entry of the class whose info name equals name without regard to
 * case; a NULL or empty name gives the first entry of the class. */
mwPLUGIN_ENTRY *mwPluginFind(const char *name, int pluginClass);

/* The table the loaded entry's init returned, or NULL when it is not loaded
 * or is not of pluginClass (MW_PLUGIN_CLASS_ANY matches nothing here). */
void *mwPluginGetInterface(mwPLUGIN_ENTRY *entry, int pluginClass);

/* Copies path, loaded flag and info; returns 1. */
int mwPluginGetStatus(mwPLUGIN_ENTRY *entry, mwPLUGIN_STATUS *status);

/* Has the plug-in fill the caller's class info buffer (its layout is the
 * class's: mwPLUGIN_CLASS_INFO for class 0), loading the library for the
 * call when the entry is not loaded. The plug-in's result, or 0 when the
 * entry is not of pluginClass or the library breaks the contract. */
int mwPluginGetClassInfo(mwPLUGIN_ENTRY *entry, int pluginClass, void *classInfo);

/* A new list of the entries of the class (count 0 and no array when none). */
mwPLUGIN_LIST *mwPluginGetList(int pluginClass);
void mwPluginFreeList(mwPLUGIN_LIST *list);

/*---- The plug-in side ----------------------------------------------------*/
/* Every plug-in exports exactly these four functions, with C linkage and
 * these undecorated names, and defines them with MW_PLUGIN_EXPORT. The two
 * info exports must work while the plug-in is not initialised: the manager
 * calls them on libraries it loads only for that call. */

#if defined(_WIN32)
#define MW_PLUGIN_EXPORT __declspec(dllexport)
#else
#define MW_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#define MW_PLUGIN_EXPORT_GET_INFO "_mwGetPluginInfo"
#define MW_PLUGIN_EXPORT_GET_CLASS_INFO "_mwGetPluginClassInfo"
#define MW_PLUGIN_EXPORT_INIT "_mwPluginInit"
#define MW_PLUGIN_EXPORT_DEINIT "_mwPluginDeinit"

/* Fills the zeroed record: 1, or 0 for a NULL pointer. */
typedef int32_t(mwPLUGIN_GET_INFO_FN)(mwPLUGIN_INFO *info);
/* Fills the caller's class info buffer: 1, or 0 when it cannot (NULL
 * pointer, no hardware). */
typedef int32_t(mwPLUGIN_GET_CLASS_INFO_FN)(void *classInfo);
/* Starts the plug-in; its function table (valid until deinit), or NULL. */
typedef void *(mwPLUGIN_INIT_FN)(const mwPLUGIN_SERVICES *services);
/* Stops the plug-in; the result is not read. */
typedef int32_t(mwPLUGIN_DEINIT_FN)(void);

MW_PLUGIN_EXPORT int32_t _mwGetPluginInfo(mwPLUGIN_INFO *info);
MW_PLUGIN_EXPORT int32_t _mwGetPluginClassInfo(void *classInfo);
MW_PLUGIN_EXPORT void *_mwPluginInit(const mwPLUGIN_SERVICES *services);
MW_PLUGIN_EXPORT int32_t _mwPluginDeinit(void);

MW_EXTERN_C_END

#ifdef __cplusplus
static_assert(sizeof(mwPLUGIN_INFO) == 156, "plug-in info record is 156 bytes");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwPLUGIN_SERVICES) == 12, "services record keeps its 32-bit size");
static_assert(sizeof(mwPLUGIN_LIST) == 12, "list header keeps its 32-bit size");
#endif
#endif

#endif /* MWPLUGIN_H */
