// GPIO direction: checked updates and reads of a port's DIR register.
#include "entradas_salidas.h"

#include "error.h"

namespace {

bool_t es_puerto(const LPC_GPIO_TypeDef* gpio_regs) {
  return gpio_regs == LPC_GPIO0 || gpio_regs == LPC_GPIO1 || gpio_regs == LPC_GPIO2 ||
         gpio_regs == LPC_GPIO3 || gpio_regs == LPC_GPIO4 || gpio_regs == LPC_GPIO5;
}

// Port 5 has pins 0 to 4 only, but the bound tested is 0x40 (bits 0 to 5).
bool_t es_mascara_del_puerto(const LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  return gpio_regs != LPC_GPIO5 || mascara_pin < 0x40u;
}

}  // namespace

void gpio_ajustar_dir(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin, uint32_t direccion) {
  ASSERT(es_puerto(gpio_regs), "Puerto no valido.");
  ASSERT(es_mascara_del_puerto(gpio_regs, mascara_pin), "Pin no v\xE1lido.");
  ASSERT(direccion == DIR_IN || direccion == DIR_OUT, "Direccion no valida.");

  if (direccion == DIR_OUT) {
    gpio_regs->DIR = gpio_regs->DIR | mascara_pin;
  } else {
    gpio_regs->DIR = gpio_regs->DIR & ~mascara_pin;
  }
}

uint32_t gpio_obtener_dir(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  ASSERT(es_puerto(gpio_regs), "Puerto no valido.");
  ASSERT(es_mascara_del_puerto(gpio_regs, mascara_pin), "Pin no v\xE1lido.");

  return (gpio_regs->DIR & mascara_pin) != 0 ? 1u : 0u;
}
