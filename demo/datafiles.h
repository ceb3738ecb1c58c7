/*
 * datafiles.h - where the programs find their data files and the display
 * plug-in: the working directory first (as the screen saver has always
 * looked), then the installed folders (relative to the program, so an
 * installation works wherever its prefix lies), then the program's own
 * folder (the build's run folder).
 */
#ifndef DATAFILES_H
#define DATAFILES_H

#include <string>

/* The first of the working directory, the installed data folder
 * (<prefix>/share/lumenfall) and the program's folder that holds a file
 * called name; name itself (the working directory) when none does. */
std::string findDataFile(const char *name);

/* Lists plug-ins as the screen saver always has, from "..\dll\*.dll" and
 * ".\*.dll"; while none of them is the display plug-in "voodoo", lists those
 * of the installed plug-in folder (<prefix>/lib/lumenfall), then those of
 * the program's folder. */
void searchPlugins(void);

#endif /* DATAFILES_H */
