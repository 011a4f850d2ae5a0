// Forms the scalar product of two fixed 10-element vectors with
// sse_producto_escalar and says whether the routine accepted them.
#include <cstdint>
#include <cstdio>

#include "host/output_check.h"

extern "C" int sse_producto_escalar(const float* vector_1, const float* vector_2,
                                    uint32_t dimension, float* resultado);

int main() {
  int bien = 0;
  uint32_t dimension = 10;
  // vector_1 = 1..10 and vector_2 = 10..1: the product is 220, exact in
  // single precision whatever the addition order.
  alignas(16) float vector_1[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  alignas(16) float vector_2[10] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  float resultado = 0.0f;

  bien = sse_producto_escalar(vector_1, vector_2, dimension, &resultado);
  if (bien == 1) {
    std::printf("Los argumentos son validos y la suma es");
  } else {
    std::printf("Los argumentos no son validos.");
  }
  return host::finish_output(0, "demo_producto");
}
