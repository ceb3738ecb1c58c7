// Printing to the report log (a matrix column per line), and the log line of
// a singular inverse.
#include <string>

#include <gtest/gtest.h>

#include "mwmath.h"
#include "common_support.h"

namespace {

// The log text written by `write` into a fresh MARROW.TXT.
template <class Write>
std::string logged(Write write)
{
    mwtest::TempDir dir;
    dir.enter();
    mwLogOpen("math");
    mwLogRuler(); // so that the first entry adds none of its own
    write();
    const std::string text = mwtest::readFile("MARROW.TXT");
    const std::string header = "math\n\n" + mwtest::kLogRuler;
    return text.compare(0, header.size(), header) == 0 ? text.substr(header.size()) : text;
}

TEST(MathPrint, MatrixPrintsOneColumnPerLine)
{
    mwmMATRIX m;
    mwmMatrixSet(&m, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16.5f);
    EXPECT_EQ(logged([&] { mwmMatrixPrint("model", &m); }), "model    : 1 2 3 4\n"
                                                            "         : 5 6 7 8\n"
                                                            "         : 9 10 11 12\n"
                                                            "         : 13 14 15 16.5\n");
}

TEST(MathPrint, Matrix3AndVectors)
{
    mwmMATRIX3 m;
    mwmMatrix3Set(&m, 1, 2, 3, 4, 5, 6, 7, 8, 9);
    const mwmVECTOR v = {0.5f, -1, 2};
    const mwmVECTOR4 w = {1, 2, 3, 4};
    EXPECT_EQ(logged([&] {
                  mwmMatrix3Print("rot", &m);
                  mwmVectorPrint("a long name", &v);
                  mwmVector4Print("w", &w);
              }),
              "rot      : 1 2 3\n"
              "         : 4 5 6\n"
              "         : 7 8 9\n"
              "a long name : 0.5 -1 2\n"
              "w        : 1 2 3 4\n");
}

TEST(MathPrint, SingularInverseIsLogged)
{
    mwmMATRIX m = {};
    mwmMATRIX out;
    EXPECT_EQ(logged([&] { mwmMatrixInverse(&out, &m); }), "Singular matrix cannont be inverted.\n");
}

} // namespace
