/*
 * glide.h - glide2x, the software 3D board: the Glide 2.x calls, types,
 * constants and records that the display plug-in uses.
 *
 * Values and record layouts are those of the public Glide 2.x API, so a
 * plug-in built against this header links against any glide2x.
 *
 * The board
 * - One board of board type GR_SSTTYPE_SST96 (the windowed board): a frame
 *   buffer of 4 MB holding 16-bit RGB 565 colour buffers and one 16-bit
 *   auxiliary buffer (depth or destination alpha), two texture units of
 *   4 MB each, a refresh of 60 Hz.
 * - Colour is computed at 8 bits per channel and written to 565 through a
 *   4x4 ordered dither (grDitherMode).
 *
 * Environment (read by grGlideInit and grSstWinOpen)
 *   SST_SCREENREFRESH   virtual refresh rate in Hz (1 to 1000, default 60);
 *                       grBufferSwap(n) waits n retraces of it.
 *   GLIDE2X_FBRAM       frame buffer megabytes reported and enforced: 1 to
 *                       4 (default 4). For tests of smaller boards.
 *   GLIDE2X_TMUS        number of texture units: 1 or 2 (default 2).
 *   GLIDE2X_TMURAM      megabytes of memory per texture unit: 1 to 4
 *                       (default 4).
 *   GLIDE2X_THREADS     threads that draw, the calling thread included (1
 *                       to 16; default the number of processors, at most
 *                       16). With 1 every call draws before it returns;
 *                       with more, drawing runs on worker threads started
 *                       by grSstWinOpen and is complete wherever a caller
 *                       can look: swaps, frame buffer reads and writes,
 *                       the counters. Results are identical for any count.
 *   GLIDE2X_SIMD        the span functions' instruction set: "baseline"
 *                       (SSE2), "avx2", or by default the widest the
 *                       processor has (AVX-512 BW). Results are identical
 *                       for every choice.
 *   Values outside the ranges given are ignored.
 *
 * Arithmetic (what the tests compute by hand)
 * - Products of two 8-bit values are divided by 255 rounding to nearest:
 *   mul(a, b) = round(a * b / 255); signed differences keep their sign.
 * - Vertex x and y are rounded to 1/16 pixel. A pixel is covered when its
 *   centre (x + 0.5, y + 0.5) lies inside the triangle; a centre exactly on
 *   an edge belongs to the triangle only when that edge is a top edge
 *   (horizontal, with the triangle below it) or a left edge.
 * - Iterated r, g, b, a are rounded to the nearest integer and clamped to
 *   0..255. Texture s = (s/w) * (1 / (1/w)) in single precision, likewise
 *   t, using the vertex oow for every texture unit.
 * - Texel coordinate = s * (long side of the level) / 256 on both axes.
 *   Point sampling takes the texel containing it; bilinear sampling takes
 *   the four texel centres around it with 8-bit weights fx, fy and
 *   computes lerp(lerp(t00, t10, fx), lerp(t01, t11, fx), fy) per channel,
 *   lerp(a, b, f) = (a * (256 - f) + b * f + 128) >> 8.
 * - W-buffer depth from the iterated oow, as the IEEE single bits of oow:
 *   depth = clamp(0x7EFFF - (bits >> 11), 0, 0xFFFF); oow >= 1 is 0
 *   (nearest), oow <= 0 is 0xFFFF (farthest). A 4-bit exponent and a
 *   12-bit mantissa, monotonic in w. Z-buffer depth = clamp(trunc(ooz)).
 * - Blending: out = clamp(mul(src, sf) + mul(dst, df)) per channel; the
 *   destination colour is the 565 pixel widened by bit replication, the
 *   destination alpha the alpha buffer, or 255 without one.
 * - Writing 565 without dither truncates (r >> 3, g >> 2, b >> 3). With
 *   the 4x4 dither, m = [[0,8,2,10],[12,4,14,6],[3,11,1,9],[15,7,13,5]]
 *   indexed by (y & 3, x & 3) and n bits: floor(v * (2^n - 1) / 255 +
 *   (m + 0.5) / 16). The 2x2 dither uses [[0,2],[3,1]] and (m + 0.5) / 4.
 * - Buffer clears and LFB writes convert without dither (truncation).
 *
 * Not provided: fog, NCC (YIQ) textures, trilinear blending (lodBlend and
 * LOD_FRACTION read as 0), the RLE16 and *_DEPTH LFB formats. Mipmap
 * levels are chosen once per triangle.
 */
