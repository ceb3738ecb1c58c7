// Harness support shared by the fuzz targets.
//
// Inputs stay in memory: the kernel's file layer serves them as the one file
// kFuzzFileName (memfile.cpp). A reader may refuse a hostile file with a fatal
// report: that is a correct outcome, so the report hooks throw and the harness
// moves on; running the heap dry is not (a reader checks sizes first), nor is
// damage to it. After every input the kernel heap is checked (AddressSanitizer
// cannot see a stray write that stays inside the kernel's one big block) and
// emptied: blocks that a refused input left behind (the throw skipped the
// reader's frees) are given back, while a block left behind by an input that
// was read and freed without a report is a leak and aborts the run.
#ifndef MARROW_FUZZSUPPORT_H
#define MARROW_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>

constexpr const char *kFuzzFileName = "FUZZ.IN";

// Serves the input as kFuzzFileName, calls read(kFuzzFileName) and checks and
// empties the heap afterwards. Always returns 0, as libFuzzer wants.
int fuzzReadFile(const uint8_t *data, size_t size, void (*read)(const char *name));

// Calls run() with the report hooks and the heap of fuzzReadFile, for targets
// that parse bytes without a file.
int fuzzRun(void (*run)(const uint8_t *data, size_t size), const uint8_t *data, size_t size);

// True when pointer is the start of a kernel heap block in use with room
// for bytes. (AddressSanitizer sees the whole heap as one allocation, so it
// cannot tell.)
bool fuzzHeapBlockHolds(const void *pointer, int64_t bytes);

// Used by fuzzReadFile: the bytes that opening kFuzzFileName gives, and the
// closing of streams still open after an input (their number is returned).
void fuzzServeFile(const uint8_t *data, size_t size);
int fuzzCloseFiles();

#endif
