// The light part's generator: glibc's additive feedback sequence.
#include "lightrnd.h"

#include <cstdint>

namespace lightprt {

namespace {

constexpr int kDegree = 31;     // words of state: r[i - 31] is the oldest
constexpr int kSeparation = 3;  // the other tap: r[i - 3]
constexpr int kDiscarded = 310; // sums thrown away after seeding
constexpr int64_t kModulus = 2147483647;

struct Generator {
    uint32_t ring[kDegree]; // r[i] lives at i mod kDegree
    int next;               // where r[i] for the next i goes

    constexpr uint32_t step()
    {
        // r[i - 31] is the word about to be replaced, r[i - 3] sits 28 places on.
        uint32_t &oldest = ring[next];
        oldest += ring[(next + kDegree - kSeparation) % kDegree];
        next = (next + 1) % kDegree;
        return oldest;
    }
};

constexpr Generator seeded(unsigned seed)
{
    Generator g{};
    // The seed is taken as a signed 32-bit word, as glibc stores it.
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    g.ring[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < kDegree; ++i) {
        int64_t v = 16807 * int64_t(word) % kModulus;
        if (v < 0)
            v += kModulus;
        word = static_cast<int32_t>(v);
        g.ring[i] = static_cast<uint32_t>(word);
    }
    // r[31] .. r[33] are copies of r[0] .. r[2], which the ring already
    // holds in their places: the sums start at r[34].
    g.next = kSeparation;
    for (int i = 0; i < kDiscarded; ++i)
        g.step();
    return g;
}

// Seed 1 before any srand, set when the program is loaded.
constinit Generator generator = seeded(1);

} // namespace

void srand(unsigned seed) { generator = seeded(seed); }

int rand() { return static_cast<int>(generator.step() >> 1); }

} // namespace lightprt
