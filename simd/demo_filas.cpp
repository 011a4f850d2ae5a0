// Adds the rows of a fixed 4 x 4 matrix with sse_renglones and prints the
// four column sums.
#include <cstdio>

#include "host/output_check.h"

extern "C" int sse_renglones(const float* matriz, float* suma);

int main() {
  // Both arrays feed aligned 16-byte loads and stores.
  alignas(16) float ptr_matriz[4][4] = {
      {1.0f, 2.0f, 3.0f, 4.0f},
      {5.0f, 6.0f, 7.0f, 8.0f},
      {9.0f, 10.0f, 11.0f, 12.0f},
      {13.0f, 14.0f, 15.0f, 16.0f},
  };
  alignas(16) float ptr_suma[4] = {0.0f, 0.0f, 0.0f, 0.0f};

  int resultado = sse_renglones(&ptr_matriz[0][0], ptr_suma);
  if (resultado == 1) {
    std::printf("Los argumentos son validos y la suma es:");
    std::printf("%f - %f - %f - %f", static_cast<double>(ptr_suma[0]),
                static_cast<double>(ptr_suma[1]), static_cast<double>(ptr_suma[2]),
                static_cast<double>(ptr_suma[3]));
  } else {
    std::printf("Los argumentos no son validos.");
  }
  return host::finish_output(0, "demo_filas");
}
