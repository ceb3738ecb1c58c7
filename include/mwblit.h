/*
 * mwblit.h - the blit library and the driver function packet.
 *
 * The packet is the contract between the engine and a display plug-in of
 * class 0: a table of 57 function pointers that the plug-in returns from
 * _mwPluginInit and keeps valid until _mwPluginDeinit. mwBlitSelect copies
 * slot N into the global mwBlit<Name> of the same index; everything that draws
 * calls those globals directly. They are NULL until mwBlitSelect, and a slot a
 * driver does not support still holds a function that does nothing.
 *
 * Coordinates are screen pixels with the origin at the top left; 2D
 * coordinates are taken by the driver as unsigned 32-bit values. Colours
 * given as three floats are 0.0 to 1.0; a packed colour is a 32-bit value as
 * the display hardware takes it. The engine keeps owning every record it
 * passes by pointer; card bitmaps and card fonts are made by the driver and
 * freed by the engine through the packet.
 */
#ifndef MWBLIT_H
#define MWBLIT_H

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/* Records of other libraries that cross the packet (by pointer only). */
typedef struct mwBITMAP mwBITMAP;                 /* mwbitmap.h */
typedef struct mwbFONT mwbFONT;                   /* mwbitmap.h */
typedef struct mwrVERTEX mwrVERTEX;               /* mwrender.h */
typedef struct mwrMATERIAL mwrMATERIAL;           /* mwrender.h */
typedef struct mwrCANVAS mwrCANVAS;               /* mwrender.h */
typedef struct mwrRENDERSTATE mwrRENDERSTATE;     /* mwrender.h */
typedef struct mwrPOLYGON mwrPOLYGON;             /* mwrender.h */
typedef struct mwrSPRITE mwrSPRITE;               /* mwrender.h */
typedef struct mwrPOINT mwrPOINT;                 /* mwrender.h */
typedef struct mwrMESH mwrMESH;                   /* mwrender.h */
typedef struct mwrSCREENPOLYGON mwrSCREENPOLYGON; /* mwrender.h */

/* A plug-in entry of the plug-in manager (mwplugin.h). */
typedef struct mwPLUGIN_ENTRY mwPLUGIN_ENTRY;

/* Opaque handles made by the driver; each carries a magic the driver checks. */
typedef struct mwCARDBITMAP mwCARDBITMAP;
typedef struct mwCARDFONT mwCARDFONT;

/*---- Records -------------------------------------------------------------*/

/* Mode flags, also the capability bits of the class info record. */
#define MW_BLIT_FLAG_FILTER 0x001  /* bilinear texture filtering (clear: point sampling) */
#define MW_BLIT_FLAG_DEPTH 0x002   /* depth buffer */
#define MW_BLIT_FLAG_ALPHA 0x004   /* alpha buffer */
#define MW_BLIT_FLAG_DOUBLE 0x008  /* double buffering */
#define MW_BLIT_FLAG_DEFAULT 0x7FB /* what flags 0 stand for in setMode */
#define MW_BLIT_CAPS_ALL 0x7FF     /* bits 0x010..0x400: further capabilities */

#define MW_BLIT_CLASS_INFO_MAGIC 0x424C4452u

/* Mode kinds. Drivers list their modes as MW_BLIT_KIND_LISTED and setMode
 * takes either; in a mwBlitSetClosestMode request MW_BLIT_KIND_ANY matches
 * every listed mode. */
#define MW_BLIT_KIND_ANY 0
#define MW_BLIT_KIND_LISTED 1

/* One screen mode; a mode list ends with a record whose width is 0. */
typedef struct mwBLIT_MODE {
    int32_t width;
    int32_t height;
    int32_t kind;   /* MW_BLIT_KIND_ */
    uint32_t flags; /* MW_BLIT_FLAG_ bits; 0 in a request stands for MW_BLIT_FLAG_DEFAULT */
} mwBLIT_MODE;

/* Drawing buffers of setRenderBuffer. */
#define MW_BLIT_BUFFER_FRONT 0
#define MW_BLIT_BUFFER_BACK 1

/* Texture filters of setTextureFilter. */
#define MW_BLIT_FILTER_POINT 0
#define MW_BLIT_FILTER_BILINEAR 1

