// The game headers seen by a C compiler: the layout it gives the records and
// a call through the C interface, for the tests to compare with C++.
#include <stddef.h>

#include "cuveta.h"
#include "pieza.h"

size_t c_disposicion[] = {
    sizeof(pieza_tipo_t),           sizeof(pieza_t),
    offsetof(pieza_t, tamano),      offsetof(pieza_t, matriz),
    offsetof(pieza_t, color),       sizeof(cuveta_t),
    offsetof(cuveta_t, x_pantalla), offsetof(cuveta_t, y_pantalla),
};

void c_crear_te(pieza_t* pptr) { pieza_inicializar(pptr, PIEZA_TE); }
