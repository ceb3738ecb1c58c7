// grspan_base.cpp - the span stages for the base instruction set.
#include "grpipe.h"

#define GR_SPAN_LANES 4

#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gr {
namespace base {
#include "grspan.inc"
} // namespace base

const SpanKernels &baselineKernels()
{
    static const SpanKernels kernels = base::makeKernels();
    return kernels;
}
} // namespace gr