#ifndef GLIDE_H
#define GLIDE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*---- Base types ----------------------------------------------------------*/

typedef unsigned char FxU8;
typedef signed char FxI8;
typedef unsigned short FxU16;
typedef signed short FxI16;
typedef uint32_t FxU32;
typedef int32_t FxI32;
typedef int FxBool;
typedef float FxFloat;
typedef double FxDouble;

#define FXTRUE 1
#define FXFALSE 0
#define FXBIT(i) (1L << (i))

#if defined(_WIN32)
#define FX_CALL __stdcall
#else
#define FX_CALL
#endif
#if defined(__GNUC__)
#define FX_ENTRY extern __attribute__((visibility("default")))
#else
#define FX_ENTRY extern
#endif

typedef FxU32 GrColor_t;
typedef FxU8 GrAlpha_t;
typedef FxU8 GrFog_t;
typedef FxU32 GrMipMapId_t;
typedef FxI32 GrChipID_t;

typedef FxI32 GrCombineFunction_t;
typedef FxI32 GrCombineFactor_t;
typedef FxI32 GrCombineLocal_t;
typedef FxI32 GrCombineOther_t;
typedef FxI32 GrAlphaBlendFnc_t;
typedef FxI32 GrCmpFnc_t;
typedef FxI32 GrDepthBufferMode_t;
typedef FxI32 GrCullMode_t;
typedef FxI32 GrChromakeyMode_t;
typedef FxI32 GrDitherMode_t;
typedef FxI32 GrTextureFilterMode_t;
typedef FxI32 GrMipMapMode_t;
typedef FxI32 GrTextureClampMode_t;
typedef FxI32 GrLOD_t;
typedef FxI32 GrAspectRatio_t;
typedef FxI32 GrTextureFormat_t;
typedef FxI32 GrBuffer_t;
typedef FxI32 GrScreenResolution_t;
typedef FxI32 GrScreenRefresh_t;
typedef FxI32 GrColorFormat_t;
typedef FxI32 GrOriginLocation_t;
typedef FxU32 GrLfbSrcFmt_t;
typedef FxU32 GrTexTable_t;
typedef FxU32 GrControl_t;
typedef int GrSstType;

/*---- Header constants ----------------------------------------------------*/

#define MAX_NUM_SST 4
#ifndef GLIDE_NUM_TMU
#define GLIDE_NUM_TMU 2
#endif
#define GR_FOG_TABLE_SIZE 64
#define GR_NULL_MIPMAP_HANDLE ((GrMipMapId_t)-1)
#define GR_ZDEPTHVALUE_NEAREST 0xFFFF
#define GR_ZDEPTHVALUE_FARTHEST 0x0000
#define GR_WDEPTHVALUE_NEAREST 0x0000
#define GR_WDEPTHVALUE_FARTHEST 0xFFFF
#define GR_LODBIAS_BILINEAR 0.5
#define GR_LODBIAS_TRILINEAR 0.0

/*---- Combine units -------------------------------------------------------*/

#define GR_COMBINE_FUNCTION_ZERO 0x0
#define GR_COMBINE_FUNCTION_NONE GR_COMBINE_FUNCTION_ZERO
#define GR_COMBINE_FUNCTION_LOCAL 0x1
#define GR_COMBINE_FUNCTION_LOCAL_ALPHA 0x2
#define GR_COMBINE_FUNCTION_SCALE_OTHER 0x3
#define GR_COMBINE_FUNCTION_BLEND_OTHER GR_COMBINE_FUNCTION_SCALE_OTHER
#define GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL 0x4
#define GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA 0x5
#define GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL 0x6
#define GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL 0x7
#define GR_COMBINE_FUNCTION_BLEND GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL
#define GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA 0x8
#define GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL 0x9
#define GR_COMBINE_FUNCTION_BLEND_LOCAL GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL
#define GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA 0x10

