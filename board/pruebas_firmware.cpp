// Application of the pruebas_firmware image: brings up the board services
// and then sleeps, so that the simulator can call every firmware module's
// functions by name on the target's own instruction set and libraries.
#include "glcd.h"
#include "leds.h"
#include "nucleo_cm4.h"

int main(void) {
  glcd_inicializar();
  leds_inicializar();
  for (;;) {
    __WFI();
  }
}
