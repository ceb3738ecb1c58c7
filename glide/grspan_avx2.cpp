// grspan_avx2.cpp - the span stages built for AVX2 (eight lanes in one
// register, hardware gathers); chosen at run time where the processor has it.
#include "grpipe.h"

#define GR_SPAN_LANES 8

#include <cstring>
#include <utility>

#include <immintrin.h>

namespace gr {
namespace avx2 {
#include "grspan.inc"
} // namespace avx2

const SpanKernels &avx2Kernels()
{
    static const SpanKernels kernels = avx2::makeKernels();
    return kernels;
}
} // namespace gr
