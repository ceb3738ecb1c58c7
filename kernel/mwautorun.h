/*
 * mwautorun.h - the CD-ROM AutoRun switch of the Explorer policy (internal).
 *
 * While the kernel is up the CD-ROM bit (0x20) of HKEY_CURRENT_USER\...\
 * Policies\Explorer "NoDriveTypeAutoRun" is set, so that no AutoRun starts
 * over the saver. The bit is remembered when it is set and put back as it
 * was when the kernel ends, normally or through a report: a user who had
 * AutoRun off finds it off afterwards. (Clearing it at the end whatever it
 * was switched AutoRun on for users who had chosen it off.)
 */
#ifndef MW_KERNEL_MWAUTORUN_H
#define MW_KERNEL_MWAUTORUN_H

/* Remembers the bit and sets it. Without the key nothing is touched. */
void mwAutoRunOff(void);

/* Puts the bit back as mwAutoRunOff found it, once; nothing when it was not
 * switched. Any thread may call it. */
void mwAutoRunRestore(void);

#endif
