// Key-framed splines: Kochanek-Bartels (tension, continuity, bias) curves
// through integer-frame keys, or straight lines, per channel.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "mwmath.h"

namespace {

const char kOwner[] = "mwspline";

void *allocZeroed(int line, long long bytes)
{
    if (bytes > INT_MAX)
        mwError(kOwner, line, "mwmSplineCreate", MW_ERR_OUT_OF_MEMORY);
    void *block = mwDMemAlloc(kOwner, line, static_cast<int>(bytes));
    std::memset(block, 0, static_cast<size_t>(bytes));
    return block;
}

// Kochanek-Bartels tangents of the segment from key i to key i + 1, in the
// segment's own parameter units. At the ends of the spline the chord of the
// segment stands in for the missing neighbour.
struct Tangents {
    double out, in;
};

Tangents tangents(const mwmSPLINE &s, int i, int channel)
{
    const mwmSPLINEKEY &k0 = s.keys[i];
    const mwmSPLINEKEY &k1 = s.keys[i + 1];
    const double v0 = k0.values[channel], v1 = k1.values[channel];
    const double d = double(k1.frame) - k0.frame;

    const double t0 = 1.0 - k0.tension, t1 = 1.0 - k1.tension;
    const double a = t0 * (1.0 + k0.continuity) * (1.0 + k0.bias);
    const double b = t0 * (1.0 - k0.continuity) * (1.0 - k0.bias);
    const double c = t1 * (1.0 + k1.continuity) * (1.0 - k1.bias);
    const double e = t1 * (1.0 - k1.continuity) * (1.0 + k1.bias);

    Tangents r;
    // NOTE: the neighbour index is checked as well as the frame against
    // start and end: a caller's start or end that disagrees with the keys
    // must not send the lookup outside the key array.
    const double spanBefore = i > 0 ? double(k1.frame) - s.keys[i - 1].frame : 0.0;
    if (i > 0 && k0.frame > s.start && spanBefore > 0.0) {
        const double vPrev = s.keys[i - 1].values[channel];
        r.out = (a * (v0 - vPrev) + b * (v1 - v0)) * d / spanBefore;
    } else {
        r.out = (v1 - v0) * (a + b) * 0.5;
    }
    const double spanAfter = i + 2 < s.keyCount ? double(s.keys[i + 2].frame) - k0.frame : 0.0;
    if (i + 2 < s.keyCount && k1.frame < s.end && spanAfter > 0.0) {
        const double vNext = s.keys[i + 2].values[channel];
        r.in = (c * (vNext - v1) + e * (v1 - v0)) * d / spanAfter;
    } else {
        r.in = (v1 - v0) * (c + e) * 0.5;
    }
    return r;
}

} // namespace

extern "C" {

mwmSPLINE *mwmSplineCreate(int keyCount, int channels)
{
    if (keyCount < 1 || channels < 1)
        return nullptr;
    const long long valueBytes = static_cast<long long>(channels) * sizeof(float);
    auto *spline = static_cast<mwmSPLINE *>(allocZeroed(__LINE__, sizeof(mwmSPLINE)));
    spline->keys = static_cast<mwmSPLINEKEY *>(
        allocZeroed(__LINE__, static_cast<long long>(keyCount) * sizeof(mwmSPLINEKEY)));
    spline->values = static_cast<float *>(allocZeroed(__LINE__, valueBytes));
    for (int k = 0; k < keyCount; ++k)
        spline->keys[k].values = static_cast<float *>(allocZeroed(__LINE__, valueBytes));
    spline->keyCount = keyCount;
    spline->channels = channels;
    return spline;
}

int mwmSplineFits(int keyCount, int channels)
{
    if (keyCount < 1 || channels < 1)
        return 0;
    const int64_t keyBytes = int64_t{keyCount} * int64_t{sizeof(mwmSPLINEKEY)};
    const int64_t valueBytes = int64_t{channels} * int64_t{sizeof(float)};
    // The key array alone bounds the count before the list of blocks is made.
    if (keyBytes > mwDMemSize() || valueBytes > mwDMemSize())
        return 0;
    // What mwmSplineCreate allocates: the record, the keys, the result and
    // one value array per key.
    std::vector<int64_t> blocks(static_cast<size_t>(keyCount) + 3, valueBytes);
    blocks[0] = sizeof(mwmSPLINE);
    blocks[1] = keyBytes;
    return mwDMemCanHold(blocks.data(), static_cast<int>(blocks.size()));
}

void mwmSplineFree(mwmSPLINE *spline)
{
    if (!spline)
        return;
    if (spline->keys) {
        for (int k = 0; k < spline->keyCount; ++k) {
            if (spline->keys[k].values)
                mwDMemFree(kOwner, __LINE__, spline->keys[k].values);
            if (spline->keys[k].reserved)
                mwDMemFree(kOwner, __LINE__, spline->keys[k].reserved);
        }
        mwDMemFree(kOwner, __LINE__, spline->keys);
    }
    if (spline->values)
        mwDMemFree(kOwner, __LINE__, spline->values);
    mwDMemFree(kOwner, __LINE__, spline);
}

int mwmSplineEvaluate(mwmSPLINE *spline, double t)
{
    if (!spline || spline->keyCount < 1 || !spline->keys || spline->channels < 1 || !spline->values)
        mwError(kOwner, __LINE__, "mwmSplineEvaluate", MW_ERR_INVALID_PARAMETER);
    const int channels = spline->channels;
    mwmSPLINEKEY *keys = spline->keys;
    if (spline->keyCount == 1) {
        std::memcpy(spline->values, keys[0].values, channels * sizeof(float));
        return channels;
    }

    // Segment i runs to the first key whose frame is not below t; outside the
    // keys the nearest segment is held at its end.
    int i = 0;
    while (i < spline->keyCount - 2 && keys[i + 1].frame < t)
        ++i;
    mwmSPLINEKEY &k0 = keys[i];
    mwmSPLINEKEY &k1 = keys[i + 1];

    // A segment spanning the whole spline has no neighbours to shape it.
    if (k0.frame == spline->start && k1.frame == spline->end)
        k1.linear = 1;

    const double d = double(k1.frame) - k0.frame;
    const double u = d > 0.0 ? std::clamp((t - k0.frame) / d, 0.0, 1.0) : 1.0;

    if (k1.linear) {
        for (int ch = 0; ch < channels; ++ch) {
            const double v0 = k0.values[ch];
            spline->values[ch] = float(v0 + u * (k1.values[ch] - v0));
        }
        return channels;
    }

    float h[4];
    mwmBasisWeights(MWM_BASIS_HERMITE, u, h, nullptr);
    for (int ch = 0; ch < channels; ++ch) {
        const Tangents tg = tangents(*spline, i, ch);
        spline->values[ch] =
            float(h[0] * double(k0.values[ch]) + h[1] * double(k1.values[ch]) + h[2] * tg.out + h[3] * tg.in);
    }
    return channels;
}

} // extern "C"
