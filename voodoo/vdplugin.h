/*
 * vdplugin.h - the plug-in contract records and the four exports, until the
 * plug-in manager's header is in the tree.
 */
#ifndef VDPLUGIN_H
#define VDPLUGIN_H

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

#define MW_PLUGIN_CLASS_BLIT 0
#define MW_PLUGIN_INFO_MAGIC 0x4D504C47u
#define MW_PLUGIN_SYSTEM_VERSION 1

typedef struct mwPLUGIN_INFO {
    uint32_t magic;
    int32_t systemVersion;
    int32_t pluginVersion;
    char name[12];
    char description[64];
    char vendor[64];
    int32_t pluginClass;
} mwPLUGIN_INFO;

typedef struct mwPLUGIN_SERVICES {
    void *(*memAlloc)(const char *file, int line, int size, const char *name, int fromTop);
    void *(*dmemAlloc)(const char *file, int line, int size);
    void (*dmemFree)(const char *file, int line, void *block);
} mwPLUGIN_SERVICES;

#define MW_PLUGIN_EXPORT __attribute__((visibility("default")))

MW_PLUGIN_EXPORT int32_t _mwGetPluginInfo(mwPLUGIN_INFO *info);
MW_PLUGIN_EXPORT int32_t _mwGetPluginClassInfo(void *classInfo);
MW_PLUGIN_EXPORT void *_mwPluginInit(const mwPLUGIN_SERVICES *services);
MW_PLUGIN_EXPORT int32_t _mwPluginDeinit(void);

MW_EXTERN_C_END

#endif
