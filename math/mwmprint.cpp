// Printing of vectors and matrices to the report log, one column per line.
#include "mwmath.h"

extern "C" {

void mwmMatrixPrint(const char *name, const mwmMATRIX *mm)
{
    const float *m = mm->m;
    mwLogPrintf("%-8s : %g %g %g %g\n"
                "         : %g %g %g %g\n"
                "         : %g %g %g %g\n"
                "         : %g %g %g %g\n",
                name, m[0], m[4], m[8], m[12], m[1], m[5], m[9], m[13], m[2], m[6], m[10], m[14], m[3], m[7],
                m[11], m[15]);
}

void mwmMatrix3Print(const char *name, const mwmMATRIX3 *mm)
{
    const float *m = mm->m;
    mwLogPrintf("%-8s : %g %g %g\n"
                "         : %g %g %g\n"
                "         : %g %g %g\n",
                name, m[0], m[3], m[6], m[1], m[4], m[7], m[2], m[5], m[8]);
}

void mwmVectorPrint(const char *name, const mwmVECTOR *v)
{
    mwLogPrintf("%-8s : %g %g %g\n", name, v->x, v->y, v->z);
}

void mwmVector4Print(const char *name, const mwmVECTOR4 *v)
{
    mwLogPrintf("%-8s : %g %g %g %g\n", name, v->x, v->y, v->z, v->w);
}

} // extern "C"
