/*
 * snapshot.h - saving the last frame the program showed as a PNG picture.
 */
#ifndef SNAPSHOT_H
#define SNAPSHOT_H

#include <stdint.h>

#include <string>

/* Writes width x height pixels (0x00RRGGBB, rows top-down, no padding) as
 * an 8-bit RGB PNG file. Returns false with the reason in error. */
bool writeSnapshotPng(const std::string &path, const uint32_t *pixels, int width, int height,
                      std::string &error);

#endif /* SNAPSHOT_H */
