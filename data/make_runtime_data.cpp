// Writes the runtime data the build folder needs: the cube's two textures and
// a sample MD2 model directory with its skin. Everything is drawn here from
// code, so the build folder never holds pictures or models from elsewhere.
// Usage: make_runtime_data <output directory>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "paint/image/BmpFormat.h"

// [SECTION] pictures and BMP files
// [SECTION] the cube's textures
// [SECTION] the cottage model
// [SECTION] MD2 file
// [SECTION] main

namespace {

// ---------------------------------------------------------------- [SECTION] pictures and BMP files

struct Rgb {
    uint8_t r, g, b;
};

// Pixels row by row, y = 0 the bottom row, as textures and BMP files have them.
class Picture {
public:
    Picture(int w, int h, Rgb fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[static_cast<size_t>(y) * width + x] = c;
    }
    void fillRect(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                set(x, y, c);
    }

    int width;
    int height;
    std::vector<Rgb> pixels;
};

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "%s: write failed\n", path.c_str());
    return ok;
}

// A plain 24-bit bottom-up BMP at 72 dpi, as the program itself reads and writes them.
bool writeBmp(const std::string& path, const Picture& pic) {
    std::vector<uint8_t> rgb;
    rgb.reserve(3 * pic.pixels.size());
    for (const Rgb& c : pic.pixels)
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
    return writeFile(path, encodeBmp24(pic.width, pic.height, rgb.data(), 2835));
}

// 5 x 7 glyphs, top row first.
struct Glyph {
    char ch;
    const char* rows[7];
};
const Glyph kGlyphs[] = {
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

// Draws text with its lower left corner at (x, y), each glyph cell scale pixels.
void drawText(Picture& pic, int x, int y, int scale, const char* text, Rgb c) {
    for (; *text; ++text, x += 6 * scale) {
        for (const Glyph& g : kGlyphs) {
            if (g.ch != *text)
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g.rows[row][col] == '#')
                        pic.fillRect(x + col * scale, y + (6 - row) * scale, x + (col + 1) * scale,
                                     y + (7 - row) * scale, c);
        }
    }
}

int textWidth(const char* text, int scale) {
    return static_cast<int>(std::strlen(text)) * 6 * scale - scale;
}

// ---------------------------------------------------------------- [SECTION] the cube's textures

// How a quarter's art is laid into the texture so that it reads upright and
// unmirrored on its face seen from outside: the cube's coordinates run the
// texture's s against x on the +Z face and along y on the -Z face.
enum class Laying {
    kAsDrawn,
    kMirrored,  // s grows to the viewer's left
    kTurned,    // s grows upwards and t to the viewer's left
};

struct Quarter {
    Rgb colour;
    const char* digit;
    const char* face;  // the cube face it lands on, or "" for the unused quarter
    Laying laying;
};

Rgb darker(Rgb c) {
    return {static_cast<uint8_t>(c.r / 2), static_cast<uint8_t>(c.g / 2), static_cast<uint8_t>(c.b / 2)};
}

// One quarter: a coloured square with a dark frame, a big digit and the name
// of the face it is meant for; the unused quarter is striped. It is drawn
// upright on a square of its own, then laid into pic at (x0, y0).
void drawQuarter(Picture& pic, int x0, int y0, int size, const Quarter& q) {
    Picture art(size, size, {0, 0, 0});
    const Rgb frame = darker(q.colour);
    art.fillRect(0, 0, size, size, frame);
    art.fillRect(6, 6, size - 6, size - 6, q.colour);
    if (!*q.face)
        for (int y = 6; y < size - 6; ++y)
            for (int x = 6; x < size - 6; ++x)
                if ((x + y) / 8 % 2 == 0)
                    art.set(x, y, frame);
    const Rgb ink = {20, 20, 20};
    const int big = size / 13;
    drawText(art, (size - textWidth(q.digit, big)) / 2, size - 12 - 7 * big, big, q.digit, ink);
    const int small = size / 32;
    if (*q.face)
        drawText(art, (size - textWidth(q.face, small)) / 2, 12, small, q.face, ink);
    for (int v = 0; v < size; ++v)
        for (int u = 0; u < size; ++u) {
            // The art's pixel that lands at (u, v) of the quarter.
            int x = u, y = v;
            if (q.laying == Laying::kMirrored)
                x = size - 1 - u;
            else if (q.laying == Laying::kTurned)
                x = size - 1 - v, y = u;
            pic.set(x0 + u, y0 + v, art.pixels[static_cast<size_t>(y) * size + x]);
        }
}

