/*
 * vdstats.h - frame statistics, gathered at every endScene and before every
 * 3D triangle, reported at deinit.
 */
#ifndef VDSTATS_H
#define VDSTATS_H

/* Zeroes the sums and takes the board's counters as the starting point. */
void vdStatsReset(void);
/* One frame: pending swaps and the deltas of the board's pixel counters. */
void vdStatsEndFrame(void);
/* One FIFO sample; the renderer takes one before each triangle it draws. */
void vdStatsFifoSample(void);
/* Through-put, frame averages and FIFO usage for the current mode. */
void vdStatsReport(void);

#endif
