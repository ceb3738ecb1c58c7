// Degree tables: sine and cosine of every whole degree from -360 to 360.
#include <cmath>

#include "mwmintern.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTableSize = 721; // -360 .. 360

struct DegreeTables {
    float sine[kTableSize];
    float cosine[kTableSize];

    DegreeTables()
    {
        for (int i = -360; i <= 360; ++i) {
            const double angle = i * kPi * (1.0 / 180.0);
            sine[i + 360] = static_cast<float>(std::sin(angle));
            cosine[i + 360] = static_cast<float>(std::cos(angle));
        }
    }
};

// Filled on first use, so no caller has to start the library.
const DegreeTables &tables()
{
    static const DegreeTables t;
    return t;
}

// Index into the tables: the remainder keeps the sign, so every int lands in
// -359..359 without overflow.
int tableIndex(int degrees) { return degrees % 360 + 360; }

// Whole degrees of an angle in radians, truncated toward zero and reduced
// exactly (the float may be far outside int range); false for NaN and
// infinity.
bool wholeDegrees(float radians, int &degrees)
{
    const float d = radians * 180.0f * static_cast<float>(1.0 / kPi);
    if (!std::isfinite(d))
        return false;
    degrees = static_cast<int>(std::fmod(std::trunc(static_cast<double>(d)), 360.0));
    return true;
}

} // namespace

namespace mwm {

SinCos sinCosI(int degrees)
{
    const DegreeTables &t = tables();
    const int i = tableIndex(degrees);
    return {t.sine[i], t.cosine[i]};
}

SinCos sinCosF(float degrees)
{
    const float radians = degrees * static_cast<float>(MWM_DEG_TO_RAD);
    return {std::sin(radians), std::cos(radians)};
}

} // namespace mwm

extern "C" {

float mwmSinI(int degrees) { return tables().sine[tableIndex(degrees)]; }

float mwmCosI(int degrees) { return tables().cosine[tableIndex(degrees)]; }

float mwmSinF(float radians)
{
    int degrees;
    return wholeDegrees(radians, degrees) ? mwmSinI(degrees) : NAN;
}

float mwmCosF(float radians)
{
    int degrees;
    return wholeDegrees(radians, degrees) ? mwmCosI(degrees) : NAN;
}

} // extern "C"
