// Lab @NOMBRE@: LED 1 blinks from timer 0's match interrupt, on for half a
// second and off for half a second; LED 2 is lit while the button on P2.22
// is held (the pin reads low while it is pressed).
#include <stdint.h>

#include "entradas_salidas.h"  // drivers/: gpio_leer_pin, PUERTO2, PIN22
#include "leds.h"              // board/servicios/: leds_inicializar, led_encender, led_apagar
#include "lpc4088.h"           // board/chip/: TIMER0_IRQn and the register blocks
#include "nucleo_cm4.h"        // board/chip/: __NVIC_EnableIRQ, __enable_irq
#include "temporizador.h"      // drivers/: TIMER0, timer_iniciar_ciclos_ms, ...

// LED 1 changes at every match of timer 0, so it blinks once a second.
static const uint32_t kMedioPeriodoMs = 500;

// Only the handler touches it, so it needs no volatile.
static bool_t led1_encendido = FALSE;

// The vector table (apps/arranque.S) points at this name; without C linkage
// the name is mangled, the table keeps its weak default and the first match
// parks the processor there.
extern "C" void TIMER0_IRQHandler(void);

int main(void) {
  leds_inicializar();

  timer_inicializar(TIMER0);
  timer_iniciar_ciclos_ms(TIMER0, kMedioPeriodoMs);
  __NVIC_ClearPendingIRQ(TIMER0_IRQn);
  __NVIC_SetPriority(TIMER0_IRQn, 1);
  __NVIC_EnableIRQ(TIMER0_IRQn);
  __enable_irq();

  for (;;) {
    if (gpio_leer_pin(PUERTO2, PIN22) == FALSE) {
      led_encender(LED2);
    } else {
      led_apagar(LED2);
    }
  }
}

void TIMER0_IRQHandler(void) {
  // First of all: a match flag left set takes the interrupt again at once.
  timer_limpiar_interrupcion(TIMER0, 0);

  led1_encendido = led1_encendido ? FALSE : TRUE;
  if (led1_encendido) {
    led_encender(LED1);
  } else {
    led_apagar(LED1);
  }
}