#define GR_COMBINE_FACTOR_ZERO 0x0
#define GR_COMBINE_FACTOR_NONE GR_COMBINE_FACTOR_ZERO
#define GR_COMBINE_FACTOR_LOCAL 0x1
#define GR_COMBINE_FACTOR_OTHER_ALPHA 0x2
#define GR_COMBINE_FACTOR_LOCAL_ALPHA 0x3
#define GR_COMBINE_FACTOR_TEXTURE_ALPHA 0x4
#define GR_COMBINE_FACTOR_DETAIL_FACTOR GR_COMBINE_FACTOR_TEXTURE_ALPHA
#define GR_COMBINE_FACTOR_LOD_FRACTION 0x5
#define GR_COMBINE_FACTOR_ONE 0x8
#define GR_COMBINE_FACTOR_ONE_MINUS_LOCAL 0x9
#define GR_COMBINE_FACTOR_ONE_MINUS_OTHER_ALPHA 0xa
#define GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA 0xb
#define GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA 0xc
#define GR_COMBINE_FACTOR_ONE_MINUS_DETAIL_FACTOR GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA
#define GR_COMBINE_FACTOR_ONE_MINUS_LOD_FRACTION 0xd

#define GR_COMBINE_LOCAL_ITERATED 0x0
#define GR_COMBINE_LOCAL_CONSTANT 0x1
#define GR_COMBINE_LOCAL_NONE GR_COMBINE_LOCAL_CONSTANT
#define GR_COMBINE_LOCAL_DEPTH 0x2

#define GR_COMBINE_OTHER_ITERATED 0x0
#define GR_COMBINE_OTHER_TEXTURE 0x1
#define GR_COMBINE_OTHER_CONSTANT 0x2
#define GR_COMBINE_OTHER_NONE GR_COMBINE_OTHER_CONSTANT

/*---- Blending, comparisons, depth, culling, chroma key, dither -----------*/

#define GR_BLEND_ZERO 0x0
#define GR_BLEND_SRC_ALPHA 0x1
#define GR_BLEND_SRC_COLOR 0x2
#define GR_BLEND_DST_COLOR GR_BLEND_SRC_COLOR
#define GR_BLEND_DST_ALPHA 0x3
#define GR_BLEND_ONE 0x4
#define GR_BLEND_ONE_MINUS_SRC_ALPHA 0x5
#define GR_BLEND_ONE_MINUS_SRC_COLOR 0x6
#define GR_BLEND_ONE_MINUS_DST_COLOR GR_BLEND_ONE_MINUS_SRC_COLOR
#define GR_BLEND_ONE_MINUS_DST_ALPHA 0x7
#define GR_BLEND_RESERVED_8 0x8
#define GR_BLEND_RESERVED_9 0x9
#define GR_BLEND_RESERVED_A 0xa
#define GR_BLEND_RESERVED_B 0xb
#define GR_BLEND_RESERVED_C 0xc
#define GR_BLEND_RESERVED_D 0xd
#define GR_BLEND_RESERVED_E 0xe
#define GR_BLEND_ALPHA_SATURATE 0xf
#define GR_BLEND_PREFOG_COLOR GR_BLEND_ALPHA_SATURATE

#define GR_CMP_NEVER 0x0
#define GR_CMP_LESS 0x1
#define GR_CMP_EQUAL 0x2
#define GR_CMP_LEQUAL 0x3
#define GR_CMP_GREATER 0x4
#define GR_CMP_NOTEQUAL 0x5
#define GR_CMP_GEQUAL 0x6
#define GR_CMP_ALWAYS 0x7

#define GR_DEPTHBUFFER_DISABLE 0x0
#define GR_DEPTHBUFFER_ZBUFFER 0x1
#define GR_DEPTHBUFFER_WBUFFER 0x2
#define GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS 0x3
#define GR_DEPTHBUFFER_WBUFFER_COMPARE_TO_BIAS 0x4

