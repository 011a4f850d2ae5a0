// The board's four LEDs, GPIO outputs lit by a high level: LED1 P1.18,
// LED2 P0.13, LED3 P1.13, LED4 P2.19. The pins keep their reset function
// (GPIO) in IOCON.
#include "leds.h"

#include "error.h"
#include "lpc4088.h"

namespace {

struct PinLed {
  uintptr_t puerto;  // GPIO block base
  uint32_t mascara;

  LPC_GPIO_TypeDef* regs() const { return reinterpret_cast<LPC_GPIO_TypeDef*>(puerto); }
};

constexpr PinLed kPines[] = {{LPC_GPIO1_BASE, 1u << 18},
                             {LPC_GPIO0_BASE, 1u << 13},
                             {LPC_GPIO1_BASE, 1u << 13},
                             {LPC_GPIO2_BASE, 1u << 19}};
static_assert(sizeof kPines / sizeof kPines[0] == LED4 - LED1 + 1);

const PinLed& pin_de(uint32_t led) {
  ASSERT(led >= LED1 && led <= LED4, "LED no valido.");
  return kPines[led - LED1];
}

}  // namespace

void leds_inicializar(void) {
  for (uint32_t led = LED1; led <= LED4; ++led) {
    const PinLed& p = pin_de(led);
    p.regs()->CLR = p.mascara;
    p.regs()->DIR |= p.mascara;
  }
}

void led_encender(uint32_t led) {
  const PinLed& p = pin_de(led);
  p.regs()->SET = p.mascara;
}

void led_apagar(uint32_t led) {
  const PinLed& p = pin_de(led);
  p.regs()->CLR = p.mascara;
}
