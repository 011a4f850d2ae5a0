// Sorts a fixed array of ten integers with ordenar and prints it.
#include <cstdio>

#include "ordenar.h"

#include "host/output_check.h"

int main() {
  int array[10] = {5, 9, 4, 6, 8, 1, 3, 7, 2, 0};
  unsigned int longitud = 10;

  int correcto = ordenar(array, longitud);
  if (correcto == 1) {
    std::printf("Los argumentos son correctos.\n");
    for (unsigned int i = 0; i < longitud; i++) {
      std::printf("%d  ", array[i]);
    }
  } else {
    std::printf("Los argumentos no con correctos");
  }
  return host::finish_output(0, "demo_ordenar");
}
