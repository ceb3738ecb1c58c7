/*
 * mwcon.h - the console: an on-screen text log drawn through the blit driver
 * with a font that lives on the card.
 *
 * A ring buffer of 200 text lines is filled by mwConPuts and mwConPrintf;
 * mwConDraw shows the newest lines in a rectangle of the screen. The console
 * is off until mwConSetFont gives it a font: until then every entry returns
 * at once and nothing is allocated. mwConDraw is compiled in only when the
 * console library is built with MARROW_CON_DRAW; otherwise it always returns
 * at once. Main thread only.
 */
#ifndef MWCON_H
#define MWCON_H

#include "mwblit.h"

MW_EXTERN_C_BEGIN

#define MW_CON_LINES 200      /* lines in the ring buffer */
#define MW_CON_PRINT_MAX 2048 /* formatted text, terminator included; longer is cut */

/* Start values: console off, no buffer (a buffer left from before is freed). */
void mwConInit(void);
/* Frees the buffer and switches the console off. */
void mwConDeinit(void);

/* Switches the console on: font gives the cell size (scaled and truncated;
 * at least one pixel each), cardFont is what the driver draws with (NULL
 * leaves the console off). Sizes the buffer for the current mode, as read
 * through mwBlitGetMode (fatal when the driver cannot tell it), less a
 * 20-pixel margin on every side. */
void mwConSetFont(const mwbFONT *font, mwCARDFONT *cardFont, float scaleX, float scaleY);

/* Sizes the buffer for the rectangle (x0, y0)-(x1, y1), keeping the text
 * cut to the new width, and draws. Each row is one pixel taller than the
 * font. Fatal when the rectangle holds MW_CON_LINES rows or more; a
 * rectangle narrower than one character is an invalid parameter. */
void mwConReset(int x0, int y0, int x1, int y1);

/* Blanks every line; the write position stays. */
void mwConClear(void);

/* Adds text: '\n' ends the line, '\r' goes back to its start (the line is
 * overwritten from there), a full line wraps onto the next. */
void mwConPuts(const char *text);
void mwConPrintf(const char *format, ...) MW_PRINTF(1, 2);
/* Ends the current line; the next one is blanked. */
void mwConNewLine(void);

/* Draws the newest lines, the current one last, with point sampling and
 * black as the key colour; then filtering on, keying off, depth test on. */
void mwConDraw(void);

/* Draw one string at a pixel position, outside the ring buffer. */
void mwConDrawText(int x, int y, const char *text);
void mwConPrintfAt(int x, int y, const char *format, ...) MW_PRINTF(3, 4);

MW_EXTERN_C_END

#endif /* MWCON_H */
