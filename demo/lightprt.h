/*
 * lightprt.h - the light tracing part: a picture fills the screen, a point
 * light drifts across it and throws a rotating fan of rays; the picture's
 * black pixels cut the rays short. Three 256 x 256 light maps are traced on
 * the CPU every frame and blended over the picture in six screen layers.
 *
 * The part draws through the bound mwBlit globals and the render library's
 * material selection, so the display driver, mwrInit and the console must
 * be up before lightPartSetup. Its rays and grain come from lightprt::rand
 * (lightrnd.h): with the same seed a run makes the same rays and the same
 * grain, on every platform.
 */
#ifndef LIGHTPRT_H
#define LIGHTPRT_H

#include <stdint.h>

#include "mwmath.h"

/* The picture lightPartSetup loads: POO.TGA (in the working directory)
 * unless another path is given here; NULL or "" is POO.TGA again. */
void lightPartSetPicture(const char *path);

/* Loads the picture (an uncompressed 24- or 32-bit Targa of any size up to
 * 16384 x 16384, reduced to 256 x 256 as it is read; its black pixels, of
 * whatever alpha, become the occluders), makes the grain textures and rayCount (at least
 * 1) random ray directions. Fatal when the picture is missing or unreadable or the driver refuses a texture.
 * Returns 1. */
int lightPartSetup(int rayCount);

/* Draws the six layers for demo time t (elapsed seconds x 18), between the
 * caller's begin-scene/clear and end-scene. Returns 1. */
int lightPartFrame(float t);

/* Frees everything lightPartSetup made. Returns 1. */
int lightPartFree(void);

/*---- Tracing and rasterising (the part's own building blocks) ------------*/

namespace lightprt {

/* A light map is kMapSide x kMapSide ARGB 4444 pixels, row by row: alpha in
 * bits 15-12, grey in bits 11-0. A point (x, y) of the unit square lands on
 * column trunc(x x 255) and row trunc(y x 255). */
constexpr int kMapSide = 256;
constexpr int kMapPixels = kMapSide * kMapSide;

/* Rays are clipped to this box on both axes, which keeps every splat (at
 * most two pixels from its centre) inside the map. */
constexpr float kBoxMin = 0.05f;
constexpr float kBoxMax = 0.95f;

/* Samples per unit length of a ray: 1 .. kMaxDensity. */
constexpr int kMaxDensity = 65536;

constexpr uint16_t kAlphaFull = 0xF000;
constexpr uint16_t kGreyFull = 0x0FFF;

/* Rasterise the segment (x0, y0) - (x1, y1), note the argument order, with
 * density samples per unit length after clipping it to the box; a segment of
 * zero length gets one splat, one that misses the box (or is not finite)
 * none. alphaRay raises the alpha of 21 pixels around each sample (15 at the
 * centre), saturating at 15; glowRay adds to the grey of 9 pixels (0x444 at
 * the centre), saturating at 0x0FFF. */
void alphaRay(float x0, float x1, float y0, float y1, int density, uint16_t *map);
void glowRay(float x0, float x1, float y0, float y1, int density, uint16_t *map);

/* Where the light is at demo time t: x = 0.5 + 0.4 sin(0.01 t) and
 * y = 0.5 + 0.035 sin(t / 30) (sines of radians), within [0.1, 0.9] x
 * [0.465, 0.535]. */
struct LightPosition {
    float x, y;
};
LightPosition lightPath(float t);

/* The fan at demo time t: every ray turned t degrees about the viewing axis,
 * x' = x cos t + y sin t, y' = -x sin t + y cos t, z' = z. */
void turnFan(const mwmVECTOR *rays, mwmVECTOR *turned, int count, float t);

/* What the three tracing passes read: the light's position on the picture,
 * this frame's ray directions (unit vectors with z > 0) and the picture's
 * kMapPixels pixels, where 0 is an occluder. */
struct Trace {
    float lightX, lightY;
    const mwmVECTOR *rays;
    int rayCount;
    const uint16_t *picture;
};

/* Each ray meets the plane z = 0.35 at its probe point. traceOccluded: alpha
 * rays from the light to a probe on an occluder, else to the far point;
 * traceBeams: glow from the light to every probe; traceBeyond: glow from
 * every probe inside the picture and not on an occluder to the far point. */
void traceOccluded(const Trace &trace, uint16_t *map);
void traceBeams(const Trace &trace, uint16_t *map);
void traceBeyond(const Trace &trace, uint16_t *map);

} // namespace lightprt

#endif /* LIGHTPRT_H */
