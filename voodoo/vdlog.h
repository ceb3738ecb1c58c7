/*
 * vdlog.h - the plug-in's report log lines.
 *
 * The plug-in does not call the engine's log: it writes MARROW.TXT itself,
 * with the engine's line format and ruler rule, every line tagged
 * "* VOODOO : ". The bodies exist only in a build with MARROW_LOG defined
 * (the test build); the delivered plug-in writes nothing, but callers still
 * gather what the lines would report.
 */
#ifndef VDLOG_H
#define VDLOG_H

#include "mwkernel.h"

/* "* VOODOO : " and the formatted text (which brings its own line feed). */
void vdLogTagged(const char *format, ...) MW_PRINTF(1, 2);
/* The formatted text as given: the indented figures under a tagged heading. */
void vdLogPrintf(const char *format, ...) MW_PRINTF(1, 2);
/* A ruler line, unless the last entry was one. */
void vdLogRuler(void);

#endif