// Quarters in the order bottom left, top left, bottom right, top right
// (s then t from 0 to 0.5 and 0.5 to 1; t = 0 is the bottom row).
Picture makeTiles(const Quarter (&quarters)[4]) {
    const int size = 256;
    const int half = size / 2;
    Picture pic(size, size, {0, 0, 0});
    drawQuarter(pic, 0, 0, half, quarters[0]);
    drawQuarter(pic, 0, half, half, quarters[1]);
    drawQuarter(pic, half, 0, half, quarters[2]);
    drawQuarter(pic, half, half, half, quarters[3]);
    return pic;
}

// ---------------------------------------------------------------- [SECTION] the cottage model

const float kNormalTable[162][3] = {
#include "plugins/keyform/Md2Normals.inc"
};

struct Vec3 {
    float x, y, z;
};

Vec3 sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The cottage is built y up, door towards +z; its file is laid out as MD2
// models are, +Z up and facing +X (a turn, so nothing is mirrored).
Vec3 asMd2(Vec3 v) {
    return {v.z, v.x, v.y};
}

// The table entry closest in direction to n (given in the cottage's axes).
uint8_t nearestNormal(Vec3 n) {
    n = asMd2(n);
    float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    int best = 0;
    float bestDot = -2.0f;
    for (int i = 0; i < 162; ++i) {
        float d = (kNormalTable[i][0] * n.x + kNormalTable[i][1] * n.y + kNormalTable[i][2] * n.z) / len;
        if (d > bestDot) {
            bestDot = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

// Skin regions in skin pixels, t down from the top as MD2 counts it.
struct Region {
    int s0, t0, s1, t1;
};

const int kSkinSize = 128;
const Region kFrontWall = {0, 0, 64, 64};
const Region kSideWall = {64, 0, 128, 64};
const Region kRoof = {0, 64, 64, 128};
const Region kGable = {64, 64, 128, 128};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<uint8_t> normals;
    std::vector<int16_t> st;    // s, t pairs
    std::vector<int16_t> tris;  // three vertex, then three st indices each
};

int16_t addPoint(Mesh& m, Vec3 p, uint8_t normal, int s, int t) {
    m.positions.push_back(asMd2(p));
    m.normals.push_back(normal);
    m.st.push_back(static_cast<int16_t>(s));
    m.st.push_back(static_cast<int16_t>(t));
    // Vertices and texture coordinates are numbered alike here.
    return static_cast<int16_t>(m.positions.size() - 1);
}

void addTriangle(Mesh& m, int16_t a, int16_t b, int16_t c) {
    const int16_t corners[6] = {a, b, c, a, b, c};
    m.tris.insert(m.tris.end(), corners, corners + 6);
}

// A flat quad p0..p3 counter-clockwise seen from outside, p0 its lower left,
// showing region r upright.
void addQuad(Mesh& m, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, Region r) {
    uint8_t n = nearestNormal(cross(sub(p0, p1), sub(p1, p2)));
    int16_t a = addPoint(m, p0, n, r.s0, r.t1);
    int16_t b = addPoint(m, p1, n, r.s1, r.t1);
    int16_t c = addPoint(m, p2, n, r.s1, r.t0);
    int16_t d = addPoint(m, p3, n, r.s0, r.t0);
    addTriangle(m, a, b, c);
    addTriangle(m, a, c, d);
}

// A triangle p0, p1 along the bottom of region r and p2 at its top centre.
void addGable(Mesh& m, Vec3 p0, Vec3 p1, Vec3 p2, Region r) {
    uint8_t n = nearestNormal(cross(sub(p0, p1), sub(p1, p2)));
    int16_t a = addPoint(m, p0, n, r.s0, r.t1);
    int16_t b = addPoint(m, p1, n, r.s1, r.t1);
    int16_t c = addPoint(m, p2, n, (r.s0 + r.s1) / 2, r.t0);
    addTriangle(m, a, b, c);
}

// A small house, y up, its door facing +z. lift raises the roof, so that the
// frames differ where a viewer would see it.
Mesh makeCottage(float lift) {
    const float w = 1.0f, d = 0.8f, base = -1.2f, eaves = 0.4f, ridge = 1.3f + lift, over = 0.15f;
    Mesh m;
    // Walls.
    addQuad(m, {-w, base, d}, {w, base, d}, {w, eaves, d}, {-w, eaves, d}, kFrontWall);
    addQuad(m, {w, base, -d}, {-w, base, -d}, {-w, eaves, -d}, {w, eaves, -d}, kSideWall);
    addQuad(m, {w, base, d}, {w, base, -d}, {w, eaves, -d}, {w, eaves, d}, kSideWall);
    addQuad(m, {-w, base, -d}, {-w, base, d}, {-w, eaves, d}, {-w, eaves, -d}, kSideWall);
    // Floor.
    addQuad(m, {-w, base, -d}, {w, base, -d}, {w, base, d}, {-w, base, d}, kGable);
    // Gables.
    addGable(m, {w, eaves, d}, {w, eaves, -d}, {w, ridge, 0.0f}, kGable);
    addGable(m, {-w, eaves, -d}, {-w, eaves, d}, {-w, ridge, 0.0f}, kGable);
    // Roof, overhanging the walls.
    const float e = eaves - over * (ridge - eaves) / d;
    addQuad(m, {-w - over, e, d + over}, {w + over, e, d + over}, {w + over, ridge, 0.0f}, {-w - over, ridge, 0.0f},
            kRoof);
    addQuad(m, {w + over, e, -d - over}, {-w - over, e, -d - over}, {-w - over, ridge, 0.0f}, {w + over, ridge, 0.0f},
            kRoof);
    return m;
}

Picture makeCottageSkin() {
    // Drawn with t down from the top, then stored bottom row first.
    Picture pic(kSkinSize, kSkinSize, {0, 0, 0});
    auto rect = [&pic](Region r, Rgb c) { pic.fillRect(r.s0, kSkinSize - r.t1, r.s1, kSkinSize - r.t0, c); };
    const Rgb wall = {236, 222, 180}, timber = {110, 70, 40}, glass = {120, 180, 230}, tile = {180, 50, 40};
    rect(kFrontWall, wall);
    rect({26, 30, 38, 64}, timber);  // door
    rect({8, 14, 20, 26}, glass);
    rect({44, 14, 56, 26}, glass);
    rect(kSideWall, wall);
    rect({88, 18, 104, 34}, glass);
    rect({95, 18, 97, 34}, timber);
    rect(kRoof, tile);
    for (int t = 68; t < 128; t += 8)
        rect({0, t, 64, t + 2}, darker(tile));
    rect(kGable, {200, 186, 150});
    rect({90, 104, 102, 116}, glass);
    return pic;
}

// ---------------------------------------------------------------- [SECTION] MD2 file

void appendFloat(std::vector<uint8_t>& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    appendLe32(b, bits);
}

// The 68-byte header of a file with one skin and frames of the first frame's
// layout, its sections in the order skins, st, triangles, frames, commands.
void appendMd2Header(std::vector<uint8_t>& b, const Mesh& first, uint32_t numFrames) {
    const uint32_t numXyz = static_cast<uint32_t>(first.positions.size());
    const uint32_t numSt = static_cast<uint32_t>(first.st.size() / 2);
    const uint32_t numTris = static_cast<uint32_t>(first.tris.size() / 6);
    const uint32_t frameSize = 40 + 4 * numXyz;
    const uint32_t numGlcmds = 1;  // just the list's terminating zero
    const uint32_t ofsSkins = 68;
    const uint32_t ofsSt = ofsSkins + 64;
    const uint32_t ofsTris = ofsSt + 4 * numSt;
    const uint32_t ofsFrames = ofsTris + 12 * numTris;
    const uint32_t ofsGlcmds = ofsFrames + frameSize * numFrames;
    const uint32_t ofsEnd = ofsGlcmds + 4 * numGlcmds;
    // ident "IDP2", version, skin width and height, frame size, then the counts and the offsets.
    const uint32_t fields[] = {0x32504449, 8,       kSkinSize, kSkinSize, frameSize, 1,
                               numXyz,     numSt,   numTris,   numGlcmds, numFrames, ofsSkins,
                               ofsSt,      ofsTris, ofsFrames, ofsGlcmds, ofsEnd};
    for (uint32_t v : fields)
        appendLe32(b, v);
}

// One frame: scale and translate that pack its bounding box into bytes, its
// name, then each vertex as three packed bytes and a normal index.
void appendMd2Frame(std::vector<uint8_t>& b, const Mesh& frame, int number) {
    Vec3 lo = frame.positions.front(), hi = lo;
    for (const Vec3& p : frame.positions) {
        lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
        hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
    }
    const float scale[3] = {(hi.x - lo.x) / 255.0f, (hi.y - lo.y) / 255.0f, (hi.z - lo.z) / 255.0f};
    const float translate[3] = {lo.x, lo.y, lo.z};
    for (float f : scale)
        appendFloat(b, f);
    for (float f : translate)
        appendFloat(b, f);
    char name[16] = {};
    std::snprintf(name, sizeof name, "stand%d", number);
    b.insert(b.end(), name, name + sizeof name);
    for (size_t i = 0; i < frame.positions.size(); ++i) {
        const float p[3] = {frame.positions[i].x, frame.positions[i].y, frame.positions[i].z};
        for (int k = 0; k < 3; ++k) {
            float packed = scale[k] > 0.0f ? (p[k] - translate[k]) / scale[k] : 0.0f;
            b.push_back(static_cast<uint8_t>(std::lround(std::fmin(std::fmax(packed, 0.0f), 255.0f))));
        }
        b.push_back(frame.normals[i]);
    }
}

std::vector<uint8_t> md2Bytes(const std::vector<Mesh>& frames, const char* skinName) {
    const Mesh& first = frames.front();
    std::vector<uint8_t> b;
    appendMd2Header(b, first, static_cast<uint32_t>(frames.size()));
    char skin[64] = {};
    std::snprintf(skin, sizeof skin, "%s", skinName);
    b.insert(b.end(), skin, skin + sizeof skin);
    for (int16_t v : first.st)
        appendLe16(b, static_cast<uint16_t>(v));
    for (int16_t v : first.tris)
        appendLe16(b, static_cast<uint16_t>(v));
    int index = 0;
    for (const Mesh& frame : frames)
        appendMd2Frame(b, frame, ++index);
    appendLe32(b, 0);  // end of the (empty) GL command list
    return b;
}

}  // namespace

// ---------------------------------------------------------------- [SECTION] main

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_runtime_data <output directory>\n");
        return 2;
    }
    const std::string out = argv[1];

    // First texture: bottom (y = -1), back (z = -1), left (x = -1) faces.
    const Quarter first[4] = {{{230, 70, 60}, "1", "-Y", Laying::kAsDrawn},
                              {{80, 200, 90}, "2", "-Z", Laying::kTurned},
                              {{70, 120, 235}, "3", "-X", Laying::kAsDrawn},
                              {{160, 160, 160}, "4", "", Laying::kAsDrawn}};
    // Second texture: top (y = +1), front (z = +1), right (x = +1) faces.
    const Quarter second[4] = {{{240, 220, 60}, "5", "+Z", Laying::kMirrored},
                               {{220, 90, 220}, "6", "+Y", Laying::kAsDrawn},
                               {{70, 220, 220}, "7", "+X", Laying::kAsDrawn},
                               {{120, 120, 120}, "8", "", Laying::kAsDrawn}};
    bool ok = writeBmp(out + "/tiles.bmp", makeTiles(first));
    ok = writeBmp(out + "/tiles2.bmp", makeTiles(second)) && ok;

    const std::string dir = out + "/cottage";
    mkdir(dir.c_str(), 0755);
    std::vector<Mesh> frames = {makeCottage(0.0f), makeCottage(0.25f), makeCottage(0.5f)};
    // The skin is named with directories, as models usually name theirs; the
    // model finds it in its own directory under the last part of the name.
    ok = writeFile(dir + "/tris.md2", md2Bytes(frames, "models/cottage/skin.bmp")) && ok;
    ok = writeBmp(dir + "/skin.bmp", makeCottageSkin()) && ok;
    return ok ? 0 : 1;
}
