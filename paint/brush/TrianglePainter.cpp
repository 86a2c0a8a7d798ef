// The texel walk of the painter. Of corners with equal s the lowest index is
// taken as the lowest (and the highest) corner. Every expression is evaluated
// in double and rounded to float where a value is kept, so the texels hit do
// not depend on how the compiler orders float arithmetic. Undefined (NaN)
// quotients compare false everywhere, which empties degenerate spans and ends
// a walk whose step is undefined. The walk is kept to the texture coordinates
// that map to texels of the image, so a triangle whose coordinates lie far
// outside 0..1 costs no more than one that covers the image once. Each row
// first works out, with room to spare, the span of t its samples could be
// inside the brush in; the samples outside it are only stepped over, which
// changes no texel since they could never pass the brush's inside test.
// Samples are taken in batches: first every sample's point and squared
// distance (independent of one another), then the blends, in walk order.
// Dividing and stepping take the exact shortcuts of TexelStepping.
#include "paint/brush/TrianglePainter.h"

#include <climits>
#include <cmath>
#include <limits>

#include "paint/brush/TexelStepping.h"

namespace {

const int kBatch = 64;      // samples of a row mapped back before any is blended
const int kFewSamples = 8;  // fewer are cheaper to divide one by one than through a reciprocal

// Truncation toward zero, refusing what no int can hold.
bool truncateToInt(double v, int* out) {
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return false;
    *out = static_cast<int>(v);
    return true;
}

// a + (b - a) * f per axis, rounded to float.
void lerp3(const float* a, const float* b, float f, float* out) {
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<float>(a[k] + static_cast<double>(b[k] - a[k]) * f);
}

float lerp1(float a, float b, float f) {
    return static_cast<float>(a + static_cast<double>(b - a) * f);
}

// (v - from) / (to - from), rounded to float.
float fraction(float v, float from, float to) {
    return static_cast<float>((static_cast<double>(v) - from) / (static_cast<double>(to) - from));
}

}  // namespace

TrianglePainter::TrianglePainter(const BrushSnapshot& brush, const float* offset)
    : brush_(brush),
      low_(),
      mid_(),
      high_(),
      tMin_(0),
      tMax_(0),
      stepT_(0),
      canvas_(nullptr),
      width_(0),
      height_(0),
      column_(0),
      radiusSquared_(0),
      reachSlack_(0),
      wholeRows_(false),
      clearance_(0),
      columnSpeed_(-1),
      sLow_(0),
      sHigh_(0),
      tLow_(0),
      tHigh_(0),
      rangeWidth_(0),
      rangeHeight_(0),
      samples_(0) {
    for (int k = 0; k < 3; ++k) {
        colour_[k] = brush.colour[k];
        offset_[k] = offset[k];
    }
    // A squared distance at least this far beyond the radius stays outside
    // after the root is taken and rounded to float.
    radiusSquared_ = brush.radius * brush.radius * (1.0 + 1e-6);
}

bool TrianglePainter::measure(PolyMesh::Triangle* tri) {
    Corner corners[3];
    float s_min = 2.0f, s_max = -1.0f;
    int s_min_pt = -1, s_max_pt = -1;
    tMin_ = 2.0f;
    tMax_ = -1.0f;
    for (unsigned int i = 0; i < 3; ++i) {
        if (!tri->tcs[i])
            return false;
        float st[2];
        tri->getVertexTexCoords(i, st);
        tri->getVertexLocation(i, corners[i].pos);
        corners[i].s = st[0];
        corners[i].t = st[1];
        if (st[0] < s_min) {
            s_min = st[0];
            s_min_pt = static_cast<int>(i);
        }
        if (st[0] > s_max) {
            s_max = st[0];
            s_max_pt = static_cast<int>(i);
        }
        tMin_ = st[1] < tMin_ ? st[1] : tMin_;
        tMax_ = st[1] > tMax_ ? st[1] : tMax_;
    }
    if (s_min_pt < 0 || s_max_pt < 0)
        return false;
    int s_mid_pt = 0;
    while (s_mid_pt == s_min_pt || s_mid_pt == s_max_pt)
        ++s_mid_pt;
    low_ = corners[s_min_pt];
    mid_ = corners[s_mid_pt];
    high_ = corners[s_max_pt];
    return true;
}

