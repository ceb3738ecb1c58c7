// The console: a ring buffer of text lines drawn through the blit driver.
#include "mwcon.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "mwbitmap.h"

namespace {

constexpr char kOwner[] = "mwcon";
constexpr char kTag[] = "MWCON";
// The owner lines the console's blocks have always carried in reports.
constexpr int kDeinitFreeLine = 89;
constexpr int kAllocLine = 166;
constexpr int kResizeFreeLine = 183;
// Margin between the screen's edge and the console rectangle.
constexpr int kMargin = 20;
// Largest scaled cell taken; beyond it no rectangle holds a character.
constexpr float kCellMax = 65536.0f;

struct Console {
    mwCARDFONT *font = nullptr; // NULL: the console is off
    float scaleX = 1.0f, scaleY = 1.0f;
    int charWidth = 0, charHeight = 0;
    int capacity = MW_CON_LINES;
    int lineWidth = 0; // bytes per line: columns and a terminator
    int rows = 0;      // lines shown at once
    char *buffer = nullptr;
    int line = 0;   // ring index of the line being written
    int column = 0; // next position in it
    int left = 0, top = 0, width = 0, height = 0;
};

Console con;
char printBuffer[MW_CON_PRINT_MAX];
char printAtBuffer[MW_CON_PRINT_MAX];

bool on() { return con.font != nullptr; }

char *lineAt(int index)
{
    return con.buffer + static_cast<size_t>(index) * static_cast<size_t>(con.lineWidth);
}

void checkPointer(const void *pointer, const char *function, int line)
{
    if (!pointer)
        mwError(kOwner, line, function, MW_ERR_INVALID_PARAMETER);
}

// Whether a text call has work: not while the console is off; a NULL text
// or pattern while it is on is an invalid parameter.
bool takes(const char *text, const char *function, int line)
{
    if (!on())
        return false;
    checkPointer(text, function, line);
    return true;
}

// Text is drawn unfiltered with black keyed out; drawing afterwards gets
// filtering and the depth test back.
void beginText()
{
    mwBlitSetChromakeyValue(0);
    mwBlitSetChromakeyMode(1);
    mwBlitSetTextureFilter(MW_BLIT_FILTER_POINT);
}

void endText()
{
    mwBlitSetTextureFilter(MW_BLIT_FILTER_BILINEAR);
    mwBlitSetChromakeyMode(0);
    mwBlitSetDepthTest(1);
}

void format(char (&out)[MW_CON_PRINT_MAX], const char *pattern, va_list args)
{
    // Cut, never overflowed.
    std::vsnprintf(out, sizeof out, pattern, args);
}

} // namespace

void mwConInit(void)
{
    if (con.buffer)
        mwDMemFree(kOwner, kDeinitFreeLine, con.buffer);
    con = Console{};
}

void mwConDeinit(void)
{
    if (con.buffer)
        mwDMemFree(kOwner, kDeinitFreeLine, con.buffer);
    con.buffer = nullptr;
    con.font = nullptr;
}

void mwConSetFont(const mwbFONT *font, mwCARDFONT *cardFont, float scaleX, float scaleY)
{
    checkPointer(font, "mwConSetFont", __LINE__);
    const float cellWidth = static_cast<float>(font->cellWidth) * scaleX;
    const float cellHeight = static_cast<float>(font->cellHeight) * scaleY;
    // A cell under a pixel would leave no columns to lay out (NaN fails too).
    if (!(cellWidth >= 1.0f && cellWidth < kCellMax) || !(cellHeight >= 1.0f && cellHeight < kCellMax))
        mwError(kOwner, __LINE__, "mwConSetFont", MW_ERR_INVALID_PARAMETER);
    con.scaleX = scaleX;
    con.scaleY = scaleY;
    con.charWidth = static_cast<int>(cellWidth);
    con.charHeight = static_cast<int>(cellHeight);
    con.font = cardFont;

    mwBLIT_MODE mode{};
    if (!mwBlitGetMode || !mwBlitGetMode(&mode))
        mwFatal("mwConSetFont: Cannot get surface from blit driver");
    mwConReset(kMargin, kMargin, mode.width - kMargin, mode.height - kMargin);
    mwLogTagged(kTag, "Font %dx%d, scale %gx%g\n", con.charWidth, con.charHeight, static_cast<double>(scaleX),
                static_cast<double>(scaleY));
}

