/*
 * mwbitmap.h - the Marrow bitmap library: pictures in memory, conversion
 * between image types, Targa/PCX/IFF files, bitmap fonts, quantisation,
 * resampling and colour spaces.
 *
 * Conventions
 * - Every record the library hands out lives on the kernel's dynamic heap
 *   (mwkernel.h) and belongs to the caller, who releases it with the matching
 *   Free. Copies never share pixel data or palettes.
 * - Misuse (a NULL bitmap, a rectangle outside the bitmap, an unknown image
 *   type) is reported through mwError or mwFatal and ends the process.
 * - File readers return NULL for a missing file or a variant they do not read;
 *   they treat every file as hostile and never read or write outside a buffer.
 */
#ifndef MWBITMAP_H
#define MWBITMAP_H

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/*---- Image types ---------------------------------------------------------*/
/*
 * 16-bit types: one little-endian word per pixel; the name lists the fields
 * from the most significant bit down (RGB_565: R bits 15-11, G 10-5, B 4-0).
 * 24- and 32-bit types: the name lists the bytes in memory order, so
 * BGRA_8888 read as a little-endian word has A in bits 31-24 and B in 7-0.
 *
 * Palette types: PAL_1 holds 8 pixels per byte and PAL_4 two. The leftmost
 * pixel sits in the most significant bits: PAL_1 pixel 0 is bit 7, pixel 7
 * is bit 0; PAL_4 pixel 0 is the high nibble. The decoders, the palette
 * fitting and the IFF reader all use this order.
 *
 * The values are fixed: the display plug-in indexes its own tables by them.
 */
enum {
    MW_IMAGE_UNKNOWN = 0,    /* no pixels */
    MW_IMAGE_PAL_1 = 1,      /* palette index, 8 pixels per byte */
    MW_IMAGE_PAL_4 = 2,      /* palette index, 2 pixels per byte */
    MW_IMAGE_PAL_8 = 3,      /* palette index, one byte */
    MW_IMAGE_RGB_565 = 4,    /* R 15-11, G 10-5, B 4-0 */
    MW_IMAGE_BGR_565 = 5,    /* B 15-11, G 10-5, R 4-0 */
    MW_IMAGE_RGBA_4444 = 6,  /* R 15-12, G 11-8, B 7-4, A 3-0 */
    MW_IMAGE_BGRA_4444 = 7,  /* B 15-12, G 11-8, R 7-4, A 3-0 */
    MW_IMAGE_ARGB_4444 = 8,  /* A 15-12, R 11-8, G 7-4, B 3-0 */
    MW_IMAGE_ABGR_4444 = 9,  /* A 15-12, B 11-8, G 7-4, R 3-0 */
    MW_IMAGE_RGBA_5551 = 10, /* R 15-11, G 10-6, B 5-1, A 0 */
    MW_IMAGE_BGRA_5551 = 11, /* B 15-11, G 10-6, R 5-1, A 0 */
    MW_IMAGE_ARGB_1555 = 12, /* A 15, R 14-10, G 9-5, B 4-0 */
    MW_IMAGE_ABGR_1555 = 13, /* A 15, B 14-10, G 9-5, R 4-0 */
    MW_IMAGE_RGB_888 = 14,   /* bytes R, G, B */
    MW_IMAGE_BGR_888 = 15,   /* bytes B, G, R */
    MW_IMAGE_RGBA_8888 = 16, /* bytes R, G, B, A */
    MW_IMAGE_BGRA_8888 = 17, /* bytes B, G, R, A */
    MW_IMAGE_ARGB_8888 = 18, /* bytes A, R, G, B */
    MW_IMAGE_ABGR_8888 = 19  /* bytes A, B, G, R */
};

#define MW_IMAGE_TYPE_COUNT 20

/*---- The bitmap record ---------------------------------------------------*/
/*
 * Rows are stored top row first with no gap between them: the pitch of a row
 * is (width * bits per pixel) >> 3 bytes, rounded down (pixels that do not
 * fill a whole byte at the end of a 1- or 4-bit row are not stored).
 * A palette is paletteSize bytes of 3-byte entries R, G, B; the true-colour
 * types ignore one left on them.
 */