#define GR_CULL_DISABLE 0x0
#define GR_CULL_NEGATIVE 0x1
#define GR_CULL_POSITIVE 0x2

#define GR_CHROMAKEY_DISABLE 0x0
#define GR_CHROMAKEY_ENABLE 0x1

#define GR_DITHER_DISABLE 0x0
#define GR_DITHER_2x2 0x1
#define GR_DITHER_4x4 0x2

/*---- Textures ------------------------------------------------------------*/

#define GR_TMU0 0x0
#define GR_TMU1 0x1
#define GR_TMU2 0x2
#define GR_FBI 0x3

#define GR_TEXTUREFILTER_POINT_SAMPLED 0x0
#define GR_TEXTUREFILTER_BILINEAR 0x1

#define GR_MIPMAP_DISABLE 0x0
#define GR_MIPMAP_NEAREST 0x1
#define GR_MIPMAP_NEAREST_DITHER 0x2

#define GR_TEXTURECLAMP_WRAP 0x0
#define GR_TEXTURECLAMP_CLAMP 0x1

#define GR_MIPMAPLEVELMASK_EVEN FXBIT(0)
#define GR_MIPMAPLEVELMASK_ODD FXBIT(1)
#define GR_MIPMAPLEVELMASK_BOTH (GR_MIPMAPLEVELMASK_EVEN | GR_MIPMAPLEVELMASK_ODD)

#define GR_TEXTABLE_NCC0 0x0
#define GR_TEXTABLE_NCC1 0x1
#define GR_TEXTABLE_PALETTE 0x2

#define GR_NCCTABLE_NCC0 0x0
#define GR_NCCTABLE_NCC1 0x1

#define GR_TEXBASE_256 0x0
#define GR_TEXBASE_128 0x1
#define GR_TEXBASE_64 0x2
#define GR_TEXBASE_32_TO_1 0x3

/* The smallest map has the largest value. */
#define GR_LOD_256 0x0
#define GR_LOD_128 0x1
#define GR_LOD_64 0x2
#define GR_LOD_32 0x3
#define GR_LOD_16 0x4
#define GR_LOD_8 0x5
#define GR_LOD_4 0x6
#define GR_LOD_2 0x7
#define GR_LOD_1 0x8

/* Width x height. */
#define GR_ASPECT_8x1 0x0
#define GR_ASPECT_4x1 0x1
#define GR_ASPECT_2x1 0x2
#define GR_ASPECT_1x1 0x3
#define GR_ASPECT_1x2 0x4
#define GR_ASPECT_1x4 0x5
#define GR_ASPECT_1x8 0x6

/* Codes below 0x8 take one byte per texel, the others two. */
#define GR_TEXFMT_8BIT 0x0
#define GR_TEXFMT_RGB_332 GR_TEXFMT_8BIT
#define GR_TEXFMT_YIQ_422 0x1
#define GR_TEXFMT_ALPHA_8 0x2
#define GR_TEXFMT_INTENSITY_8 0x3
#define GR_TEXFMT_ALPHA_INTENSITY_44 0x4
#define GR_TEXFMT_P_8 0x5
#define GR_TEXFMT_RSVD0 0x6
#define GR_TEXFMT_RSVD1 0x7
#define GR_TEXFMT_16BIT 0x8
#define GR_TEXFMT_ARGB_8332 GR_TEXFMT_16BIT
#define GR_TEXFMT_AYIQ_8422 0x9
#define GR_TEXFMT_RGB_565 0xa
#define GR_TEXFMT_ARGB_1555 0xb
#define GR_TEXFMT_ARGB_4444 0xc
#define GR_TEXFMT_ALPHA_INTENSITY_88 0xd
#define GR_TEXFMT_AP_88 0xe
#define GR_TEXFMT_RSVD2 0xf

/*---- Buffers, frame buffer access, window, control, boards ---------------*/

#define GR_BUFFER_FRONTBUFFER 0x0
#define GR_BUFFER_BACKBUFFER 0x1
#define GR_BUFFER_AUXBUFFER 0x2
#define GR_BUFFER_DEPTHBUFFER 0x3
#define GR_BUFFER_ALPHABUFFER 0x4
#define GR_BUFFER_TRIPLEBUFFER 0x5

