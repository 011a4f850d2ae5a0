// Adds the diagonal of a fixed 3 x 3 matrix with sumar_diagonal.
#include <cstdio>

#include "sumar_diagonal.h"

#include "host/output_check.h"

int main() {
  long matriz[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  unsigned int num_filas_columnas = 3;
  long resultado = 0;

  int correcto = sumar_diagonal(&matriz[0][0], num_filas_columnas, &resultado);
  if (correcto == 1) {
    std::printf("Los argumentos son correctos y el resultado es: %li", resultado);
  } else {
    std::printf("Los argumentos no con correctos");
  }
  return host::finish_output(0, "demo_diagonal");
}
