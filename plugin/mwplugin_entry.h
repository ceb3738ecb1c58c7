/*
 * mwplugin_entry.h - the plug-in manager's list node (internal; the tests
 * read it to damage and forge entries).
 */
#ifndef MW_PLUGIN_MWPLUGIN_ENTRY_H
#define MW_PLUGIN_MWPLUGIN_ENTRY_H

#include "mwplugin.h"
#include "mwwin32.h"

#define MW_PLUGIN_ENTRY_MAGIC 0x4D575045u /* 'MWPE'; 0 once the entry is freed */

/* Allocated zero-filled from the dynamic heap; the handle is its address. */
struct mwPLUGIN_ENTRY {
    uint32_t magic;
    char path[MW_PLUGIN_PATH_MAX]; /* as given to mwPluginAdd, cut to 259 characters */
    mwPLUGIN_INFO info;            /* read when added, refreshed by every successful load */
    int32_t loaded;
    /* Set while loaded, NULL otherwise. */
    HMODULE module;
    mwPLUGIN_GET_INFO_FN *getInfo;
    mwPLUGIN_GET_CLASS_INFO_FN *getClassInfo;
    mwPLUGIN_INIT_FN *init;
    mwPLUGIN_DEINIT_FN *deinit;
    void *packet;
    mwPLUGIN_ENTRY *next;
    mwPLUGIN_ENTRY *prev;
    /* Status slot calls in flight from the event thread; unloading waits for 0. */
    int32_t statusCalls;
};

#endif