typedef struct mwBITMAP {
    int32_t type;        /* MW_IMAGE_ */
    int32_t reserved;    /* 0 in every bitmap the library makes */
    int32_t width;       /* pixels per row */
    int32_t height;      /* rows */
    int32_t size;        /* bytes of pixel data: height * pitch */
    uint8_t *data;       /* NULL when size is 0 */
    int32_t paletteSize; /* bytes of palette, 0 without one */
    uint8_t *palette;    /* NULL when paletteSize is 0 */
} mwBITMAP;

/* A new bitmap with zeroed pixels and no palette (palette types get theirs
 * from the caller). Type 0 and a width or height of 0 give no pixel data.
 * Fatal for a type outside 0..19 ("mwbCreate: unknown image type %d"). */
mwBITMAP *mwbCreate(int type, int width, int height);

/* A deep copy: own pixel data and palette. */
mwBITMAP *mwbCopy(const mwBITMAP *bitmap);

/* A new bitmap holding the rectangle. Valid when x, y, width, height >= 0,
 * x + width <= bitmap->width and y + height <= bitmap->height. Rows are cut
 * in whole bytes: for 1- and 4-bit types x and width should be multiples of
 * 8 or 2. The whole rectangle gives mwbCopy. */
mwBITMAP *mwbCrop(const mwBITMAP *bitmap, int x, int y, int width, int height);

/* Frees the pixel data, the palette and the record. */
void mwbFree(mwBITMAP *bitmap);

/* Loads by extension, ignoring case: .TGA, .PCX, .LBM or .IFF. NULL for a
 * missing file, a variant the reader does not read or an empty name; any
 * other extension is fatal ("mwbLoad: \"%s\" unsupported file format"). */
mwBITMAP *mwbLoad(const char *name);

/* Saves by extension; only .TGA is written. 1 when written, 0 otherwise;
 * another extension is fatal ("mwbSave: \"%s\" unsupported file format"). */
int mwbSave(const char *name, const mwBITMAP *bitmap);

/* Converts in place to newType (1..19) through one R, G, B, A byte per
 * channel: fields are widened by shifting left and narrowed by shifting right
 * (no rounding). A source without alpha gets alpha (R + G + B) / 3 when the
 * target has alpha. Afterwards the bitmap has no palette. Converting to a
 * palette type is fatal ("encodePAL_8: cannot encode to palette data").
 * Returns 1. */
int mwbConvert(mwBITMAP *bitmap, int newType);

/* 0, 1, 4, 8, 16, 24 or 32; fatal for a type outside 0..19. */
int mwbBitsPerPixel(int type);
/* 0, 1, 4 or 8; fatal for a type outside 0..19. */
int mwbAlphaBits(int type);
/* "MW_IMAGE_RGB_565" ...; "MW_IMAGE_UNKNOWN" outside 0..19. */
const char *mwbImageTypeName(int type);
/* The type whose name equals text ignoring case; 0 when none does. */
int mwbImageTypeFromName(const char *text);

/*---- Image files ---------------------------------------------------------*/
/*
 * Each reader gives the image type of the file's own layout; convert
 * afterwards. Beyond the variants named below a reader returns NULL, as it
 * does for a width or height of 0 and for a picture too large for an int32
 * size or for the dynamic heap. A file shorter than its header promises gives
 * zeroed pixels for what is missing.
 */

/* Uncompressed true-colour Targa (image type 2), 24 or 32 bits per pixel,
 * top-down or bottom-up: MW_IMAGE_BGR_888 or MW_IMAGE_BGRA_8888, top row
 * first. Run-length, colour-mapped and grey files give NULL. */
mwBITMAP *mwbTGALoad(const char *name);

