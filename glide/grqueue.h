// grqueue.h - the drawing threads. Internal.
//
// With more than one thread, primitives are recorded in call order and the
// frame is drawn in bands of kBandRows rows: a thread takes a band and draws
// every primitive recorded since that band was last drawn, in order. Each
// pixel therefore meets the same primitives in the same order, whichever
// thread draws its band, and every band keeps counters of its own, summed
// when they are read. The calling thread records; it draws bands itself when
// it waits for them (queueDrain) and when the record list is full.
//
// Small primitives arriving while nothing is recorded are drawn on the
// calling thread at once, without waking anyone.
#pragma once

#include "grsetup.h"

namespace gr {

constexpr int kBandRows = 16;

// Starts threads - 1 workers for a frame of the given rows (grSstWinOpen);
// with one thread everything is drawn on the calling thread.
void queueStart(int threads, int rows);
// Draws what is recorded and ends the workers.
void queueStop();

// True when a primitive touching about `pixels` pixels is to be recorded
// rather than drawn at once.
bool queueTakes(int64_t pixels);

// Records a primitive, with a copy of the pipeline it is drawn with.
void queueRecord(Primitive prim, const Pipeline *pipeline);

// Returns once everything recorded is drawn, with the bands' counters added
// to the board's. Every point where the caller can observe the buffers or
// the counters calls it first.
void queueDrain();

} // namespace gr
