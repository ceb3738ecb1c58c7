// mkpoo: writes the screensaver's default picture POO.TGA, a 256 x 256
// 24-bit Targa (top row first) drawn here from integer arithmetic only, so
// every build writes the same bytes.
//
// Usage: mkpoo <output file>
//
// Black (0, 0, 0) is an occluder for the light: the word LUMENFALL in block
// letters lies across the middle band where the light drifts, so its rays
// stream through the gaps between the strokes; pine trees along the bottom
// and a few birds near the top are further silhouettes. Everything else is a
// colourful ground whose channels never fall below 24, so that no
// ground pixel becomes black (an occluder) when the program reduces the
// picture to 4 bits per channel.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mkfile.h"

namespace {

constexpr int kSide = 256;

struct Rgb {
    int r, g, b;
};

using Picture = std::vector<Rgb>;

//---- Ground ------------------------------------------------------------------

// Colour stops down the picture: indigo sky, magenta and orange around the
// middle band, gold, then teal and blue at the bottom.
struct Stop {
    int row;
    Rgb colour;
};
constexpr std::array<Stop, 7> kStops = {{
    {0, {40, 30, 140}},
    {60, {120, 40, 170}},
    {100, {220, 60, 140}},
    {128, {250, 120, 60}},
    {156, {250, 200, 60}},
    {196, {60, 170, 140}},
    {255, {30, 90, 150}},
}};

int lerp(int a, int b, int num, int den) { return a + (b - a) * num / den; }

Rgb gradient(int row)
{
    size_t i = 1;
    while (kStops[i].row < row)
        ++i;
    const Stop &lo = kStops[i - 1], &hi = kStops[i];
    const int num = row - lo.row, den = hi.row - lo.row;
    return {lerp(lo.colour.r, hi.colour.r, num, den), lerp(lo.colour.g, hi.colour.g, num, den),
            lerp(lo.colour.b, hi.colour.b, num, den)};
}

// 0..period/2..0 along the period: a cheap, exact wave.
int triangle(int value, int period)
{
    const int phase = ((value % period) + period) % period;
    return phase < period / 2 ? phase : period - phase;
}

Rgb ground(int x, int y)
{
    Rgb c = gradient(y);
    // Diagonal bands lift and lower the brightness by up to an eighth.
    const int band = triangle(x + y, 48) - 12; // -12..12
    const int scale = 256 + band * 32 / 12;    // 224..288 of 256
    // A slow sideways drift of the hue: warmer on the left, cooler on the right.
    const int drift = (x - kSide / 2) / 8; // -16..15
    c = {c.r * scale / 256 - drift, c.g * scale / 256, c.b * scale / 256 + drift};
    c.r = std::clamp(c.r, 24, 255);
    c.g = std::clamp(c.g, 24, 255);
    c.b = std::clamp(c.b, 24, 255);
    return c;
}

//---- Silhouettes ---------------------------------------------------------------

constexpr Rgb kBlack = {0, 0, 0};

void set(Picture &picture, int x, int y, Rgb colour)
{
    if (x >= 0 && x < kSide && y >= 0 && y < kSide)
        picture[y * kSide + x] = colour;
}

void fillRect(Picture &picture, int x0, int y0, int w, int h)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            set(picture, x, y, kBlack);
}

// Block letters on a 5 x 7 grid; each grid cell becomes kCellW x kCellH pixels.
constexpr int kGridW = 5, kGridH = 7;
constexpr int kCellW = 4, kCellH = 6;
constexpr int kLetterGap = 6;

struct Glyph {
    char letter;
    const char *rows[kGridH];
};
constexpr std::array<Glyph, 7> kGlyphs = {{
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
}};

const Glyph &glyph(char letter)
{
    for (const Glyph &g : kGlyphs)
        if (g.letter == letter)
            return g;
    std::abort(); // every letter of the word has a drawing
}

void drawWord(Picture &picture, const char *word, int centreY)
{
    int count = 0;
    while (word[count])
        ++count;
    const int letterW = kGridW * kCellW, letterH = kGridH * kCellH;
    const int totalW = count * letterW + (count - 1) * kLetterGap;
    int left = (kSide - totalW) / 2;
    const int top = centreY - letterH / 2;
    for (int i = 0; i < count; ++i, left += letterW + kLetterGap) {
        const Glyph &g = glyph(word[i]);
        for (int gy = 0; gy < kGridH; ++gy)
            for (int gx = 0; gx < kGridW; ++gx)
                if (g.rows[gy][gx] == '#')
                    fillRect(picture, left + gx * kCellW, top + gy * kCellH, kCellW, kCellH);
    }
}

// A pine: a trunk under three overlapping tiers, apex at (x, top), each tier
// wider than the one above.
void drawPine(Picture &picture, int x, int top, int height)
{
    const int crown = height * 4 / 5;
    const int tierH = crown / 2;
    for (int t = 0; t < 3; ++t) {
        const int tierTop = top + t * (crown - tierH) / 2;
        const int base = height / 6 + t * height / 10; // half width at the tier's foot
        for (int dy = 0; dy < tierH; ++dy) {
            const int half = dy * base / tierH;
            for (int dx = -half; dx <= half; ++dx)
                set(picture, x + dx, tierTop + dy, kBlack);
        }
    }
    fillRect(picture, x - 1, top + crown, 3, height - crown);
}

// A bird in flight: two wings as shallow arcs meeting at the body.
void drawBird(Picture &picture, int x, int y, int span)
{
    for (int dx = -span; dx <= span; ++dx) {
        const int ax = dx < 0 ? -dx : dx;
        const int lift = ax <= span / 2 ? ax / 2 : span / 2 - (ax - span / 2) / 3;
        set(picture, x + dx, y - lift, kBlack);
        set(picture, x + dx, y - lift + 1, kBlack);
    }
}

Picture paint()
{
    Picture picture(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            picture[y * kSide + x] = ground(x, y);

    drawWord(picture, "LUMENFALL", kSide / 2);

    // A ragged line of pines on a low strip of ground.
    struct Pine {
        int x, height;
    };
    constexpr std::array<Pine, 11> kPines = {{{8, 34},
                                              {30, 46},
                                              {47, 30},
                                              {70, 40},
                                              {96, 28},
                                              {121, 44},
                                              {146, 32},
                                              {168, 48},
                                              {193, 36},
                                              {220, 42},
                                              {244, 30}}};
    for (const Pine &p : kPines)
        drawPine(picture, p.x, kSide - 6 - p.height, p.height);
    fillRect(picture, 0, kSide - 6, kSide, 6);

    constexpr std::array<std::array<int, 3>, 5> kBirds = {
        {{{40, 34, 8}}, {{58, 26, 6}}, {{74, 40, 7}}, {{196, 22, 9}}, {{214, 32, 6}}}};
    for (const auto &b : kBirds)
        drawBird(picture, b[0], b[1], b[2]);
    return picture;
}

//---- Targa file ----------------------------------------------------------------

std::vector<uint8_t> targa(const Picture &picture)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = 2; // uncompressed true colour
    out[12] = kSide & 0xFF;
    out[13] = kSide >> 8;
    out[14] = kSide & 0xFF;
    out[15] = kSide >> 8;
    out[16] = 24;   // bits per pixel
    out[17] = 0x20; // top row first
    for (const Rgb &c : picture) {
        out.push_back(static_cast<uint8_t>(c.b));
        out.push_back(static_cast<uint8_t>(c.g));
        out.push_back(static_cast<uint8_t>(c.r));
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    return mkWriteFile(argc, argv, "mkpoo", [] { return targa(paint()); });
}