/* The same file reduced (or enlarged) to width x height as it is read, with
 * the result mwbTGALoad and then mwbResample would give, byte for byte; only
 * two source rows are held at a time, so a picture far larger than the heap
 * is read within it. Pictures wider or taller than MW_TGA_LARGEST_SIDE give
 * NULL, as every variant mwbTGALoad refuses does. Invalid parameter: a NULL
 * name, a width or height below 1. */
#define MW_TGA_LARGEST_SIDE 16384
mwBITMAP *mwbTGALoadResampled(const char *name, int width, int height);

/* Writes an 18-byte header (image type 2, top row first), the 20-character
 * ID "Marrow Bitmap Libary" and the pixel data as it is in memory, with
 * mwbBitsPerPixel of the type as depth: a valid Targa for MW_IMAGE_BGR_888,
 * MW_IMAGE_BGRA_8888 and MW_IMAGE_ARGB_1555. 1 when written; 0 when the file
 * cannot be written or the bitmap does not fit the 16-bit size fields. */
int mwbTGASave(const mwBITMAP *bitmap, const char *name);

/* Version 5 PCX of 8 bits per plane: 1 plane gives MW_IMAGE_PAL_8 with the
 * 256-colour palette from the end of the file, 3 planes MW_IMAGE_RGB_888,
 * 4 planes MW_IMAGE_RGBA_8888. Raw or run-length encoded. */
mwBITMAP *mwbPCXLoad(const char *name);

/* IFF "PBM " (chunky) file: 1, 4 or 8 planes give MW_IMAGE_PAL_1, PAL_4 or
 * PAL_8 with a palette of 2, 16 or 256 entries (entries the CMAP lacks are
 * black). The planar ILBM form gives NULL. A run-length row that overruns
 * its length is fatal ("mwbLBMLoad: Scan count error.\n"). */
mwBITMAP *mwbLBMLoad(const char *name);

/*---- Fonts ---------------------------------------------------------------*/

/* One glyph: a rectangle of a page bitmap. */
typedef struct mwbGLYPH {
    int32_t width; /* rectangle size in pixels; the pen advances by width */
    int32_t height;
    int32_t page; /* index into mwbFONT.pages; -1: no glyph for this code */
    int32_t x;    /* top-left corner in the page */
    int32_t y;
    int32_t unused; /* read by no one */
} mwbGLYPH;

/* A font of up to 256 glyphs cut from page bitmaps. */
typedef struct mwbFONT {
    int32_t cellWidth; /* character cell in pixels */
    int32_t cellHeight;
    mwbGLYPH glyph[256]; /* by character code */
    int32_t pageCount;
    mwBITMAP *pages; /* pageCount records, one after another */
} mwbFONT;

/* Font file: header "MFNT" (0x544E464D), version, kind, cellWidth,
 * cellHeight (20 bytes); 256 glyphs of 24 bytes; page count; per page a
 * 20-byte header (type, width, height, palette bytes, data bytes), the
 * palette, the pixel data. All numbers 32-bit little-endian. */
#define MWB_FONT_MAGIC 0x544E464Du
#define MWB_FONT_VERSION 0x00030100u
#define MWB_FONT_KIND 2

/* Loads a font file. Fatal for a header that does not match ("mwbFontLoad:
 * Invalid font file %s\n"), and with the same message for a page whose sizes
 * disagree with its type or a glyph rectangle outside its page. A missing
 * file is fatal in the file layer. NULL when the dynamic heap has not room
 * now for the whole font (every page's header is read and the sum checked
 * before the first allocation). */
mwbFONT *mwbFontLoad(const char *name);

/* Frees the pages' pixel data and palettes, the page array and the record. */
void mwbFontFree(mwbFONT *font);

/*---- Quantisation, resampling and colour spaces --------------------------*/
/*
 * A colour count n of 1..256 chooses the palette type: 17 and more give
 * MW_IMAGE_PAL_8 with 256 entries, 3 to 16 MW_IMAGE_PAL_4 with 16 and 1 or 2
 * MW_IMAGE_PAL_1 with 2. Entries beyond the colours supplied are black.
 */

