// Harness support shared by the fuzz targets.
//
// The readers take file names, so each input is written to a private file
// first. A reader may refuse a hostile file with a fatal report: that is a
// correct outcome, so the report hooks throw and the harness moves on to the
// next input (the reader's own file guards close their streams on the way
// out). Damage to the kernel heap is a real fault and aborts the run; the heap
// is checked after every input, since AddressSanitizer cannot see a stray
// write that stays inside the kernel's one big block.
#ifndef MARROW_FUZZSUPPORT_H
#define MARROW_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>

// Writes the input to this process's scratch file, calls read(path) and
// checks the heap afterwards. Always returns 0, as libFuzzer wants.
int fuzzReadFile(const uint8_t *data, size_t size, void (*read)(const char *path));

#endif
