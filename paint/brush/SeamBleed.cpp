// The nearest painted texel is found in two passes over the dab's rectangle
// widened by the reach: along each row the nearest painted texel of that row,
// then, for each bare texel, the best of those rows within reach above and
// below. The nearest texel overall is the nearest of its row's for some row,
// so this is exact, and it costs the reach per texel rather than its square.
#include "paint/brush/SeamBleed.h"

#include <cstring>

#include "paint/brush/DabStamps.h"
#include "paint/brush/TexelCoverage.h"

namespace {

const int kNone = 1 << 30;  // no painted texel in reach along the row

}  // namespace

TexelRect SeamBleed::find(const TexelCoverage& coverage, const DabStamps& stamps, const TexelRect& painted, int reach) {
    moves_.clear();
    TexelRect bled;
    const int width = coverage.width(), height = coverage.height();
    if (painted.empty() || reach <= 0 || width <= 0 || height <= 0)
        return bled;
    TexelRect area = painted;
    area.include(painted.x0 - reach, painted.y0 - reach);
    area.include(painted.x1 + reach, painted.y1 + reach);
    area = area.clippedTo(width, height);
    const int w = area.width(), h = area.height();
    rowOffset_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kNone);
    for (int y = area.y0; y <= area.y1; ++y) {
        int* offsets = rowOffset_.data() + static_cast<size_t>(y - area.y0) * static_cast<size_t>(w);
        const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(width);
        // Left to right, the nearest painted texel at or before each texel; then right to left, after it.
        int last = -kNone;
        for (int x = area.x0; x <= area.x1; ++x) {
            if (stamps.stamped(rowStart + static_cast<size_t>(x)))
                last = x;
            if (x - last <= reach)
                offsets[x - area.x0] = last - x;
        }
        last = kNone;
        for (int x = area.x1; x >= area.x0; --x) {
            if (stamps.stamped(rowStart + static_cast<size_t>(x)))
                last = x;
            int& best = offsets[x - area.x0];
            if (last - x <= reach && last - x < (best == kNone ? kNone : -best))
                best = last - x;
        }
    }
    const int most = reach * reach;
    for (int y = area.y0; y <= area.y1; ++y) {
        for (int x = area.x0; x <= area.x1; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            if (coverage.covered(x, y) || stamps.stamped(at))
                continue;
            int best = most + 1, fromX = 0, fromY = 0;
            const int top = y - reach < area.y0 ? area.y0 : y - reach;
            const int bottom = y + reach > area.y1 ? area.y1 : y + reach;
            for (int row = top; row <= bottom; ++row) {
                const int dx = rowOffset_[static_cast<size_t>(row - area.y0) * static_cast<size_t>(w) +
                                          static_cast<size_t>(x - area.x0)];
                if (dx == kNone)
                    continue;
                const int squared = dx * dx + (row - y) * (row - y);
                if (squared < best) {
                    best = squared;
                    fromX = x + dx;
                    fromY = row;
                }
            }
            if (best > most)
                continue;
            moves_.push_back(
                {at, static_cast<size_t>(fromY) * static_cast<size_t>(width) + static_cast<size_t>(fromX)});
            bled.include(x, y);
        }
    }
    return bled;
}

void SeamBleed::apply(GLubyte* texels) const {
    // Painted texels are covered and bled ones are not, so no move reads a texel another writes.
    for (const Move& move : moves_)
        std::memcpy(texels + 3 * move.to, texels + 3 * move.from, 3);
}