namespace {

// The open range of coordinates that map to one of `size` texels: coordinate
// c maps to the truncation of (size - 1) * c, so the range reaches one
// texel's width (at least 1) beyond 0 and 1.
void texelRange(int size, double* low, double* high) {
    double texel = size > 1 ? 1.0 / (size - 1) : 1.0;
    *low = -texel;
    *high = 1.0 + texel;
}

}  // namespace

float TrianglePainter::firstAtOrAbove(float from, float step, double lowest) {
    if (!(from < lowest) || !(step > 0.0f))
        return from;
    // Jump close below lowest, then step on as the walk does.
    double k = std::floor((lowest - from) / step) - 1.0;
    float at = k > 0.0 ? static_cast<float>(from + k * static_cast<double>(step)) : from;
    while (at < lowest) {
        float next = at + step;
        if (next == at)
            break;
        at = next;
    }
    return at;
}

void TrianglePainter::paint(DabCanvas& canvas) {
    canvas_ = &canvas;
    width_ = canvas.width();
    height_ = canvas.height();
    if (width_ < 1 || height_ < 1 || !brush_.sphere)
        return;  // no texel to paint, or a brush that contains no point
    if (width_ != rangeWidth_ || height_ != rangeHeight_) {
        texelRange(width_, &sLow_, &sHigh_);
        texelRange(height_, &tLow_, &tHigh_);
        rangeWidth_ = width_;
        rangeHeight_ = height_;
    }
    const float s_min = low_.s, s_max = high_.s;
    // Texel counts stay in double: they only feed the steps, and far-out
    // coordinates must not overflow an int. 0/0 for a triangle without
    // extent: the NaN step ends the walk.
    const double pix_w = std::ceil(static_cast<double>(s_max - s_min) * width_);
    const double pix_h = std::ceil(static_cast<double>(tMax_ - tMin_) * height_);
    const float step_s = static_cast<float>((s_max - s_min) / pix_w);
    stepT_ = static_cast<float>((tMax_ - tMin_) / pix_h);
    measureReach();
    columnSpeed_ = -1.0;
    for (float s = firstAtOrAbove(s_min, step_s, sLow_); s <= s_max && s < sHigh_;) {
        clearance_ = 0.0;
        // Size minus one: s = 1 maps to the last column. A column beside
        // the picture has no texel to blend.
        if (truncateToInt((width_ - 1) * static_cast<double>(s), &column_) && column_ >= 0 && column_ < width_)
            walkColumn(s);
        float next_s = s + step_s;
        if (next_s == s)
            break;  // a step below float resolution
        if (clearance_ > 0.0) {
            // The columns nearer than the column's clearance allows cannot reach the brush.
            const double skip = 0.999 * clearance_ / columnSpeed();
            if (skip > 0.0 && std::isfinite(skip))
                next_s = stepUntil(next_s, step_s, s + skip);
        }
        s = next_s;
    }
}

// How fast a column's ends move through space as s grows: the fastest edge
// that spans some s. Every point of a column lies within this speed times
// the change of s of a point of another column.
double TrianglePainter::columnSpeed() {
    if (columnSpeed_ >= 0.0)
        return columnSpeed_;
    const Corner* corners[3] = {&low_, &mid_, &high_};
    columnSpeed_ = 0.0;
    for (int i = 0; i < 3; ++i) {
        const Corner& a = *corners[i];
        const Corner& b = *corners[(i + 1) % 3];
        const double across = std::fabs(static_cast<double>(b.s) - a.s);
        double length = 0;
        for (int k = 0; k < 3; ++k)
            length += (static_cast<double>(b.pos[k]) - a.pos[k]) * (static_cast<double>(b.pos[k]) - a.pos[k]);
        if (across > 0.0)
            columnSpeed_ = std::fmax(columnSpeed_, std::sqrt(length) / across);
    }
    return columnSpeed_;
}

