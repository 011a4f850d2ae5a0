// Asks for a value and counts it in a fixed array with ocurrencias_en_array.
#include <cstdio>
#include <cstdlib>

#include "host/output_check.h"
#include "leer_entero.h"
#include "ocurrencias_en_array.h"

int main() {
  int resultado = 0;
  unsigned int longitud = 10;
  int array[10] = {1, 1, 5, 6, 6, 5, 4, 8, 7, 6};

  std::printf("Introduce el numero que desea buscar en el vector:");
  int valor = 0;
  if (!leer_entero(stdin, &valor)) {
    // Searching would count a value the user never gave.
    std::fflush(stdout);
    std::fprintf(stderr, "\nNo se ha introducido un numero entero decimal.\n");
    return host::finish_output(EXIT_FAILURE, "demo_contar");
  }

  int correcto = ocurrencias_en_array(valor, array, longitud, &resultado);
  if (correcto == 1) {
    std::printf("Los argumentos son correctos y el resultado es: %d", resultado);
  } else {
    std::printf("Los argumentos no son correctos.");
  }
  return host::finish_output(0, "demo_contar");
}
