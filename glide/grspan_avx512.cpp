// grspan_avx512.cpp - the span stages built for AVX-512 (BW and VL);
// chosen at run time where the processor has them.
#include "grpipe.h"

#define GR_SPAN_LANES 16

#include <cstring>
#include <utility>

#include <immintrin.h>

namespace gr {
namespace avx512 {
#include "grspan.inc"
} // namespace avx512

const SpanKernels &avx512Kernels()
{
    static const SpanKernels kernels = avx512::makeKernels();
    return kernels;
}
} // namespace gr