/* Flags of createBitmap, updateBitmap and createFont. Without
 * MW_BLIT_BITMAP_PRIVATE the driver reads the pixels and the palette from the
 * caller's bitmap, which must then outlive the card bitmap. */
#define MW_BLIT_BITMAP_PRIVATE 0x1 /* the driver keeps copies of its own */

/* Class info of a class-0 plug-in (filled by _mwGetPluginClassInfo). Its
 * first 152 bytes have the shape of mwPLUGIN_INFO. */
typedef struct mwPLUGIN_CLASS_INFO {
    uint32_t magic; /* MW_BLIT_CLASS_INFO_MAGIC */
    int32_t classVersion;
    int32_t driverVersion;
    char name[12];
    char description[64];
    char vendor[64];
    uint32_t caps; /* mode flag bits the driver offers */
    int32_t reserved;
    int32_t textureUnits;
    int32_t minWidth, minHeight; /* smallest available mode */
    int32_t maxWidth, maxHeight; /* largest available mode */
    uint32_t minFlags, maxFlags;
} mwPLUGIN_CLASS_INFO;

/*---- The driver function packet ------------------------------------------*/

/* X(slot, GlobalName, slotName, result, (arguments)) in slot order. */
#define MW_BLIT_SLOTS(X)                                                                                     \
    /* MW_STATUS_ACTIVE with value 1: the application became active; 0: inactive (hand back the display) */  \
    X(0, Status, status, void, (int status, int value))                                                      \
    /* the driver's mode list, valid until the next call */                                                  \
    X(1, GetModeList, getModeList, const mwBLIT_MODE *, (void))                                              \
    /* sets the mode on the window; 1 if set, 0 with the previous state kept */                              \
    X(2, SetMode, setMode, int, (const mwBLIT_MODE *mode, void *window))                                     \
    /* copies the current mode; 0 for a NULL pointer */                                                      \
    X(3, GetMode, getMode, int, (mwBLIT_MODE * mode))                                                        \
    /* clears colour, alpha (low 8 bits) and depth */                                                        \
    X(4, Clear, clear, void, (uint32_t color, int alpha))                                                    \
    /* clears colour only */                                                                                 \
    X(5, ClearColor, clearColor, void, (uint32_t color))                                                     \
    /* clears the depth buffer only; nothing without one */                                                  \
    X(6, ClearDepth, clearDepth, void, (void))                                                               \
    /* clears the alpha buffer only (low 8 bits); nothing without one */                                     \
    X(7, ClearAlpha, clearAlpha, void, (int alpha))                                                          \
    /* MW_BLIT_BUFFER_FRONT or _BACK; only when double-buffered */                                           \
    X(8, SetRenderBuffer, setRenderBuffer, void, (int buffer))                                               \
    /* shows the back buffer after `interval` vertical retraces (0: no wait) */                              \
    X(9, SwapBuffers, swapBuffers, void, (int interval))                                                     \
    /* buffer swaps still queued */                                                                          \
    X(10, NumPending, numPending, int, (void))                                                               \
    /* 0-terminated list of image types writeRegion accepts */                                               \
    X(11, GetRegionTypes, getRegionTypes, const int32_t *, (void))                                           \
    /* copies the bitmap to the drawing buffer at (x, y); 0 for a type not listed */                         \
    X(12, WriteRegion, writeRegion, int, (int x, int y, const mwBITMAP *bitmap))                             \
    /* reads width x height (set by the caller) into newly allocated RGB 565 pixels */                       \
    X(13, ReadRegion, readRegion, int, (int x, int y, mwBITMAP *bitmap))                                     \
    /* 0-terminated list of image types offered for createBitmap */                                          \
    X(14, GetBitmapTypes, getBitmapTypes, const int32_t *, (void))                                           \
    /* a card bitmap, or NULL; flags: MW_BLIT_BITMAP_PRIVATE */                                              \
    X(15, CreateBitmap, createBitmap, mwCARDBITMAP *, (mwBITMAP * bitmap, int flags))                        \
    /* replaces the pixels; 0 if type or size differ */                                                      \
    X(16, UpdateBitmap, updateBitmap, int, (mwCARDBITMAP * card, mwBITMAP * bitmap, int flags))              \
    /* 1; 0 for a handle that is not a card bitmap */                                                        \
    X(17, FreeBitmap, freeBitmap, int, (mwCARDBITMAP * card))                                                \
    /* draws 1:1 with the top left at (x, y); 0 on failure */                                                \
    X(18, DrawBitmap, drawBitmap, int, (int x, int y, mwCARDBITMAP *card))                                   \
    /* draws the whole bitmap into the rectangle */                                                          \
    X(19, DrawBitmapScaled, drawBitmapScaled, int, (int x, int y, int w, int h, mwCARDBITMAP *card))         \
    /* draws a w x h part from (sx, sy) 1:1 */                                                               \
    X(20, DrawBitmapPart, drawBitmapPart, int,                                                               \
      (int x, int y, int sx, int sy, int w, int h, mwCARDBITMAP *card))                                      \
    /* draws an sw x sh part scaled into w x h */                                                            \
    X(21, DrawBitmapPartScaled, drawBitmapPartScaled, int,                                                   \
      (int x, int y, int sx, int sy, int sw, int sh, int w, int h, mwCARDBITMAP *card))                      \
    /* a card font, or NULL */                                                                               \
    X(22, CreateFont, createFont, mwCARDFONT *, (const mwbFONT *font, int flags))                            \
    /* 1; 0 for a handle that is not a card font */                                                          \
    X(23, FreeFont, freeFont, int, (mwCARDFONT * font))                                                      \
    /* draws NUL-terminated text; a line feed continues below at the same x */                               \
    X(24, DrawText, drawText, void, (mwCARDFONT * font, int x, int y, const char *text))                     \
    /* as drawText with glyphs scaled */                                                                     \
    X(25, DrawTextScaled, drawTextScaled, void,                                                              \
      (mwCARDFONT * font, int x, int y, float scaleX, float scaleY, const char *text))                       \
    /* tint for text drawing */                                                                              \
    X(26, SetColor, setColor, void, (float red, float green, float blue))                                    \
    /* one line */                                                                                           \
    X(27, DrawLine, drawLine, void, (int x0, int y0, int x1, int y1, float r, float g, float b))             \
    /* filled rectangle, both corners inclusive */                                                           \
    X(28, FillRect, fillRect, void, (int x0, int y0, int x1, int y1, float r, float g, float b))             \
    /* rectangle outline */                                                                                  \
    X(29, DrawRect, drawRect, void, (int x0, int y0, int x1, int y1, float r, float g, float b))             \
    /* two colours: left to right when vertical is 0, else top to bottom */                                  \
    X(30, FillRectGradient, fillRectGradient, void,                                                          \
      (int x0, int y0, int x1, int y1, int vertical, float r0, float g0, float b0, float r1, float g1,       \
       float b1))                                                                                            \
    /* colours of the top-left, top-right, bottom-right and bottom-left corners */                           \
    X(31, FillRectCorners, fillRectCorners, void,                                                            \
      (int x0, int y0, int x1, int y1, float r0, float g0, float b0, float r1, float g1, float b1, float r2, \
       float g2, float b2, float r3, float g3, float b3))                                                    \
    /* colour writes on or off */                                                                            \
    X(32, SetColorWrite, setColorWrite, void, (int enable))                                                  \
    /* depth test and writes on or off (only with a depth buffer) */                                         \
    X(33, SetDepthTest, setDepthTest, void, (int enable))                                                    \
    /* alpha writes on or off (only with an alpha buffer) */                                                 \
    X(34, SetAlphaWrite, setAlphaWrite, void, (int enable))                                                  \
    /* MW_BLIT_FILTER_BILINEAR; any other value point sampling */                                            \
    X(35, SetTextureFilter, setTextureFilter, void, (int mode))                                              \
    /* colour keying on (non-zero) or off */                                                                 \
    X(36, SetChromakeyMode, setChromakeyMode, void, (int mode))                                              \
    /* the key colour */                                                                                     \
    X(37, SetChromakeyValue, setChromakeyValue, void, (uint32_t color))                                      \
    /* keeps the pointer and reads the record in place; 1 if accepted (non-NULL) */                          \
    X(38, SetRenderState, setRenderState, int, (mwrRENDERSTATE * state))                                     \
    /* prepares the processor for a frame of 3D drawing */                                                   \
    X(39, BeginScene, beginScene, void, (void))                                                              \
    /* ends the frame of 3D drawing (statistics, internal buffers) */                                        \
    X(40, EndScene, endScene, void, (void))                                                                  \
    /* after the render state's projection was set for a new canvas */                                       \
    X(41, CanvasChanged, canvasChanged, void, (const mwrCANVAS *canvas))                                     \
    /* colour, texture and blending for the following 3D primitives */                                       \
    X(42, SetMaterial, setMaterial, void, (const mwrMATERIAL *material))                                     \
    /* one 3D triangle of model-space vertices */                                                            \
    X(43, DrawTriangle, drawTriangle, void, (const mwrVERTEX *a, const mwrVERTEX *b, const mwrVERTEX *c))    \
    /* one 3D polygon */                                                                                     \
    X(44, DrawPolygon, drawPolygon, void, (const mwrPOLYGON *polygon))                                       \
    /* one camera-facing sprite */                                                                           \
    X(45, DrawSprite, drawSprite, void, (const mwrSPRITE *sprite))                                           \
    /* one 3D point */                                                                                       \
    X(46, DrawPoint, drawPoint, void, (const mwrPOINT *point))                                               \
    X(47, Reserved47, reserved47, void, (void))                                                              \
    X(48, Reserved48, reserved48, void, (void))                                                              \
    /* an indexed triangle list */                                                                           \
    X(49, DrawMesh, drawMesh, void, (const mwrMESH *mesh))                                                   \
    X(50, Reserved50, reserved50, void, (void))                                                              \
    X(51, Reserved51, reserved51, void, (void))                                                              \
    X(52, Reserved52, reserved52, void, (void))                                                              \
    X(53, Reserved53, reserved53, void, (void))                                                              \
    X(54, Reserved54, reserved54, void, (void))                                                              \
    X(55, Reserved55, reserved55, void, (void))                                                              \
    /* a polygon already in screen space (z is 1/w), drawn as a triangle fan */                              \
    X(56, DrawScreenPolygon, drawScreenPolygon, void, (const mwrSCREENPOLYGON *polygon))

