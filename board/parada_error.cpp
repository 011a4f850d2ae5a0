// Application of the parada_error image: the board brought up, then a GPIO
// call with a handle that is no port once P2.10 reads low, so a run (and a
// scenario) meets a driver's error stop as the board draws it.
#include "entradas_salidas.h"
#include "glcd.h"
#include "leds.h"

int main(void) {
  glcd_inicializar();
  leds_inicializar();
  while (gpio_leer_pin(PUERTO2, PIN10)) {
  }
  // One word past port 0's block: every port check refuses it.
  gpio_ajustar_dir(reinterpret_cast<LPC_GPIO_TypeDef*>(LPC_GPIO0_BASE + 4), PIN0, 1);
  for (;;) {
  }
}