#define GR_LFB_SRC_FMT_565 0x00
#define GR_LFB_SRC_FMT_555 0x01
#define GR_LFB_SRC_FMT_1555 0x02
#define GR_LFB_SRC_FMT_888 0x04
#define GR_LFB_SRC_FMT_8888 0x05
#define GR_LFB_SRC_FMT_565_DEPTH 0x0c
#define GR_LFB_SRC_FMT_555_DEPTH 0x0d
#define GR_LFB_SRC_FMT_1555_DEPTH 0x0e
#define GR_LFB_SRC_FMT_ZA16 0x0f
#define GR_LFB_SRC_FMT_RLE16 0x80

/* Byte order of a GrColor_t, most significant byte first. */
#define GR_COLORFORMAT_ARGB 0x0
#define GR_COLORFORMAT_ABGR 0x1
#define GR_COLORFORMAT_RGBA 0x2
#define GR_COLORFORMAT_BGRA 0x3

#define GR_ORIGIN_UPPER_LEFT 0x0
#define GR_ORIGIN_LOWER_LEFT 0x1
#define GR_ORIGIN_ANY 0xFF

#define GR_CONTROL_ACTIVATE 0x1
#define GR_CONTROL_DEACTIVATE 0x2
#define GR_CONTROL_RESIZE 0x3
#define GR_CONTROL_MOVE 0x4

#define GR_SSTTYPE_VOODOO 0
#define GR_SSTTYPE_SST96 1
#define GR_SSTTYPE_AT3D 2
#define GR_SSTTYPE_Voodoo2 3

#define GR_RESOLUTION_320x200 0x0
#define GR_RESOLUTION_320x240 0x1
#define GR_RESOLUTION_400x256 0x2
#define GR_RESOLUTION_512x384 0x3
#define GR_RESOLUTION_640x200 0x4
#define GR_RESOLUTION_640x350 0x5
#define GR_RESOLUTION_640x400 0x6
#define GR_RESOLUTION_640x480 0x7
#define GR_RESOLUTION_800x600 0x8
#define GR_RESOLUTION_960x720 0x9
#define GR_RESOLUTION_856x480 0xa
#define GR_RESOLUTION_512x256 0xb
#define GR_RESOLUTION_1024x768 0xc
#define GR_RESOLUTION_1280x1024 0xd
#define GR_RESOLUTION_1600x1200 0xe
#define GR_RESOLUTION_400x300 0xf
#define GR_RESOLUTION_NONE 0xff
#define GR_RESOLUTION_MIN GR_RESOLUTION_320x200
#define GR_RESOLUTION_MAX GR_RESOLUTION_1600x1200

#define GR_REFRESH_60Hz 0x0
#define GR_REFRESH_70Hz 0x1
#define GR_REFRESH_72Hz 0x2
#define GR_REFRESH_75Hz 0x3
#define GR_REFRESH_80Hz 0x4
#define GR_REFRESH_90Hz 0x5
#define GR_REFRESH_100Hz 0x6
#define GR_REFRESH_85Hz 0x7
#define GR_REFRESH_120Hz 0x8
#define GR_REFRESH_NONE 0xff

/*---- Records (field order is the ABI) ------------------------------------*/

typedef struct {
    float sow; /* s / w */
    float tow; /* t / w */
    float oow; /* 1 / w of this unit; the board divides by the vertex oow */
} GrTmuVertex;

typedef struct {
    float x, y;    /* screen position in pixels */
    float z;       /* not used by the board */
    float r, g, b; /* colour, 0..255 */
    float ooz;     /* 65535 / z, for the Z-buffer */
    float a;       /* alpha, 0..255 */
    float oow;     /* 1 / w: W-buffer and perspective-correct texturing */
    GrTmuVertex tmuvtx[GLIDE_NUM_TMU];
} GrVertex;

