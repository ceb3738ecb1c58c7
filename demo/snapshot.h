/*
 * snapshot.h - saving the last frame a program showed as a PNG picture.
 * The screensaver and the example program share it.
 */
#ifndef SNAPSHOT_H
#define SNAPSHOT_H

#include <stdint.h>

#include <string>

/* Writes width x height pixels (0x00RRGGBB, rows top-down, no padding) as
 * an 8-bit RGB PNG file. Returns false with the reason in error. */
bool writeSnapshotPng(const std::string &path, const uint32_t *pixels, int width, int height,
                      std::string &error);

/* Writes the frame the display driver showed last (its front buffer, at the
 * size of the mode set) as a PNG file. Call it while the driver is
 * selected; drawing goes to the back buffer again afterwards. Returns false
 * with the reason in error. */
bool saveFrameSnapshot(const std::string &path, std::string &error);

#endif /* SNAPSHOT_H */
