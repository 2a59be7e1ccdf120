// skingen: draws Dralen's sixteen skin images.
//
//   skingen OUTPUT_DIRECTORY
//
// writes BLOCKS_<STYLE>.bmp and WORDS_<STYLE>.bmp for the eight graphical
// styles. The pictures are computed, never painted by hand: every texture comes
// from integer hashes of pixel positions and fixed seeds, so each run writes
// byte-identical files and the committed images can always be regenerated.
//
// Cell-tile image: 6 columns of square tiles (empty, fixed, placed, active,
// projection, panel border) and either one row or sixteen rows. In a
// sixteen-row image row r is the tile for a cell whose screen neighbour mask
// is r (1 left, 2 up, 4 right, 8 down: the neighbour on that side holds the
// same cell code); blocks draw their outline only on the sides whose bit is
// clear, so a group of joined cells reads as one piece.
//
// Caption-and-digit image: 5 x 5 tiles, rows SCORE, 0-4, 5-9, PAUSE, EDIT+smiley.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// ------------------------------------------------------------------ colours

struct Colour {
    float r = 0, g = 0, b = 0;
};

constexpr Colour rgb(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

constexpr Colour WHITE{1, 1, 1};
constexpr Colour BLACK{0, 0, 0};

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator*(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

Colour mix(Colour a, Colour b, float t)
{
    t = clamp01(t);
    return a * (1 - t) + b * t;
}

// Positive amounts lighten toward white, negative ones darken toward black;
// keeps hues intact where a plain multiply would wash them out.
Colour shade(Colour c, float amount)
{
    return amount >= 0 ? mix(c, WHITE, amount) : mix(c, BLACK, -amount);
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// ------------------------------------------------------------------ images

class Image {
public:
    Image(int width, int height) : w(width), h(height), pixels(size_t(width) * height) {}

    int width() const { return w; }
    int height() const { return h; }

    void set(int x, int y, Colour c)
    {
        if (x >= 0 && y >= 0 && x < w && y < h)
            pixels[size_t(y) * w + x] = c;
    }

    Colour at(int x, int y) const { return pixels[size_t(y) * w + x]; }

    // 24-bit uncompressed BMP, rows bottom-up and padded to four bytes: the
    // plainest form every loader understands.
    bool writeBmp(const std::filesystem::path& path) const
    {
        const int rowBytes = (w * 3 + 3) / 4 * 4;
        const uint32_t imageBytes = uint32_t(rowBytes) * h;
        const uint32_t headerBytes = 14 + 40;
        std::vector<uint8_t> out;
        out.reserve(headerBytes + imageBytes);
        auto put16 = [&](uint32_t v) {
            out.push_back(uint8_t(v));
            out.push_back(uint8_t(v >> 8));
        };
        auto put32 = [&](uint32_t v) {
            put16(v & 0xffff);
            put16(v >> 16);
        };
        out.push_back('B');
        out.push_back('M');
        put32(headerBytes + imageBytes);
        put32(0);
        put32(headerBytes);
        put32(40);
        put32(uint32_t(w));
        put32(uint32_t(h)); // positive height: bottom-up rows
        put16(1);           // planes
        put16(24);          // bits per pixel
        put32(0);           // no compression
        put32(imageBytes);
        put32(2835); // 72 dpi
        put32(2835);
        put32(0);
        put32(0);
        auto channel = [](float v) { return uint8_t(std::lround(clamp01(v) * 255.0f)); };
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                Colour c = at(x, y);
                out.push_back(channel(c.b));
                out.push_back(channel(c.g));
                out.push_back(channel(c.r));
            }
            for (int pad = w * 3; pad < rowBytes; ++pad)
                out.push_back(0);
        }
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
        return bool(file);
    }

private:
    int w, h;
    std::vector<Colour> pixels;
};

// ------------------------------------------------------------------ randomness

uint32_t hashBits(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float hashUnit(int a, int b, uint32_t seed)
{
    return float(hashBits(uint32_t(a), uint32_t(b), seed) >> 8) * (1.0f / 16777216.0f);
}

// Tiny xorshift generator for placing things (cell nuclei, pencil strokes).
struct Rng {
    uint32_t state;
    explicit Rng(uint32_t seed) : state(hashBits(seed, 0x51u, 0xA7u) | 1u) {}
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float range(float lo, float hi) { return lo + (hi - lo) * float(next() >> 8) * (1.0f / 16777216.0f); }
};

// Value noise on a lattice of cells x cells squares that repeats every
// `period` pixels. With the period equal to the tile size a texture runs on
// unbroken from one tile into its neighbour, so joined blocks show no seam.
float tileNoise(float x, float y, int period, int cells, uint32_t seed)
{
    const float fx = x / float(period) * float(cells);
    const float fy = y / float(period) * float(cells);
    const int ix = int(std::floor(fx));
    const int iy = int(std::floor(fy));
    float tx = fx - float(ix);
    float ty = fy - float(iy);
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto corner = [&](int i, int j) {
        return hashUnit(((i % cells) + cells) % cells, ((j % cells) + cells) % cells, seed);
    };
    const float top = corner(ix, iy) * (1 - tx) + corner(ix + 1, iy) * tx;
    const float bottom = corner(ix, iy + 1) * (1 - tx) + corner(ix + 1, iy + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

// A few octaves of tileNoise, in 0..1.
float tileFractal(int x, int y, int period, int cells, uint32_t seed)
{
    float sum = 0, weight = 0, amplitude = 1;
    for (int octave = 0; octave < 3; ++octave) {
        sum += amplitude * tileNoise(float(x) + 0.5f, float(y) + 0.5f, period, cells << octave, seed + octave);
        weight += amplitude;
        amplitude *= 0.5f;
    }
    return sum / weight;
}

// Per-pixel speckle in -1..1.
float speckle(int x, int y, uint32_t seed) { return hashUnit(x, y, seed) * 2 - 1; }

// ------------------------------------------------------------------ tiles and outlines

enum : int { MASK_LEFT = 1, MASK_UP = 2, MASK_RIGHT = 4, MASK_DOWN = 8 };

enum : int {
    TILE_EMPTY,
    TILE_FIXED,
    TILE_PLACED,
    TILE_ACTIVE,
    TILE_PROJECTION,
    TILE_BORDER,
    TILE_COLUMNS
};

// Where a tile's pixel function is being evaluated.
struct Tile {
    int size;   // cell size in pixels
    int column; // TILE_...
    int mask;   // neighbour mask in screen orientation
};

constexpr float FAR_AWAY = 1e6f;

// How far a pixel centre lies inside a block's outline, and which way the
// outline faces there. Only free sides (bit clear) are outline; a joined side
// continues into the next tile and so is "far away". Corners between two free
// sides are rounded with the given radius; inset < 0 is outside the block.
struct Outline {
    float inset = FAR_AWAY;
    float nx = 0, ny = 0; // outward normal of the nearest outline
};

Outline outlineAt(const Tile& t, int x, int y, float radius)
{
    const float px = float(x) + 0.5f;
    const float py = float(y) + 0.5f;
    const float s = float(t.size);
    const float left = (t.mask & MASK_LEFT) ? FAR_AWAY : px;
    const float up = (t.mask & MASK_UP) ? FAR_AWAY : py;
    const float right = (t.mask & MASK_RIGHT) ? FAR_AWAY : s - px;
    const float down = (t.mask & MASK_DOWN) ? FAR_AWAY : s - py;

    Outline o;
    auto side = [&](float d, float nx, float ny) {
        if (d < o.inset)
            o = {d, nx, ny};
    };
    side(left, -1, 0);
    side(up, 0, -1);
    side(right, 1, 0);
    side(down, 0, 1);

    auto corner = [&](float h, float v, float sx, float sy) {
        if (radius <= 0 || h >= radius || v >= radius)
            return;
        const float dx = radius - h;
        const float dy = radius - v;
        const float d = std::hypot(dx, dy);
        o.inset = radius - d;
        o.nx = d > 0 ? sx * dx / d : sx * 0.7071f;
        o.ny = d > 0 ? sy * dy / d : sy * 0.7071f;
    };
    corner(left, up, -1, -1);
    corner(right, up, 1, -1);
    corner(left, down, -1, 1);
    corner(right, down, 1, 1);
    return o;
}

// Light falls from the upper left: +1 on an edge facing it, -1 facing away.
float lightOn(const Outline& o) { return -0.6f * o.nx - 0.8f * o.ny; }

// Distance from a point to a line segment.
float segmentDistance(float px, float py, float ax, float ay, float bx, float by)
{
    const float vx = bx - ax, vy = by - ay;
    const float len2 = vx * vx + vy * vy;
    const float t = len2 > 0 ? std::clamp(((px - ax) * vx + (py - ay) * vy) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - (ax + t * vx), py - (ay + t * vy));
}

// ------------------------------------------------------------------ solid blocks

// Parameters of a shaded solid block; most styles are one of these per cell code.
struct BlockLook {
    Colour body;
    Colour rim;              // outline on the free sides
    float rimWidth = 1;      // pixels
    float radius = 0;        // rounding of a corner between two free sides
    float bevelWidth = 0;    // how far light and shadow reach in from a free side
    float bevelStrength = 0; // 0..1
    float gloss = 0;         // specular streak just inside a lit side
    float grain = 0;         // per-pixel speckle
    float mottle = 0;        // smooth, tile-continuous texture
    int mottleCells = 2;
    uint32_t seed = 0;
    bool crisp = false; // hard pixel edges for the small, flat styles
};

// One pixel of a block; `under` is the empty cell showing outside rounded corners.
Colour blockPixel(const BlockLook& look, const Tile& t, int x, int y, Colour under)
{
    const Outline o = outlineAt(t, x, y, look.radius);
    const float cover = look.crisp ? (o.inset > 0 ? 1.0f : 0.0f) : clamp01(o.inset + 0.5f);
    if (cover <= 0)
        return under;

    Colour c = look.body;
    float texture = look.grain * speckle(x, y, look.seed);
    if (look.mottle > 0)
        texture += look.mottle * (tileFractal(x, y, t.size, look.mottleCells, look.seed + 7) * 2 - 1);
    c = shade(c, texture);

    const float light = lightOn(o);
    if (look.bevelWidth > 0 && o.inset < look.bevelWidth) {
        float k = 1 - std::max(0.0f, o.inset - look.rimWidth) / std::max(0.5f, look.bevelWidth - look.rimWidth);
        k = look.crisp ? 1.0f : k * k;
        c = shade(c, look.bevelStrength * k * light);
    }
    if (look.gloss > 0 && light > 0.3f) {
        const float band = 1 - std::fabs(o.inset - (look.rimWidth + 1.0f)) / 1.2f;
        c = mix(c, WHITE, look.gloss * clamp01(band) * light);
    }
    const float rim = look.crisp ? (o.inset < look.rimWidth ? 1.0f : 0.0f)
                                 : clamp01(look.rimWidth - o.inset + 0.5f);
    c = mix(c, look.rim, rim);
    return mix(under, c, cover);
}

// The projected landing cell: only an outline, dashed when `dash` > 0, over the empty cell.
Colour ghostPixel(const Tile& t, int x, int y, Colour under, Colour ink, float inset, float width, int dash,
                  float radius)
{
    const Outline o = outlineAt(t, x, y, radius);
    float line = clamp01(width * 0.5f + 0.5f - std::fabs(o.inset - inset));
    if (dash > 0 && ((x + y) / dash) % 2 == 1)
        line *= 0.25f;
    return mix(under, ink, line);
}

// ------------------------------------------------------------------ style: Stones

Colour stonesGround(int x, int y, int size)
{
    const Colour c = mix(rgb(34, 30, 27), rgb(58, 50, 42), tileFractal(x, y, size, 2, 11));
    return shade(c, 0.05f * speckle(x, y, 12));
}

BlockLook pebble(Colour body, uint32_t seed)
{
    BlockLook look;
    look.body = body;
    look.rim = shade(body, -0.7f);
    look.radius = 3.5f;
    look.bevelWidth = 5.0f;
    look.bevelStrength = 0.55f;
    look.gloss = 0.25f;
    look.grain = 0.10f;
    look.mottle = 0.12f;
    look.seed = seed;
    return look;
}

Colour stonesPixel(const Tile& t, int x, int y)
{
    const Colour ground = stonesGround(x, y, t.size);
    switch (t.column) {
    case TILE_FIXED:
        return blockPixel(pebble(rgb(118, 121, 128), 21), t, x, y, ground); // granite
    case TILE_PLACED:
        return blockPixel(pebble(rgb(190, 150, 98), 22), t, x, y, ground); // sandstone
    case TILE_ACTIVE:
        return blockPixel(pebble(rgb(60, 170, 128), 23), t, x, y, ground); // jade
    case TILE_PROJECTION:
        return ghostPixel(t, x, y, ground, rgb(120, 200, 165), 1.0f, 1.0f, 2, 3.2f);
    case TILE_BORDER: {
        // A wall of dressed blocks: square, with a mortar joint all round.
        BlockLook wall = pebble(rgb(96, 86, 76), 24);
        wall.radius = 1.5f;
        wall.rim = rgb(40, 34, 30);
        return blockPixel(wall, t, x, y, rgb(40, 34, 30));
    }
    default:
        return ground;
    }
}

Colour stonesWordsBackground(int x, int y, int size)
{
    const Colour slate = mix(rgb(46, 48, 54), rgb(66, 68, 74), tileFractal(x, y, size, 2, 31));
    return shade(slate, 0.04f * speckle(x, y, 32));
}

// ------------------------------------------------------------------ style: Digital

// A dot-matrix LED panel: every tile is 5 x 5 LEDs on a 3-pixel pitch.
Colour digitalPixel(const Tile& t, int x, int y)
{
    const int pitch = 3;
    const int dots = t.size / pitch;
    const int i = x / pitch, j = y / pitch;
    const int sx = x % pitch, sy = y % pitch;
    const bool ring = i == 0 || j == 0 || i == dots - 1 || j == dots - 1;
    const bool centre = i == dots / 2 && j == dots / 2;

    Colour hue = rgb(40, 44, 46);
    float level = 0; // 0 unlit .. 1 full
    switch (t.column) {
    case TILE_FIXED:
        hue = rgb(120, 140, 175);
        level = ring ? 0.8f : 0.35f;
        break;
    case TILE_PLACED:
        hue = rgb(60, 235, 90);
        level = ring ? 1.0f : (centre ? 0.9f : 0.12f);
        break;
    case TILE_ACTIVE:
        hue = rgb(255, 150, 30);
        level = ring ? 1.0f : (centre ? 1.0f : 0.3f);
        break;
    case TILE_PROJECTION:
        hue = rgb(255, 150, 30);
        level = ring && (i + j) % 2 == 0 ? 0.45f : 0;
        break;
    case TILE_BORDER:
        hue = rgb(40, 170, 210);
        level = (i + j) % 2 == 0 ? 0.75f : 0.35f;
        break;
    default:
        break;
    }
    const Colour unlit = rgb(20, 23, 25);
    const Colour board = rgb(6, 8, 9);
    const Colour lit = mix(unlit, hue, level);
    if (sx == pitch - 1 || sy == pitch - 1)
        return mix(board, hue, level * 0.22f); // the glow between LEDs
    // A lens highlight in the upper-left pixel of every LED.
    return sx == 0 && sy == 0 ? shade(lit, 0.18f + 0.2f * level) : lit;
}

Colour digitalWordsBackground(int, int, int) { return rgb(6, 8, 9); }

// ------------------------------------------------------------------ style: Excercise Book

Colour squaredPaper(int x, int y, int size)
{
    Colour paper = shade(rgb(248, 247, 238), -0.025f * tileFractal(x, y, size, 4, 41) + 0.01f * speckle(x, y, 42));
    const int square = std::max(4, size / 2);
    if (x % square == 0 || y % square == 0)
        paper = mix(paper, rgb(140, 180, 225), 0.75f);
    return paper;
}

// Graphite (or coloured pencil) laid on paper: darkens, grain shows through.
Colour pencil(Colour paper, Colour lead, float amount, int x, int y, uint32_t seed)
{
    const float grain = 0.75f + 0.25f * speckle(x, y, seed);
    return mix(paper, lead, clamp01(amount * grain));
}

// Coverage of parallel pencil strokes at 45 degrees (or -45 when `rising`).
float hatch(int x, int y, float spacing, bool rising, uint32_t seed)
{
    const float px = float(x) + 0.5f, py = float(y) + 0.5f;
    const float u = (rising ? px + py : px - py) * 0.7071f + 0.4f * (tileNoise(px, py, 20, 4, seed) - 0.5f);
    const float f = u / spacing - std::floor(u / spacing);
    const float d = std::fabs(f - 0.5f) * spacing;
    return clamp01(0.6f + 0.5f - d);
}

// Coverage of a hand-drawn square: four slightly crooked strokes that overshoot
// the corners, as a quick pencil sketch does.
float sketchedSquare(int x, int y, int size, float margin, uint32_t seed)
{
    Rng rng(seed);
    const float lo = margin, hi = float(size) - margin;
    const float ax = lo + rng.range(-0.6f, 0.3f), ay = lo + rng.range(-0.6f, 0.3f);
    const float bx = hi + rng.range(-0.3f, 0.6f), by = lo + rng.range(-0.4f, 0.4f);
    const float cx = hi + rng.range(-0.3f, 0.6f), cy = hi + rng.range(-0.3f, 0.6f);
    const float dx = lo + rng.range(-0.4f, 0.4f), dy = hi + rng.range(-0.3f, 0.6f);
    const float px = float(x) + 0.5f, py = float(y) + 0.5f;
    const float over = 1.2f;
    auto stroke = [&](float x0, float y0, float x1, float y1) {
        const float len = std::hypot(x1 - x0, y1 - y0);
        const float ux = (x1 - x0) / len * over, uy = (y1 - y0) / len * over;
        return segmentDistance(px, py, x0 - ux, y0 - uy, x1 + ux, y1 + uy);
    };
    const float d = std::min({stroke(ax, ay, bx, by), stroke(bx, by, cx, cy), stroke(cx, cy, dx, dy),
                              stroke(dx, dy, ax, ay)});
    return clamp01(0.55f + 0.5f - d);
}

Colour exerciseBookPixel(const Tile& t, int x, int y)
{
    const Colour paper = squaredPaper(x, y, t.size);
    const Colour graphite = rgb(58, 58, 66);
    const Colour redPencil = rgb(214, 48, 52);
    const float margin = 2.5f;
    const bool inside = x >= margin && y >= margin && x < t.size - margin && y < t.size - margin;
    const uint32_t seed = 50 + uint32_t(t.column);
    switch (t.column) {
    case TILE_FIXED: {
        // Cross-hatched and shaded hard: the walls are pressed in heavily.
        float tone = inside ? 0.3f + 0.5f * std::max(hatch(x, y, 2.6f, true, seed), hatch(x, y, 2.6f, false, seed + 1))
                            : 0.0f;
        Colour c = pencil(paper, graphite, tone, x, y, seed);
        return pencil(c, graphite, sketchedSquare(x, y, t.size, margin, seed) * 0.95f, x, y, seed + 2);
    }
    case TILE_PLACED: {
        Colour c = pencil(paper, graphite, inside ? 0.12f + 0.55f * hatch(x, y, 3.0f, true, seed) : 0.0f, x, y, seed);
        return pencil(c, graphite, sketchedSquare(x, y, t.size, margin, seed) * 0.9f, x, y, seed + 2);
    }
    case TILE_ACTIVE: {
        Colour c = pencil(paper, redPencil, inside ? 0.25f + 0.6f * hatch(x, y, 2.5f, false, seed) : 0.0f, x, y, seed);
        return pencil(c, shade(redPencil, -0.45f), sketchedSquare(x, y, t.size, margin, seed) * 0.95f, x, y,
                      seed + 2);
    }
    case TILE_PROJECTION: {
        const float dash = ((x + y) / 3) % 2 ? 0.15f : 1.0f;
        return pencil(paper, redPencil, 0.55f * dash * sketchedSquare(x, y, t.size, margin + 0.5f, seed), x, y, seed);
    }
    case TILE_BORDER: {
        // The margin of the page, ruled over and over in red ink.
        const float tone = 0.2f + 0.45f * std::max(hatch(x, y, 3.0f, true, seed), hatch(x, y, 3.0f, false, seed + 1));
        return pencil(paper, rgb(210, 50, 70), tone, x, y, seed);
    }
    default:
        return paper;
    }
}

Colour exerciseBookWordsBackground(int x, int y, int size) { return squaredPaper(x, y, size); }

// ------------------------------------------------------------------ style: Micro

Colour microGround(int x, int y, int)
{
    return x == 0 && y == 0 ? rgb(34, 38, 70) : rgb(16, 18, 38);
}

BlockLook microBlock(Colour body)
{
    BlockLook look;
    look.body = body;
    look.rim = shade(body, -0.65f);
    look.radius = 2.0f;
    look.bevelWidth = 2.0f;
    look.bevelStrength = 0.45f;
    look.crisp = true;
    return look;
}

Colour microPixel(const Tile& t, int x, int y)
{
    const Colour ground = microGround(x, y, t.size);
    switch (t.column) {
    case TILE_FIXED:
        return blockPixel(microBlock(rgb(140, 146, 165)), t, x, y, ground);
    case TILE_PLACED:
        return blockPixel(microBlock(rgb(40, 180, 190)), t, x, y, ground);
    case TILE_ACTIVE:
        return blockPixel(microBlock(rgb(255, 196, 40)), t, x, y, ground);
    case TILE_PROJECTION: {
        const Outline o = outlineAt(t, x, y, 2.0f);
        return o.inset > 0 && o.inset < 1 && (x + y) % 2 == 0 ? rgb(255, 196, 40) : ground;
    }
    case TILE_BORDER: {
        BlockLook plate = microBlock(rgb(92, 84, 150));
        plate.radius = 0;
        plate.rim = plate.body;
        return blockPixel(plate, t, x, y, ground);
    }
    default:
        return ground;
    }
}

Colour microWordsBackground(int, int, int) { return rgb(16, 18, 38); }

// ------------------------------------------------------------------ style: Pink

Colour pinkGround(int x, int y, int size)
{
    Colour c = rgb(255, 226, 236);
    // Soft polka dots on the corners of the cells.
    const float cx = float(x) + 0.5f, cy = float(y) + 0.5f, s = float(size);
    const float d = std::hypot(std::min(cx, s - cx), std::min(cy, s - cy));
    return mix(c, rgb(250, 200, 220), 1 - smoothstep(1.2f, 2.2f, d));
}

BlockLook candy(Colour body, uint32_t seed)
{
    BlockLook look;
    look.body = body;
    look.rim = shade(body, -0.55f);
    look.radius = 3.5f;
    look.bevelWidth = 3.5f;
    look.bevelStrength = 0.35f;
    look.gloss = 0.75f;
    look.grain = 0.02f;
    look.seed = seed;
    return look;
}

Colour pinkPixel(const Tile& t, int x, int y)
{
    const Colour ground = pinkGround(x, y, t.size);
    switch (t.column) {
    case TILE_FIXED:
        return blockPixel(candy(rgb(150, 70, 120), 61), t, x, y, ground); // plum
    case TILE_PLACED:
        return blockPixel(candy(rgb(246, 96, 160), 62), t, x, y, ground); // bubblegum
    case TILE_ACTIVE:
        return blockPixel(candy(rgb(170, 110, 250), 63), t, x, y, ground); // lilac
    case TILE_PROJECTION:
        return ghostPixel(t, x, y, ground, rgb(170, 110, 250), 1.0f, 1.0f, 0, 3.5f);
    case TILE_BORDER: {
        // A ribbon of raspberry with a white sprinkle.
        BlockLook ribbon = candy(rgb(226, 70, 130), 64);
        ribbon.radius = 0;
        ribbon.gloss = 0;
        const Colour c = blockPixel(ribbon, t, x, y, ground);
        const float d = std::hypot(float(x) + 0.5f - t.size * 0.5f, float(y) + 0.5f - t.size * 0.5f);
        return mix(c, rgb(255, 240, 246), 1 - smoothstep(1.0f, 2.0f, d));
    }
    default:
        return ground;
    }
}

Colour pinkWordsBackground(int x, int y, int size) { return pinkGround(x, y, size); }

// ------------------------------------------------------------------ style: Biomass

Colour swamp(int x, int y, int size)
{
    const float n = tileFractal(x, y, size, 2, 71);
    return shade(mix(rgb(14, 24, 16), rgb(30, 42, 24), n), 0.04f * speckle(x, y, 72));
}

// A living cell: a wobbly membrane on the free sides, cytoplasm brighter just
// inside it, and a few nuclei kept off the tile edges so that joins stay clean.
Colour cellPixel(const Tile& t, int x, int y, Colour under, Colour body, Colour membrane, Colour nucleus,
                 uint32_t seed)
{
    Outline o = outlineAt(t, x, y, 4.5f);
    if (o.inset < FAR_AWAY * 0.5f)
        o.inset += 0.9f * (tileNoise(float(x) + 0.5f, float(y) + 0.5f, t.size, 3, seed) - 0.5f);
    const float cover = clamp01(o.inset + 0.5f);
    if (cover <= 0)
        return under;

    Colour c = shade(body, 0.22f * (tileFractal(x, y, t.size, 2, seed + 1) * 2 - 1));
    c = mix(c, shade(body, 0.35f), 1 - smoothstep(1.0f, 3.5f, o.inset));
    c = shade(c, 0.25f * lightOn(o) * (1 - smoothstep(0.5f, 3.0f, o.inset)));

    Rng rng(seed * 16 + uint32_t(t.mask));
    const float lo = 3.0f, hi = float(t.size) - 3.0f;
    for (int k = 0; k < 2; ++k) {
        const float nx = rng.range(lo, hi), ny = rng.range(lo, hi), r = rng.range(1.0f, 1.7f);
        const float d = std::hypot(float(x) + 0.5f - nx, float(y) + 0.5f - ny);
        c = mix(c, nucleus, clamp01(r + 0.5f - d) * 0.85f);
    }
    c = mix(c, membrane, clamp01(1.1f - o.inset + 0.5f));
    return mix(under, c, cover);
}

Colour biomassPixel(const Tile& t, int x, int y)
{
    const Colour ground = swamp(x, y, t.size);
    switch (t.column) {
    case TILE_FIXED: {
        // Dead wood: bark-brown, with a grain of fibres running up and down.
        BlockLook bark;
        bark.body = rgb(104, 74, 46);
        bark.rim = rgb(44, 30, 18);
        bark.radius = 2.5f;
        bark.bevelWidth = 3.0f;
        bark.bevelStrength = 0.3f;
        bark.grain = 0.08f;
        bark.mottle = 0.22f;
        bark.mottleCells = 3;
        bark.seed = 73;
        bark.body = shade(bark.body, 0.3f * (tileNoise(float(x) + 0.5f, 0.5f, t.size, 5, 79) - 0.5f));
        return blockPixel(bark, t, x, y, ground);
    }
    case TILE_PLACED:
        return cellPixel(t, x, y, ground, rgb(88, 160, 52), rgb(22, 60, 18), rgb(40, 96, 30), 74);
    case TILE_ACTIVE:
        return cellPixel(t, x, y, ground, rgb(236, 178, 40), rgb(110, 50, 10), rgb(200, 80, 30), 75);
    case TILE_PROJECTION: {
        // Spores where the culture is about to settle.
        const Outline o = outlineAt(t, x, y, 4.5f);
        const bool spore = o.inset > 0.5f && o.inset < 2.0f && hashUnit(x, y, 76) < 0.45f;
        return spore ? mix(ground, rgb(236, 178, 40), 0.6f) : ground;
    }
    case TILE_BORDER: {
        // A mat of roots: the contour lines of a noise field look like tangled fibres.
        const float n = tileFractal(x, y, t.size, 3, 77);
        const float root = 1 - std::fabs(tileFractal(x, y, t.size, 2, 78) - 0.5f) * 9;
        return mix(mix(rgb(40, 46, 22), rgb(66, 74, 32), n), rgb(150, 160, 80), clamp01(root) * 0.7f);
    }
    default:
        return ground;
    }
}

Colour biomassWordsBackground(int x, int y, int size) { return swamp(x, y, size); }

// ------------------------------------------------------------------ style: Neon

constexpr Colour NEON_DARK = rgb(7, 6, 16);

Colour neonGround(int x, int y, int)
{
    // A faint grid on the dark, as on an arcade floor.
    return x == 0 || y == 0 ? rgb(22, 14, 44) : NEON_DARK;
}

// A glowing tube a little inside the free sides; the body behind it is tinted glass.
Colour neonTube(const Tile& t, int x, int y, Colour under, Colour hue, float strength, bool dashed)
{
    // The tube runs close to the cell edge: where two joined cells turn an
    // inside corner the two tube ends then almost meet.
    const Outline o = outlineAt(t, x, y, 5.0f);
    if (o.inset <= 0)
        return under;
    const float tube = 1.6f;
    const float d = std::fabs(o.inset - tube);
    float core = std::exp(-d * d / 0.35f);
    float glow = std::exp(-d / 1.5f);
    Colour c = under;
    if (dashed) {
        if (((x + y) / 3) % 2 == 1 || d > 2.0f)
            return under;
        glow *= 0.5f;
    } else if (o.inset > tube) {
        c = NEON_DARK + hue * (0.14f * strength);
    }
    c = c + hue * (0.75f * glow * strength) + WHITE * (0.55f * core * strength);
    return {clamp01(c.r), clamp01(c.g), clamp01(c.b)};
}

Colour neonPixel(const Tile& t, int x, int y)
{
    const Colour ground = neonGround(x, y, t.size);
    switch (t.column) {
    case TILE_FIXED:
        return neonTube(t, x, y, ground, rgb(50, 110, 255), 0.85f, false);
    case TILE_PLACED:
        return neonTube(t, x, y, ground, rgb(255, 50, 190), 1.0f, false);
    case TILE_ACTIVE:
        return neonTube(t, x, y, ground, rgb(60, 255, 140), 1.0f, false);
    case TILE_PROJECTION:
        return neonTube(t, x, y, ground, rgb(60, 255, 140), 0.45f, true);
    case TILE_BORDER: {
        // A violet ring: a lamp on the frame that reads the same across and along.
        const float c = float(t.size) * 0.5f;
        const float d = std::fabs(std::hypot(float(x) + 0.5f - c, float(y) + 0.5f - c) - c * 0.5f);
        const Colour hue = rgb(160, 70, 255);
        Colour out = rgb(14, 8, 28) + hue * (0.7f * std::exp(-d / 1.3f)) + WHITE * (0.5f * std::exp(-d * d / 0.4f));
        return {clamp01(out.r), clamp01(out.g), clamp01(out.b)};
    }
    default:
        return ground;
    }
}

Colour neonWordsBackground(int, int, int) { return NEON_DARK; }

// ------------------------------------------------------------------ style: Primitive

BlockLook flat(Colour body)
{
    BlockLook look;
    look.body = body;
    look.rim = BLACK;
    look.crisp = true;
    return look;
}

Colour primitivePixel(const Tile& t, int x, int y)
{
    const Colour ground = WHITE;
    switch (t.column) {
    case TILE_FIXED:
        return blockPixel(flat(rgb(128, 64, 0)), t, x, y, ground);
    case TILE_PLACED:
        return blockPixel(flat(rgb(0, 0, 255)), t, x, y, ground);
    case TILE_ACTIVE:
        return blockPixel(flat(rgb(255, 0, 0)), t, x, y, ground);
    case TILE_PROJECTION: {
        const Outline o = outlineAt(t, x, y, 0);
        return o.inset < 1 && (x + y) % 2 == 0 ? BLACK : ground;
    }
    case TILE_BORDER:
        return blockPixel(flat(rgb(255, 255, 0)), t, x, y, ground);
    default:
        return ground;
    }
}

Colour primitiveWordsBackground(int, int, int) { return WHITE; }

// ------------------------------------------------------------------ pixel font

// Hand-made 5 x 7 capitals and digits; the zero carries a slash to tell it from O.
struct Glyph {
    char ch;
    std::array<const char*, 7> rows;
};

constexpr Glyph FONT[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    // The editor's smiley: 'o' face, 'x' features.
    {'@', {".ooooo.", "ooooooo", "ooxoxoo", "ooooooo", "oxoooxo", "ooxxxoo", ".ooooo."}},
};

const Glyph& glyphFor(char ch)
{
    for (const Glyph& g : FONT)
        if (g.ch == ch)
            return g;
    return FONT[0];
}

enum : uint8_t { INK_NONE, INK_MAIN, INK_FEATURE };

// The glyph laid out in a size x size tile. Two pixels per font pixel from
// 15 px cells up; at 10 and 12 px the vertical strokes are doubled so the
// letters do not look thin; at 8 px the plain 5 x 7 fits with a pixel to spare.
struct GlyphLayout {
    int scale, bold, left, top;
};

GlyphLayout layoutGlyph(const Glyph& g, int size)
{
    const int cols = int(std::string_view(g.rows[0]).size());
    GlyphLayout l;
    l.scale = size >= 15 ? 2 : 1;
    l.bold = (l.scale == 1 && size >= 10 && g.ch != '@') ? 1 : 0;
    const int w = cols * l.scale + l.bold;
    const int h = 7 * l.scale;
    l.left = (size - w) / 2;
    l.top = (size - h + 1) / 2;
    return l;
}

std::vector<uint8_t> glyphInk(char ch, int size)
{
    const Glyph& g = glyphFor(ch);
    const GlyphLayout l = layoutGlyph(g, size);
    std::vector<uint8_t> ink(size_t(size) * size, INK_NONE);
    for (int row = 0; row < 7; ++row) {
        const std::string_view line = g.rows[row];
        for (int col = 0; col < int(line.size()); ++col) {
            const char c = line[col];
            if (c == '.')
                continue;
            const uint8_t value = c == 'x' ? INK_FEATURE : INK_MAIN;
            for (int dy = 0; dy < l.scale; ++dy)
                for (int dx = 0; dx < l.scale + l.bold; ++dx) {
                    const int x = l.left + col * l.scale + dx;
                    const int y = l.top + row * l.scale + dy;
                    if (x >= 0 && y >= 0 && x < size && y < size) {
                        uint8_t& cell = ink[size_t(y) * size + x];
                        cell = std::max(cell, value);
                    }
                }
        }
    }
    return ink;
}

// ------------------------------------------------------------------ caption and digit images

enum class Edge { NONE, SHADOW, OUTLINE, GLOW, DOT_MATRIX };

struct WordsLook {
    Colour (*background)(int x, int y, int size);
    Colour digitInk;  // score digits
    Colour wordInk;   // SCORE, PAUSE, EDIT
    Colour edge;      // shadow, outline, glow or unlit-dot colour
    Edge edgeKind;
    Colour face;      // the smiley
    float grain;      // unevenness of the ink
};

constexpr std::array<const char*, 5> WORD_ROWS = {"SCORE", "01234", "56789", "PAUSE", "EDIT@"};

Colour wordsPixel(const WordsLook& look, const std::vector<uint8_t>& ink, char ch, int size, int x, int y)
{
    const bool digit = ch >= '0' && ch <= '9';
    const Colour inkColour = digit ? look.digitInk : look.wordInk;
    const Colour bg = look.background(x, y, size);
    auto inkAt = [&](int px, int py) -> uint8_t {
        if (px < 0 || py < 0 || px >= size || py >= size)
            return INK_NONE;
        return ink[size_t(py) * size + px];
    };
    const uint8_t here = inkAt(x, y);
    if (here != INK_NONE) {
        Colour c = ch == '@' ? (here == INK_FEATURE ? look.wordInk : look.face) : inkColour;
        c = shade(c, look.grain * speckle(x, y, 91));
        if (look.edgeKind == Edge::DOT_MATRIX) {
            // LEDs with a lens highlight, matching the panel's own dots.
            const GlyphLayout l = layoutGlyph(glyphFor(ch), size);
            if (l.scale > 1 && ((x - l.left) % l.scale != 0 || (y - l.top) % l.scale != 0))
                c = shade(c, -0.25f);
        }
        return c;
    }
    switch (look.edgeKind) {
    case Edge::SHADOW:
        return inkAt(x - 1, y - 1) != INK_NONE ? look.edge : bg;
    case Edge::OUTLINE:
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (inkAt(x + dx, y + dy) != INK_NONE)
                    return look.edge;
        return bg;
    case Edge::GLOW: {
        float nearest = FAR_AWAY;
        for (int py = 0; py < size; ++py)
            for (int px = 0; px < size; ++px)
                if (inkAt(px, py) != INK_NONE)
                    nearest = std::min(nearest, std::hypot(float(px - x), float(py - y)));
        const Colour c = bg + inkColour * (0.65f * std::exp(-(nearest - 1) / 1.1f));
        return {clamp01(c.r), clamp01(c.g), clamp01(c.b)};
    }
    case Edge::DOT_MATRIX: {
        // Unlit LEDs of the glyph's matrix stay faintly visible.
        const GlyphLayout l = layoutGlyph(glyphFor(ch), size);
        const int gx = x - l.left, gy = y - l.top;
        const int cols = int(std::string_view(glyphFor(ch).rows[0]).size());
        if (gx >= 0 && gy >= 0 && gx < cols * l.scale && gy < 7 * l.scale && gx % l.scale == 0 &&
            gy % l.scale == 0)
            return look.edge;
        return bg;
    }
    case Edge::NONE:
        break;
    }
    return bg;
}

Image drawWords(const WordsLook& look, int size)
{
    Image image(5 * size, 5 * size);
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 5; ++col) {
            const char ch = WORD_ROWS[row][col];
            const std::vector<uint8_t> ink = glyphInk(ch, size);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    image.set(col * size + x, row * size + y, wordsPixel(look, ink, ch, size, x, y));
        }
    return image;
}

// ------------------------------------------------------------------ the eight styles

struct Style {
    const char* name;    // resource name suffix
    int cellSize;        // pixels
    int tileRows;        // 1, or 16 for styles that join neighbouring blocks
    Colour (*pixel)(const Tile& t, int x, int y);
    WordsLook words;
};

const Style STYLES[] = {
    {"STONES", 10, 1, stonesPixel,
     {stonesWordsBackground, rgb(240, 228, 196), rgb(240, 228, 196), rgb(14, 12, 10), Edge::SHADOW,
      rgb(120, 200, 165), 0.05f}},
    {"DIGITAL", 15, 1, digitalPixel,
     {digitalWordsBackground, rgb(255, 70, 40), rgb(255, 150, 30), rgb(40, 20, 16), Edge::DOT_MATRIX,
      rgb(60, 235, 90), 0.0f}},
    {"EXCERCISEBOOK", 20, 1, exerciseBookPixel,
     {exerciseBookWordsBackground, rgb(30, 56, 170), rgb(206, 36, 44), rgb(0, 0, 0), Edge::NONE,
      rgb(250, 210, 60), 0.12f}},
    {"MICRO", 8, 16, microPixel,
     {microWordsBackground, rgb(255, 214, 80), rgb(235, 240, 255), rgb(0, 0, 0), Edge::NONE, rgb(255, 196, 40),
      0.0f}},
    {"PINK", 10, 16, pinkPixel,
     {pinkWordsBackground, rgb(190, 30, 110), rgb(140, 60, 220), rgb(255, 250, 252), Edge::SHADOW,
      rgb(255, 200, 80), 0.0f}},
    {"BIOMASS", 12, 16, biomassPixel,
     {biomassWordsBackground, rgb(170, 240, 70), rgb(236, 178, 40), rgb(8, 26, 8), Edge::OUTLINE,
      rgb(170, 240, 70), 0.06f}},
    {"NEON", 16, 16, neonPixel,
     {neonWordsBackground, rgb(90, 240, 255), rgb(255, 70, 200), rgb(0, 0, 0), Edge::GLOW, rgb(255, 230, 60),
      0.0f}},
    {"PRIMITIVE", 10, 16, primitivePixel,
     {primitiveWordsBackground, BLACK, BLACK, rgb(0, 0, 0), Edge::NONE, rgb(255, 255, 0), 0.0f}},
};

Image drawBlocks(const Style& style)
{
    const int size = style.cellSize;
    Image image(TILE_COLUMNS * size, style.tileRows * size);
    for (int row = 0; row < style.tileRows; ++row)
        for (int column = 0; column < TILE_COLUMNS; ++column) {
            // Projection and border are only ever taken from row 0; the other
            // rows repeat it so that no row of the image is left blank.
            const bool masked = column != TILE_PROJECTION && column != TILE_BORDER;
            const Tile tile{size, column, masked ? row : 0};
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    image.set(column * size + x, row * size + y, style.pixel(tile, x, y));
        }
    return image;
}

// The window icon: an L of four neon blocks joined into one piece, on 8 px
// cells of a 4 x 4 grid.
Image drawIcon()
{
    constexpr int size = 8, cells = 4;
    static const char* const shape[cells] = {".#..", ".#..", ".##.", "...."};
    auto filled = [](int c, int r) { return c >= 0 && r >= 0 && c < cells && r < cells && shape[r][c] == '#'; };
    Image image(cells * size, cells * size);
    for (int r = 0; r < cells; ++r)
        for (int c = 0; c < cells; ++c) {
            const bool block = filled(c, r);
            int mask = 0;
            if (block) {
                mask |= filled(c - 1, r) ? MASK_LEFT : 0;
                mask |= filled(c, r - 1) ? MASK_UP : 0;
                mask |= filled(c + 1, r) ? MASK_RIGHT : 0;
                mask |= filled(c, r + 1) ? MASK_DOWN : 0;
            }
            const Tile tile{size * 2, block ? TILE_ACTIVE : TILE_EMPTY, mask};
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    image.set(c * size + x, r * size + y, neonPixel(tile, x * 2, y * 2));
        }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);

    int failures = 0;
    for (const Style& style : STYLES) {
        const std::string name = style.name;
        const std::filesystem::path blocks = directory / ("BLOCKS_" + name + ".bmp");
        const std::filesystem::path words = directory / ("WORDS_" + name + ".bmp");
        if (!drawBlocks(style).writeBmp(blocks)) {
            std::fprintf(stderr, "skingen: cannot write %s\n", blocks.string().c_str());
            ++failures;
        }
        if (!drawWords(style.words, style.cellSize).writeBmp(words)) {
            std::fprintf(stderr, "skingen: cannot write %s\n", words.string().c_str());
            ++failures;
        }
    }
    if (!drawIcon().writeBmp(directory / "DRALEN.bmp")) {
        std::fprintf(stderr, "skingen: cannot write the icon\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