#define GR_VERTEX_X_OFFSET 0
#define GR_VERTEX_Y_OFFSET 1
#define GR_VERTEX_Z_OFFSET 2
#define GR_VERTEX_R_OFFSET 3
#define GR_VERTEX_G_OFFSET 4
#define GR_VERTEX_B_OFFSET 5
#define GR_VERTEX_OOZ_OFFSET 6
#define GR_VERTEX_A_OFFSET 7
#define GR_VERTEX_OOW_OFFSET 8
#define GR_VERTEX_SOW_TMU0_OFFSET 9
#define GR_VERTEX_TOW_TMU0_OFFSET 10
#define GR_VERTEX_OOW_TMU0_OFFSET 11
#define GR_VERTEX_SOW_TMU1_OFFSET 12
#define GR_VERTEX_TOW_TMU1_OFFSET 13
#define GR_VERTEX_OOW_TMU1_OFFSET 14

typedef struct {
    GrLOD_t smallLod;
    GrLOD_t largeLod;
    GrAspectRatio_t aspectRatio;
    GrTextureFormat_t format;
    void *data; /* levels from largeLod down to smallLod, rows top first */
} GrTexInfo;

typedef struct {
    int tmuRev;
    int tmuRam; /* megabytes */
} GrTMUConfig_t;

typedef struct {
    int fbRam; /* megabytes */
    int fbiRev;
    int nTexelfx;
    FxBool sliDetect;
    GrTMUConfig_t tmuConfig[GLIDE_NUM_TMU];
} GrVoodooConfig_t;

typedef struct {
    int fbRam; /* megabytes */
    int nTexelfx;
    GrTMUConfig_t tmuConfig;
} GrSst96Config_t;

typedef struct {
    int rev;
} GrAT3DConfig_t;

typedef GrVoodooConfig_t GrVoodoo2Config_t;

typedef struct {
    int num_sst;
    struct {
        GrSstType type;
        union SstBoard_u {
            GrVoodooConfig_t VoodooConfig;
            GrSst96Config_t SST96Config;
            GrAT3DConfig_t AT3DConfig;
            GrVoodoo2Config_t Voodoo2Config;
        } sstBoard;
    } SSTs[MAX_NUM_SST];
} GrHwConfiguration;

/* Five 24-bit counters; they wrap. */
typedef struct {
    FxU32 pixelsIn;   /* pixels entering the pipeline, clears not counted */
    FxU32 chromaFail; /* rejected by the chroma key */
    FxU32 zFuncFail;  /* rejected by the depth comparison */
    FxU32 aFuncFail;  /* rejected by the alpha test */
    FxU32 pixelsOut;  /* written to a buffer, clears included */
} GrSstPerfStats_t;

/* 256 entries, red in bits 23:16, green 15:8, blue 7:0. */
typedef struct {
    FxU32 data[256];
} GuTexPalette;

/*---- Board, window and status --------------------------------------------*/

/* Reads the environment, resets every state to its default and clears the
 * counters and texture memory. */
FX_ENTRY void FX_CALL grGlideInit(void);
/* Closes the window and releases the frame buffer and texture memory. */
FX_ENTRY void FX_CALL grGlideShutdown(void);
/* Fills one board of type GR_SSTTYPE_SST96 (SST96Config). FXFALSE for a
 * null pointer. */
FX_ENTRY FxBool FX_CALL grSstQueryHardware(GrHwConfiguration *hwconfig);
/* Only board 0 exists; other numbers are ignored. */
FX_ENTRY void FX_CALL grSstSelect(int which_sst);
/* Opens 512x384, 640x400 or 640x480 (the other listed resolutions too) with
 * 1 to 3 colour buffers and 0 or 1 auxiliary buffer; FXFALSE when they do
 * not fit the frame buffer or an argument is out of range. hWnd is the
 * window each swap presents into (0: none; the frame stays readable). */
FX_ENTRY FxBool FX_CALL grSstWinOpen(FxU32 hWnd, GrScreenResolution_t screen_resolution,
                                     GrScreenRefresh_t refresh_rate, GrColorFormat_t color_format,
                                     GrOriginLocation_t origin_location, int nColBuffers, int nAuxBuffers);