// How far the triangle reaches from the brush's centre. Every point of a
// row lies within the farthest corner's distance of the centre and within
// the longest edge of the row's other end, which bounds the slack rowReach
// allows for rounding.
void TrianglePainter::measureReach() {
    const Corner* corners[3] = {&low_, &mid_, &high_};
    double farthest = 0, longest = 0;
    for (int i = 0; i < 3; ++i) {
        double away = 0, edge = 0;
        for (int k = 0; k < 3; ++k) {
            const double d = static_cast<double>(corners[i]->pos[k]) + offset_[k] - brush_.center[k];
            const double e = static_cast<double>(corners[i]->pos[k]) - corners[(i + 1) % 3]->pos[k];
            away += d * d;
            edge += e * e;
        }
        farthest = away > farthest ? away : farthest;
        longest = edge > longest ? edge : longest;
    }
    wholeRows_ = farthest < brush_.radius * brush_.radius;
    if (!wholeRows_)
        reachSlack_ = 1e-4 * (brush_.radius + std::sqrt(farthest) + std::sqrt(longest));
}

// One column of constant s: rows of t between the long edge (lowest to
// highest corner) and the short edge in use.
void TrianglePainter::walkColumn(float s) {
    float a_pt[3], b_pt[3];
    float p = fraction(s, low_.s, high_.s);
    const float t_a = lerp1(low_.t, high_.t, p);
    lerp3(low_.pos, high_.pos, p, a_pt);
    float t_b;
    if (s <= mid_.s) {
        p = fraction(s, low_.s, mid_.s);
        t_b = lerp1(low_.t, mid_.t, p);
        lerp3(low_.pos, mid_.pos, p, b_pt);
    } else {
        p = fraction(s, mid_.s, high_.s);
        t_b = lerp1(mid_.t, high_.t, p);
        lerp3(mid_.pos, high_.pos, p, b_pt);
    }
    if (t_a > t_b)
        walkRow(t_b, t_a, b_pt, a_pt);
    else
        walkRow(t_a, t_b, a_pt, b_pt);
}

bool TrianglePainter::rowReach(const Row& row, double* from, double* to, double* clearance) const {
    const double span = static_cast<double>(row.tHi) - row.tLo;
    if (!(span > 0.0))
        return false;  // every sample's fraction is 0/0: no point to paint
    if (wholeRows_) {
        *from = -std::numeric_limits<double>::infinity();
        *to = std::numeric_limits<double>::infinity();
        return true;
    }
    // Points lo + f (hi - lo) within the radius, widened by far more than
    // the rounding of the samples' points: a A + f D, |A + f D| < R.
    double a_len = 0, d_len = 0, ad = 0;
    for (int k = 0; k < 3; ++k) {
        const double a = row.lo[k] + offset_[k] - brush_.center[k], d = row.diff[k];
        a_len += a * a;
        d_len += d * d;
        ad += a * d;
    }
    const double reach = brush_.radius + reachSlack_;
    const double c = a_len - reach * reach, b = 2.0 * ad;
    const double disc = b * b - 4.0 * d_len * c;
    if (!std::isfinite(c) || !std::isfinite(disc) || !std::isfinite(d_len) || !std::isfinite(span)) {
        *from = -std::numeric_limits<double>::infinity();  // test every sample
        *to = std::numeric_limits<double>::infinity();
        return true;
    }
    if (disc < 0.0 || (d_len == 0.0 && c >= 0.0)) {
        // The row's line passes this far beyond the widened brush.
        const double apart = d_len > 0.0 ? reach * reach - disc / (4.0 * d_len) : a_len;
        *clearance = apart > reach * reach ? (apart - reach * reach) / (std::sqrt(apart) + reach) : 0.0;
        return false;
    }
    double f0 = -std::numeric_limits<double>::infinity(), f1 = std::numeric_limits<double>::infinity();
    if (d_len > 0.0) {
        // Roots in the form that loses no digits when b is large.
        const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
        const double r0 = q / d_len, r1 = q != 0.0 ? c / q : 0.0;
        f0 = std::fmin(r0, r1) - 1e-4;
        f1 = std::fmax(r0, r1) + 1e-4;
    }
    const double slack = 1e-6 * (std::fabs(static_cast<double>(row.tLo)) + std::fabs(static_cast<double>(row.tHi)));
    *from = row.tLo + f0 * span - slack;
    *to = row.tLo + f1 * span + slack;
    return true;
}