#define MW_BLIT_SLOT_COUNT 57

/* Slot function types: mwBLIT_<GlobalName>_FN. */
#define MW_BLIT_TYPEDEF(slot, Global, field, result, args) typedef result(mwBLIT_##Global##_FN) args;
MW_BLIT_SLOTS(MW_BLIT_TYPEDEF)
#undef MW_BLIT_TYPEDEF

/* The packet: 57 function pointers in slot order. */
typedef struct mwDRIVER_PACKET {
#define MW_BLIT_FIELD(slot, Global, field, result, args) mwBLIT_##Global##_FN *field;
    MW_BLIT_SLOTS(MW_BLIT_FIELD)
#undef MW_BLIT_FIELD
} mwDRIVER_PACKET;

/* The bound globals, mwBlitStatus .. mwBlitDrawScreenPolygon. */
#define MW_BLIT_GLOBAL(slot, Global, field, result, args) extern mwBLIT_##Global##_FN *mwBlit##Global;
MW_BLIT_SLOTS(MW_BLIT_GLOBAL)
#undef MW_BLIT_GLOBAL

/*---- Blit library --------------------------------------------------------*/

/* The class-0 plug-in entry to use (not loaded by this call), or NULL: by
 * name when one is given (caps must equal `required` unless it is 0), else
 * the best capability score among those offering every bit of `required`. */
mwPLUGIN_ENTRY *mwBlitFindDevice(uint32_t required, const char *name);

/* Binds the packet of a loaded class-0 entry into the globals; fatal when the
 * entry has no packet. */
void mwBlitSelect(mwPLUGIN_ENTRY *entry);

/* Sets the smallest listed mode covering width x height (of `kind` unless
 * kind is 0); the result of setMode, or 0 when none covers it. */
int mwBlitSetClosestMode(int width, int height, int kind);

MW_EXTERN_C_END

#ifdef __cplusplus
static_assert(sizeof(mwBLIT_MODE) == 16, "mode record is 16 bytes");
static_assert(sizeof(mwPLUGIN_CLASS_INFO) == 188, "class info record is 188 bytes");
static_assert(sizeof(mwDRIVER_PACKET) == MW_BLIT_SLOT_COUNT * sizeof(void (*)(void)),
              "the packet is 57 slots");
#endif

#endif /* MWBLIT_H */
