// The painter's texel walk before it was made fast, frozen as the reference: sample by sample, in double rounded to
// float where a value is kept. It lists the texels it would blend, with their weights, in the order it reaches them.
#pragma once

#include <cmath>
#include <vector>

#include "paint/brush/BrushSnapshot.h"
#include "paint/mesh/PolyMesh.h"

namespace painttest {

struct Hit {
    int x, y;
    double opacity;
};

class ReferenceWalk {
public:
    ReferenceWalk(const BrushSnapshot& brush, const float* offset) : brush_(brush) {
        for (int k = 0; k < 3; ++k)
            offset_[k] = offset[k];
    }

    // Every blend the walk makes over a width x height image, or nothing when tri cannot be painted.
    std::vector<Hit> walk(PolyMesh::Triangle* tri, int width, int height) {
        hits_.clear();
        if (!measure(tri) || width < 1 || height < 1)
            return hits_;
        width_ = width;
        height_ = height;
        range(width_, &sLow_, &sHigh_);
        range(height_, &tLow_, &tHigh_);
        const double pix_w = std::ceil(static_cast<double>(high_.s - low_.s) * width_);
        const double pix_h = std::ceil(static_cast<double>(tMax_ - tMin_) * height_);
        const float step_s = static_cast<float>((high_.s - low_.s) / pix_w);
        stepT_ = static_cast<float>((tMax_ - tMin_) / pix_h);
        for (float s = firstAtOrAbove(low_.s, step_s, sLow_); s <= high_.s && s < sHigh_;) {
            column(s);
            const float next = s + step_s;
            if (next == s)
                break;
            s = next;
        }
        return hits_;
    }

private:
    struct Corner {
        float s, t, pos[3];
    };

    static void lerp3(const float* a, const float* b, float f, float* out) {
        for (int k = 0; k < 3; ++k)
            out[k] = static_cast<float>(a[k] + static_cast<double>(b[k] - a[k]) * f);
    }
    static float lerp1(float a, float b, float f) { return static_cast<float>(a + static_cast<double>(b - a) * f); }
    static float fraction(float v, float from, float to) {
        return static_cast<float>((static_cast<double>(v) - from) / (static_cast<double>(to) - from));
    }
    static void range(int size, double* low, double* high) {
        const double texel = size > 1 ? 1.0 / (size - 1) : 1.0;
        *low = -texel;
        *high = 1.0 + texel;
    }
    static float firstAtOrAbove(float from, float step, double lowest) {
        if (!(from < lowest) || !(step > 0.0f))
            return from;
        const double k = std::floor((lowest - from) / step) - 1.0;
        float at = k > 0.0 ? static_cast<float>(from + k * static_cast<double>(step)) : from;
        while (at < lowest) {
            const float next = at + step;
            if (next == at)
                break;
            at = next;
        }
        return at;
    }

    bool measure(PolyMesh::Triangle* tri) {
        Corner c[3];
        float s_min = 2.0f, s_max = -1.0f;
        int lo = -1, hi = -1;
        tMin_ = 2.0f;
        tMax_ = -1.0f;
        for (unsigned int i = 0; i < 3; ++i) {
            if (!tri->tcs[i])
                return false;
            float st[2];
            tri->getVertexTexCoords(i, st);
            tri->getVertexLocation(i, c[i].pos);
            c[i].s = st[0];
            c[i].t = st[1];
            if (st[0] < s_min) {
                s_min = st[0];
                lo = static_cast<int>(i);
            }
            if (st[0] > s_max) {
                s_max = st[0];
                hi = static_cast<int>(i);
            }
            tMin_ = st[1] < tMin_ ? st[1] : tMin_;
            tMax_ = st[1] > tMax_ ? st[1] : tMax_;
        }
        if (lo < 0 || hi < 0)
            return false;
        int mid = 0;
        while (mid == lo || mid == hi)
            ++mid;
        low_ = c[lo];
        mid_ = c[mid];
        high_ = c[hi];
        return true;
    }

    void column(float s) {
        float a_pt[3], b_pt[3], t_b;
        float p = fraction(s, low_.s, high_.s);
        const float t_a = lerp1(low_.t, high_.t, p);
        lerp3(low_.pos, high_.pos, p, a_pt);
        const Corner& from = s <= mid_.s ? low_ : mid_;
        const Corner& to = s <= mid_.s ? mid_ : high_;
        p = fraction(s, from.s, to.s);
        t_b = lerp1(from.t, to.t, p);
        lerp3(from.pos, to.pos, p, b_pt);
        if (t_a > t_b)
            row(s, t_b, t_a, b_pt, a_pt);
        else
            row(s, t_a, t_b, a_pt, b_pt);
    }

    void row(float s, float t_lo, float t_hi, const float* lo_pt, const float* hi_pt) {
        for (float t = firstAtOrAbove(t_lo, stepT_, tLow_); t <= t_hi && t < tHigh_;) {
            float local[3], scene[3], dist;
            lerp3(lo_pt, hi_pt, fraction(t, t_lo, t_hi), local);
            for (int k = 0; k < 3; ++k)
                scene[k] = local[k] + offset_[k];
            const double x = (width_ - 1) * static_cast<double>(s), y = (height_ - 1) * static_cast<double>(t);
            const bool fits = x > -2147483649.0 && x < 2147483648.0 && y > -2147483649.0 && y < 2147483648.0;
            if (brush_.contains(scene, dist) && fits)
                hits_.push_back({static_cast<int>(x), static_cast<int>(y), brush_.opacityAt(dist)});
            const float next = t + stepT_;
            if (next == t)
                break;
            t = next;
        }
    }

    const BrushSnapshot brush_;
    float offset_[3];
    Corner low_{}, mid_{}, high_{};
    float tMin_ = 0, tMax_ = 0, stepT_ = 0;
    int width_ = 0, height_ = 0;
    double sLow_ = 0, sHigh_ = 0, tLow_ = 0, tHigh_ = 0;
    std::vector<Hit> hits_;
};

}  // namespace painttest
