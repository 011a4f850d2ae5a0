// Pin functions that the board services set up themselves (external memory
// bus, LCD signals), written whole to IOCON: function code, no pull resistor.
#ifndef PINES_PLACA_H
#define PINES_PLACA_H

#include <stddef.h>
#include <stdint.h>

#include "lpc4088.h"

struct FuncionPin {
  uint8_t puerto;
  uint8_t pin;
  uint8_t funcion;
};

template <size_t N>
void pines_configurar(const FuncionPin (&pines)[N]) {
  for (const FuncionPin& p : pines) {
    LPC_IOCON->P[p.puerto][p.pin] = p.funcion;
  }
}

#endif