void TrianglePainter::walkRow(float t_lo, float t_hi, const float* lo_pt, const float* hi_pt) {
    Row row;
    row.tLo = t_lo;
    row.tHi = t_hi;
    for (int k = 0; k < 3; ++k) {
        row.lo[k] = lo_pt[k];
        row.diff[k] = hi_pt[k] - lo_pt[k];  // in float, as each sample's point is found
    }
    double from, to;
    if (!rowReach(row, &from, &to, &clearance_))
        return;
    float batch[kBatch];
    int lowest = INT_MAX, highest = INT_MIN;
    bool more = true;
    // Samples below from are only stepped over.
    float t = firstAtOrAbove(t_lo, stepT_, tLow_);
    t = stepUntil(t, stepT_, std::fmin(from, static_cast<double>(t_hi)));
    while (more) {
        int n = 0;
        while (n < kBatch) {
            if (!(t <= t_hi && t < tHigh_) || t > to) {
                more = false;
                break;
            }
            if (t >= from)
                batch[n++] = t;
            const float next_t = t + stepT_;
            if (next_t == t) {
                more = false;
                break;
            }
            t = next_t;
        }
        sampleRow(row, batch, n, &lowest, &highest);
    }
    if (lowest <= highest)
        canvas_->markChanged(column_, lowest, highest);
}

// The distance is summed as the brush's own inside test sums it; the square
// root is taken only for samples that may be inside.
void TrianglePainter::sampleRow(const Row& row, const float* t, int n, int* lowest, int* highest) {
    float f[kBatch], squared[kBatch];
    if (n >= kFewSamples) {
        FloatDivisor span;
        span.set(static_cast<double>(row.tHi) - row.tLo);
        span.fractions(t, row.tLo, n, f);
    } else {
        for (int i = 0; i < n; ++i)
            f[i] = fraction(t[i], row.tLo, row.tHi);
    }
    const double lo0 = row.lo[0], lo1 = row.lo[1], lo2 = row.lo[2];
    const double diff0 = row.diff[0], diff1 = row.diff[1], diff2 = row.diff[2];
    for (int i = 0; i < n; ++i) {
        const double fi = f[i];
        const float d0 = (static_cast<float>(lo0 + diff0 * fi) + offset_[0]) - brush_.center[0];
        const float d1 = (static_cast<float>(lo1 + diff1 * fi) + offset_[1]) - brush_.center[1];
        const float d2 = (static_cast<float>(lo2 + diff2 * fi) + offset_[2]) - brush_.center[2];
        const float sum = static_cast<float>(static_cast<double>(d0) * d0);
        const float sum2 = static_cast<float>(sum + static_cast<double>(d1) * d1);
        squared[i] = static_cast<float>(sum2 + static_cast<double>(d2) * d2);
    }
    samples_ += n;
    for (int i = 0; i < n; ++i) {
        if (!(static_cast<double>(squared[i]) < radiusSquared_))
            continue;
        const float dist = static_cast<float>(std::sqrt(static_cast<double>(squared[i])));
        int y;
        if (brush_.radius > dist && truncateToInt((height_ - 1) * static_cast<double>(t[i]), &y) &&
            canvas_->blendTexel(column_, y, colour_, brush_.opacityAt(dist))) {
            *lowest = y < *lowest ? y : *lowest;
            *highest = y > *highest ? y : *highest;
        }
    }
}
