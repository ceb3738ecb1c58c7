// Palette fitting shared by the quantiser, the public fitting call and the
// resampler; not part of the public API.
#ifndef MWQUANT_H
#define MWQUANT_H

#include <cstdint>

#include "mwbitmap.h"

// The palette type and palette bytes for a colour count of 1..256.
int mwbPaletteTypeFor(int colours);
int mwbPaletteBytesFor(int colours);

// Converts the bitmap to true colour, maps every pixel to the nearest of the
// first `searched` entries of palette (ties to the lower index; at most as
// many entries as the type can index) and makes it a bitmap of the palette
// type `type` carrying paletteBytes (0..768) of palette: the searched
// entries, then black. The entries are copied before the bitmap changes, so
// palette may be the bitmap's own. `function` names the caller in reports.
void mwbFitIndexed(mwBITMAP *bitmap, const uint8_t *palette, int searched, int type, int paletteBytes,
                   const char *function);

#endif // MWQUANT_H
