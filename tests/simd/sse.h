// The SSE routines as the tests call them.
#ifndef TESTS_SIMD_SSE_H
#define TESTS_SIMD_SSE_H

#include <cstdint>

extern "C" {
int sse_renglones(const float* matriz, float* suma);
int sse_producto_escalar(const float* vector_1, const float* vector_2, uint32_t dimension,
                         float* resultado);
}

#endif