FX_ENTRY void FX_CALL grSstWinClose(void);
/* ACTIVATE, DEACTIVATE, RESIZE and MOVE are accepted (FXTRUE). */
FX_ENTRY FxBool FX_CALL grSstControl(FxU32 code);
FX_ENTRY void FX_CALL grSstPerfStats(GrSstPerfStats_t *pStats);
FX_ENTRY void FX_CALL grSstResetPerfStats(void);
/* An idle board: PCI FIFO free 0x3F (bits 5:0), bit 6 clear during a
 * virtual retrace, displayed buffer in bits 11:10, memory FIFO free 0xFFFF
 * in bits 27:12, pending swaps (always 0) in bits 30:28. */
FX_ENTRY FxU32 FX_CALL grSstStatus(void);
FX_ENTRY FxU32 FX_CALL grSstScreenWidth(void);
FX_ENTRY FxU32 FX_CALL grSstScreenHeight(void);

/*---- Buffers -------------------------------------------------------------*/

/* Inside the clip window: the render buffer to color when colour writes are
 * on; the depth buffer to depth when depth buffering and depth writes are
 * on; else the alpha buffer to alpha when alpha writes are on. */
FX_ENTRY void FX_CALL grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth);
/* Waits swap_interval virtual retraces (0: none), makes the back buffer the
 * front buffer and presents it. Swaps complete at once: nothing pends. */
FX_ENTRY void FX_CALL grBufferSwap(int swap_interval);
FX_ENTRY int FX_CALL grBufferNumPending(void);
/* GR_BUFFER_FRONTBUFFER or GR_BUFFER_BACKBUFFER receives later drawing. */
FX_ENTRY void FX_CALL grRenderBuffer(GrBuffer_t buffer);
FX_ENTRY void FX_CALL grClipWindow(FxU32 minx, FxU32 miny, FxU32 maxx, FxU32 maxy);

/*---- Pixel pipeline state ------------------------------------------------*/

FX_ENTRY void FX_CALL grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                                     GrCombineLocal_t local, GrCombineOther_t other, FxBool invert);
FX_ENTRY void FX_CALL grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                                     GrCombineLocal_t local, GrCombineOther_t other, FxBool invert);
FX_ENTRY void FX_CALL grAlphaBlendFunction(GrAlphaBlendFnc_t rgb_sf, GrAlphaBlendFnc_t rgb_df,
                                           GrAlphaBlendFnc_t alpha_sf, GrAlphaBlendFnc_t alpha_df);
FX_ENTRY void FX_CALL grAlphaTestFunction(GrCmpFnc_t function);
FX_ENTRY void FX_CALL grAlphaTestReferenceValue(GrAlpha_t value);
FX_ENTRY void FX_CALL grConstantColorValue(GrColor_t value);
FX_ENTRY void FX_CALL grColorMask(FxBool rgb, FxBool a);
FX_ENTRY void FX_CALL grDepthMask(FxBool mask);
FX_ENTRY void FX_CALL grDepthBufferMode(GrDepthBufferMode_t mode);
FX_ENTRY void FX_CALL grDepthBufferFunction(GrCmpFnc_t function);
/* Added to the iterated depth; the *_COMPARE_TO_BIAS modes compare the
 * bias itself with the stored depth. */
FX_ENTRY void FX_CALL grDepthBiasLevel(FxI16 level);
/* NEGATIVE drops triangles whose area (xb-xa)(yc-ya) - (xc-xa)(yb-ya) is
 * negative, POSITIVE those whose area is positive. */
FX_ENTRY void FX_CALL grCullMode(GrCullMode_t mode);
FX_ENTRY void FX_CALL grChromakeyMode(GrChromakeyMode_t mode);
/* A pixel whose colour-combine "other" colour equals this key in red,
 * green and blue is dropped while the key is enabled. */
FX_ENTRY void FX_CALL grChromakeyValue(GrColor_t value);
FX_ENTRY void FX_CALL grDitherMode(GrDitherMode_t mode);

/*---- Texture units -------------------------------------------------------*/