void mwConReset(int x0, int y0, int x1, int y1)
{
    if (!on())
        return;
    // In 64 bits: the corners may lie anywhere.
    const int64_t columns = (int64_t{x1} - x0) / con.charWidth;
    const int64_t rows = (int64_t{y1} - y0) / (con.charHeight + 1);
    if (con.capacity <= rows)
        mwFatal("mwConReset: not enough lines in console buffer for display");
    // A line needs room for one character besides its terminator, and the
    // whole ring must be one block of the heap.
    const int64_t newWidth = columns + 1;
    if (columns < 1 || newWidth * con.capacity > INT_MAX)
        mwError(kOwner, __LINE__, "mwConReset", MW_ERR_INVALID_PARAMETER);

    const int bytes = static_cast<int>(newWidth * con.capacity);
    auto *buffer = static_cast<char *>(mwDMemAlloc(kOwner, kAllocLine, bytes));
    std::memset(buffer, 0, static_cast<size_t>(bytes));
    if (con.buffer) {
        // The text stays, cut to the new width.
        const size_t keep = static_cast<size_t>(std::min<int64_t>(newWidth, con.lineWidth));
        for (int i = 0; i < con.capacity; ++i) {
            char *to = buffer + static_cast<size_t>(i) * static_cast<size_t>(newWidth);
            std::memcpy(to, lineAt(i), keep);
            to[newWidth - 1] = '\0';
        }
        mwDMemFree(kOwner, kResizeFreeLine, con.buffer);
    }
    con.buffer = buffer;
    con.lineWidth = static_cast<int>(newWidth);
    con.rows = static_cast<int>(std::max<int64_t>(rows, 0));
    mwLogTagged(kTag, "Size %dx%d\n", con.lineWidth - 1, con.rows);

    con.left = x0;
    con.top = y0;
    con.width = static_cast<int>(int64_t{x1} - x0);
    con.height = static_cast<int>(int64_t{y1} - y0);
    mwConDraw();
}

void mwConClear(void)
{
    if (!on())
        return;
    std::memset(con.buffer, 0, static_cast<size_t>(con.capacity) * static_cast<size_t>(con.lineWidth));
}

void mwConPuts(const char *text)
{
    if (!takes(text, "mwConPuts", __LINE__))
        return;
    for (; *text; ++text) {
        if (con.column >= con.lineWidth - 1)
            mwConNewLine();
        switch (*text) {
        case '\n': mwConNewLine(); break;
        case '\r': con.column = 0; break;
        default: lineAt(con.line)[con.column++] = *text;
        }
    }
}

void mwConPrintf(const char *pattern, ...)
{
    if (!takes(pattern, "mwConPrintf", __LINE__))
        return;
    va_list args;
    va_start(args, pattern);
    format(printBuffer, pattern, args);
    va_end(args);
    mwConPuts(printBuffer);
}

void mwConNewLine(void)
{
    con.column = 0;
    if (!on())
        return;
    if (++con.line == con.capacity)
        con.line = 0;
    std::memset(lineAt(con.line), 0, static_cast<size_t>(con.lineWidth));
}

void mwConDraw(void)
{
#ifdef MARROW_CON_DRAW
    if (!on())
        return;
    mwBlitSetDepthTest(0);
    beginText();
    int index = con.line - (con.rows - 1);
    if (index < 0)
        index += con.capacity;
    for (int i = 0, y = 0; i < con.rows; ++i, y += con.charHeight + 1) {
        mwBlitDrawTextScaled(con.font, con.left, con.top + y, con.scaleX, con.scaleY, lineAt(index));
        if (++index == con.capacity)
            index = 0;
    }
    endText();
#endif
}

void mwConDrawText(int x, int y, const char *text)
{
    if (!takes(text, "mwConDrawText", __LINE__))
        return;
    beginText();
    mwBlitDrawTextScaled(con.font, x, y, con.scaleX, con.scaleY, text);
    endText();
}

void mwConPrintfAt(int x, int y, const char *pattern, ...)
{
    if (!takes(pattern, "mwConPrintfAt", __LINE__))
        return;
    va_list args;
    va_start(args, pattern);
    format(printAtBuffer, pattern, args);
    va_end(args);
    mwConDrawText(x, y, printAtBuffer);
}
