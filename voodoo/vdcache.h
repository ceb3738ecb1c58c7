/*
 * vdcache.h - the texture cache: card bitmaps resident in the memory of the
 * board's texture units, downloaded when drawn and not resident, the least
 * recently used ones dropped when memory runs out.
 *
 * Placement is first fit by address on 8-byte boundaries; no texture
 * straddles the 2 MB line above a unit's start (it starts on the line
 * instead). Each unit keeps two circular chains through a sentinel: its
 * residents by address (next, prev) and by use (older, newer; the sentinel's
 * older neighbour is the most recent use, its newer neighbour the least).
 */
#ifndef VDCACHE_H
#define VDCACHE_H

#include "glide.h"

/* Embedded in every card bitmap. */
typedef struct vdCACHE_ENTRY {
    int32_t unit;     /* texture unit it is resident in */
    int32_t resident; /* 1 while it occupies texture memory and both chains */
    uint32_t size;    /* bytes of texture memory (grTexCalcMemRequired) */
    GrTexInfo info;   /* levels, aspect, format and the texels to download */
    uint32_t address; /* start in the unit's texture memory */
    struct vdCACHE_ENTRY *next, *prev;
    struct vdCACHE_ENTRY *older, *newer;
} vdCACHE_ENTRY;

/* Empty chains and zero counters for every texture unit of the board. */
void vdCacheInit(void);

/* Makes the entry resident in the unit (evicting the least recently used
 * residents as needed) and the unit's texture source. 1 on success, 0 when
 * it can never fit or the unit does not exist. */
int vdCacheSelect(int unit, vdCACHE_ENTRY *entry);

/* Takes a resident entry out of its unit; an entry that is not resident
 * only has that logged. */
void vdCacheFree(vdCACHE_ENTRY *entry);

/* Accesses, misses and residents of every unit, then a ruler. */
void vdCacheReport(void);

/* Forgets every resident at shutdown (texture memory goes with the board),
 * so that card bitmaps outliving the plug-in hold no stale links. */
void vdCacheShutdown(void);

#endif