/* Reduces the bitmap in place to a palette image of at most n colours. Every
 * colour goes into an octree down to 8 levels (child index: red bit * 4 +
 * green bit * 2 + blue bit, from the top bit down); then, while there are
 * more than n leaves, the children of one node of the deepest level that has
 * several are merged into it: with mode 0 the node covering the fewest
 * pixels, with mode 1 the most (on equal counts the node that got its second
 * child last). The palette holds the mean colour of each leaf in tree order,
 * and each pixel takes the nearest of those entries (never a black entry
 * the tree did not fill). The tree holds every distinct colour before it is
 * merged; one that would outgrow a quarter of the dynamic heap is merged
 * down to n leaves whenever it reaches that size, so a photograph fits.
 * Invalid parameter: a NULL bitmap, n outside 1..256, a mode other than 0
 * and 1, a record whose data is shorter than its rows. */
void mwbQuantize(mwBITMAP *bitmap, int colours, int mode);

/* Makes the bitmap a palette image of the type for n whose palette is a copy
 * of the n given entries (R, G, B bytes; palette may be the bitmap's own).
 * Each pixel takes the entry with the smallest squared RGB distance, the
 * lower index on equal distances. Invalid parameter: a NULL bitmap or
 * palette, n outside 1..256, a record whose data is shorter than its rows. */
void mwbFitToPalette(mwBITMAP *bitmap, const uint8_t *palette, int colours);

/* Resamples the bitmap in place to width x height and keeps its type.
 * Colour and alpha are interpolated linearly between the centres of the four
 * nearest source pixels; beyond the outermost centres the edge pixel is its
 * own neighbour, so a uniform picture stays uniform. A palette image is
 * fitted back onto its own palette; an MW_IMAGE_UNKNOWN bitmap just takes
 * the new size. The same size returns at once without touching the bitmap.
 * Returns 1; filter is ignored (one filter serves every call). Invalid
 * parameter: a NULL bitmap, a width or height below 1, a record whose data
 * is shorter than its rows. */
int mwbResample(mwBITMAP *bitmap, int width, int height, int filter);

/* Colour spaces. Channels are floats in 0..1; a hue is a fraction of a turn
 * (0..1) measured from red towards green. Each returns its second argument,
 * which may be the first. */

/* Hue, lightness (max + min) / 2 and saturation; grey has hue and saturation
 * 0. Magenta (1, 0, 1) is (5/6, 0.5, 1). */
float *mwbRGBToHLS(const float rgb[3], float hls[3]);
float *mwbHLSToRGB(const float hls[3], float rgb[3]);

/* Hue, saturation and intensity (R + G + B) / 3. The saturation is the
 * distance from the grey axis, sqrt(R^2 + G^2 + B^2 - RG - GB - RB): 1 for a
 * primary. The hue of a colour with G = B is 1 (red side, or grey) or 0.5
 * (cyan side). mwbHSIToRGB is the exact inverse; results may leave 0..1 for
 * combinations no RGB colour has. */
float *mwbRGBToHSI(const float rgb[3], float hsi[3]);
float *mwbHSIToRGB(const float hsi[3], float rgb[3]);

/* A table of `levels` rows of 256 R, G, B entries (level l, palette entry k
 * at byte 3 * (l * 256 + k)): each palette colour ramped from black (level
 * 0) through itself (level levels / 2) towards white, its hue moved towards
 * hueTarget and its saturation raised by weight (0: neither). The two unused
 * floats have no effect. NULL for a NULL palette (256 entries) or levels
 * below 1; the caller frees the table with mwDMemFree. */
uint8_t *mwbShadeTable(const uint8_t *palette, int levels, float unused1, float unused2, float hueTarget,
                       float weight);

MW_EXTERN_C_END

#ifdef __cplusplus
static_assert(sizeof(mwbGLYPH) == 24, "glyph entry is 24 bytes");
static_assert(sizeof(mwbFONT) == 8 + 256 * 24 + 2 * sizeof(void *), "font record layout");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwBITMAP) == 32, "bitmap record is eight 32-bit words");
#endif
#endif

#endif /* MWBITMAP_H */
