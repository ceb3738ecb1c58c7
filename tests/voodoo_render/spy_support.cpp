// The recording side of spy_support.h: every wrapper records its call and
// hands it to the next definition of the name, the board's.
#include "spy_support.h"

#include <dlfcn.h>

namespace {

std::vector<spy::Call> calls;
std::vector<spy::Triangle> triangles;
std::vector<GrVertex> points;

template <typename Fn>
Fn *board(const char *name)
{
    return reinterpret_cast<Fn *>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The board's own definition of the wrapper's name, looked up once.
#define SPY_FORWARD(name, ...)                                                                               \
    static auto *const next = board<decltype(::name)>(#name);                                                \
    next(__VA_ARGS__)

#define SPY_STATE_CALL(name, ...)                                                                            \
    calls.push_back({#name, {__VA_ARGS__}});                                                                 \
    SPY_FORWARD(name, __VA_ARGS__)

namespace spy {

void reset()
{
    calls.clear();
    ::triangles.clear();
    ::points.clear();
}

std::vector<std::vector<long>> callsOf(const std::string &name)
{
    std::vector<std::vector<long>> found;
    for (const Call &call : calls)
        if (call.name == name)
            found.push_back(call.args);
    return found;
}

const std::vector<Triangle> &triangles() { return ::triangles; }

const std::vector<GrVertex> &points() { return ::points; }

} // namespace spy

extern "C" {

void FX_CALL grDrawTriangle(const GrVertex *a, const GrVertex *b, const GrVertex *c)
{
    triangles.push_back({*a, *b, *c});
    SPY_FORWARD(grDrawTriangle, a, b, c);
}

void FX_CALL grDrawPoint(const GrVertex *pt)
{
    points.push_back(*pt);
    SPY_FORWARD(grDrawPoint, pt);
}

void FX_CALL grAlphaCombine(GrCombineFunction_t f, GrCombineFactor_t k, GrCombineLocal_t l,
                            GrCombineOther_t o, FxBool invert)
{
    SPY_STATE_CALL(grAlphaCombine, f, k, l, o, invert);
}

void FX_CALL grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSource, GrAlphaBlendFnc_t rgbDestination,
                                  GrAlphaBlendFnc_t alphaSource, GrAlphaBlendFnc_t alphaDestination)
{
    SPY_STATE_CALL(grAlphaBlendFunction, rgbSource, rgbDestination, alphaSource, alphaDestination);
}

void FX_CALL grConstantColorValue(GrColor_t value) { SPY_STATE_CALL(grConstantColorValue, value); }

} // extern "C"
