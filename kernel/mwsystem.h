/*
 * mwsystem.h - the kernel's only contact with the system's error reporting
 * (internal). Everything the platform decides about reports goes through
 * these two functions.
 */
#ifndef MW_KERNEL_MWSYSTEM_H
#define MW_KERNEL_MWSYSTEM_H

#include <stddef.h>

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/* Shows the error box (icon hand, topmost, no owner window) and returns once
 * it is dismissed. */
void mwShowErrorBox(const char *caption, const char *text);

/* The calling thread's last system error: returns its number and writes the
 * system's text for it into text (size bytes, always terminated). Call it
 * before anything else can change that error. */
int mwLastSystemError(char *text, size_t size);

MW_EXTERN_C_END

#endif
