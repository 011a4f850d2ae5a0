// Error stop: interrupts masked, the report on a red band at the bottom of
// the LCD, then the processor stays in this function for good.
#include "error.h"
#include "glcd.h"
#include "lcd.h"
#include "nucleo_cm4.h"
#include "pantalla.h"

namespace {

constexpr int32_t kAltoLinea = 16;  // FONT8X16
constexpr int32_t kLineas = 4;
constexpr int32_t kPrimeraLinea = GLCD_TAMANO_Y - kLineas * kAltoLinea;

int32_t y_de(int32_t linea) { return kPrimeraLinea + linea * kAltoLinea; }

}  // namespace

void parar_con_error(const char* fichero, const char* funcion, int linea, const char* mensaje) {
  __disable_irq();
  // A check may fail before the application brought the LCD up.
  if (!lcd_encendido()) {
    glcd_inicializar();
  }
  pantalla_rellenar(0, kPrimeraLinea, GLCD_TAMANO_X, kLineas * kAltoLinea, ROJO);
  glcd_xprintf(0, y_de(0), BLANCO, ROJO, FONT8X16, "Fichero: %s", fichero);
  glcd_xprintf(0, y_de(1), BLANCO, ROJO, FONT8X16, "Funci\xF3n: %s", funcion);
  glcd_xprintf(0, y_de(2), BLANCO, ROJO, FONT8X16, "L\xEDnea: %d", linea);
  glcd_xprintf(0, y_de(3), BLANCO, ROJO, FONT8X16, "Mensaje: %s", mensaje);
  for (;;) {
    __asm volatile("" ::: "memory");
  }
}
