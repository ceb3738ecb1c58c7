/*
 * lightrnd.h - the light part's random numbers: one generator of the
 * program's own, so that a run draws the same rays and the same grain on
 * every platform (C libraries' rand() differ).
 *
 * The sequence is that of glibc's srand()/rand(): an additive feedback
 * generator r[i] = r[i - 3] + r[i - 31] (mod 2^32) over a state seeded by
 * the LCG r[i] = 16807 r[i - 1] mod (2^31 - 1) from r[0] = seed, whose
 * first 310 sums are discarded; each draw is r >> 1. Until lightprt::srand
 * is called the sequence is that of seed 1, as with rand().
 */
#ifndef LIGHTRND_H
#define LIGHTRND_H

namespace lightprt {

/* The largest value rand() returns (glibc's RAND_MAX). */
constexpr int kRandMax = 2147483647;

/* Starts the sequence of seed (0 gives the sequence of 1). */
void srand(unsigned seed);

/* The next number of the sequence, 0 .. kRandMax. */
int rand();

} // namespace lightprt

#endif /* LIGHTRND_H */
