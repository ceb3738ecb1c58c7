// spy_support.h - the board calls the plug-in makes, recorded on their way to
// the board. The test program exports these Glide names, so the plug-in's
// references bind to them first; each records and forwards to the board.
#ifndef MW_TESTS_VOODOO_RENDER_SPY_SUPPORT_H
#define MW_TESTS_VOODOO_RENDER_SPY_SUPPORT_H

#include <array>
#include <string>
#include <vector>

#include "glide.h"

namespace spy {

struct Call {
    std::string name;
    std::vector<long> args;
};
using Triangle = std::array<GrVertex, 3>;

// Forgets everything recorded so far.
void reset();
// The state calls with their integer arguments, in order, by name.
std::vector<std::vector<long>> callsOf(const std::string &name);
const std::vector<Triangle> &triangles();
const std::vector<GrVertex> &points();

} // namespace spy

#endif
