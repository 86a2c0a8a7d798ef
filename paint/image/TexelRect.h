#pragma once

// A rectangle of texels, columns x0..x1 and rows y0..y1 with both ends
// included, that grows to take in texels and other rectangles. A paint
// leaves one per skin it changed; the texture queue uploads just that part.
struct TexelRect {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // empty until something is taken in

    bool empty() const { return x1 < x0 || y1 < y0; }
    int width() const { return empty() ? 0 : x1 - x0 + 1; }
    int height() const { return empty() ? 0 : y1 - y0 + 1; }

    void include(int x, int y) {
        if (empty()) {
            x0 = x1 = x;
            y0 = y1 = y;
            return;
        }
        x0 = x < x0 ? x : x0;
        x1 = x > x1 ? x : x1;
        y0 = y < y0 ? y : y0;
        y1 = y > y1 ? y : y1;
    }
    void include(const TexelRect& other) {
        if (other.empty())
            return;
        include(other.x0, other.y0);
        include(other.x1, other.y1);
    }
    // The part that lies inside a width x height picture.
    TexelRect clippedTo(int width, int height) const {
        TexelRect r = *this;
        r.x0 = r.x0 < 0 ? 0 : r.x0;
        r.y0 = r.y0 < 0 ? 0 : r.y0;
        r.x1 = r.x1 >= width ? width - 1 : r.x1;
        r.y1 = r.y1 >= height ? height - 1 : r.y1;
        return r;
    }
    bool operator==(const TexelRect& o) const {
        return (empty() && o.empty()) || (x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1);
    }
};