FX_ENTRY void FX_CALL grTexCombine(GrChipID_t tmu, GrCombineFunction_t rgb_function,
                                   GrCombineFactor_t rgb_factor, GrCombineFunction_t alpha_function,
                                   GrCombineFactor_t alpha_factor, FxBool rgb_invert, FxBool alpha_invert);
FX_ENTRY void FX_CALL grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minfilter_mode,
                                      GrTextureFilterMode_t magfilter_mode);
FX_ENTRY void FX_CALL grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend);
FX_ENTRY void FX_CALL grTexClampMode(GrChipID_t tmu, GrTextureClampMode_t s_clampmode,
                                     GrTextureClampMode_t t_clampmode);
/* Makes the texture at startAddress the unit's source; its texels are read
 * when drawing, so a later download over it shows the new texels. */
FX_ENTRY void FX_CALL grTexSource(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo *info);
/* Copies the levels chosen by evenOdd to startAddress, each level starting
 * on an 8-byte boundary. Nothing is copied when the texture does not fit
 * the unit's memory or info is invalid. */
FX_ENTRY void FX_CALL grTexDownloadMipMap(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo *info);
/* GR_TEXTABLE_PALETTE takes a GuTexPalette for the P_8 and AP_88 formats;
 * the NCC tables are not provided. */
FX_ENTRY void FX_CALL grTexDownloadTable(GrChipID_t tmu, GrTexTable_t type, void *data);
/* Bytes of texture memory for levels largeLod to smallLod: the sum of the
 * level sizes, each rounded up to 8. 0 for an invalid argument. */
FX_ENTRY FxU32 FX_CALL grTexCalcMemRequired(GrLOD_t smallLod, GrLOD_t largeLod, GrAspectRatio_t aspect,
                                            GrTextureFormat_t fmt);
FX_ENTRY FxU32 FX_CALL grTexTextureMemRequired(FxU32 evenOdd, GrTexInfo *info);
/* 0 and the unit's memory size (one past the last usable byte). */
FX_ENTRY FxU32 FX_CALL grTexMinAddress(GrChipID_t tmu);
FX_ENTRY FxU32 FX_CALL grTexMaxAddress(GrChipID_t tmu);

/*---- Drawing -------------------------------------------------------------*/

/* Any winding is drawn unless grCullMode drops it. Vertices beyond 32768
 * pixels or not finite draw nothing. */
FX_ENTRY void FX_CALL grDrawTriangle(const GrVertex *a, const GrVertex *b, const GrVertex *c);
/* A one pixel wide line: on each column (row, for a line steeper than 45
 * degrees) whose centre lies between the ends, the left (upper) end
 * included and the other not, the pixel nearest the line. Drawn as two
 * triangles, so it shares their fill rule and arithmetic. */
FX_ENTRY void FX_CALL grDrawLine(const GrVertex *v1, const GrVertex *v2);
/* The pixel containing (x, y). */
FX_ENTRY void FX_CALL grDrawPoint(const GrVertex *pt);

/*---- Linear frame buffer -------------------------------------------------*/

/* Raw copy into the FRONT, BACK or AUX (DEPTH, ALPHA) buffer, clipped to
 * the buffer; 32-bit sources follow the colour format chosen at open and
 * lose their alpha. src_stride is in bytes and may be negative. Formats:
 * 565, 555, 1555, 888, 8888 for colour; ZA16 for the aux buffer. */
FX_ENTRY FxBool FX_CALL grLfbWriteRegion(GrBuffer_t dst_buffer, FxU32 dst_x, FxU32 dst_y,
                                         GrLfbSrcFmt_t src_format, FxU32 src_width, FxU32 src_height,
                                         FxI32 src_stride, void *src_data);
/* Raw 16-bit words (565 colour, or depth/alpha); FXFALSE and nothing copied
 * unless the rectangle lies inside the buffer. */
FX_ENTRY FxBool FX_CALL grLfbReadRegion(GrBuffer_t src_buffer, FxU32 src_x, FxU32 src_y, FxU32 src_width,
                                        FxU32 src_height, FxU32 dst_stride, void *dst_data);

#ifdef __cplusplus
}
#endif

#endif /* GLIDE_H */
