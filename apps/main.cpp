// Clock of the interrupts lab: hours, minutes and seconds advanced by timer
// 0's match interrupt once a second and shown at the top-left of the LCD;
// falling edges on P2.27 stop the clock and on P2.25 restart it (GPIO
// interrupt); P2.22 is mirrored on LED 1 (low: on) by polling.
#include <stddef.h>
#include <stdint.h>

#include "entradas_salidas.h"
#include "glcd.h"
#include "leds.h"
#include "lpc4088.h"
#include "nucleo_cm4.h"
#include "temporizador.h"

// GPIO interrupt block of ports 0 and 2, with the reserved words between
// them where the chip has them.
typedef struct {
  volatile const uint32_t STATUS;  // ports with a pending interrupt
  volatile const uint32_t STATR0;  // port 0 rising-edge status
  volatile const uint32_t STATF0;  // port 0 falling-edge status
  volatile uint32_t CLR0;          // port 0: 1 clears a pin's status
  volatile uint32_t ENR0;          // port 0 rising-edge enable
  volatile uint32_t ENF0;          // port 0 falling-edge enable
  uint32_t RESERVED0[3];
  volatile const uint32_t STATR2;
  volatile const uint32_t STATF2;
  volatile uint32_t CLR2;
  volatile uint32_t ENR2;
  volatile uint32_t ENF2;
} LPC_GPIOINT_TypeDef_corregido;

static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, STATUS) == 0x00, "GPIOINT STATUS");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, STATR0) == 0x04, "GPIOINT STATR0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, STATF0) == 0x08, "GPIOINT STATF0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, CLR0) == 0x0C, "GPIOINT CLR0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, ENR0) == 0x10, "GPIOINT ENR0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, ENF0) == 0x14, "GPIOINT ENF0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, RESERVED0) == 0x18, "GPIOINT RESERVED0");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, STATR2) == 0x24, "GPIOINT STATR2");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, STATF2) == 0x28, "GPIOINT STATF2");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, CLR2) == 0x2C, "GPIOINT CLR2");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, ENR2) == 0x30, "GPIOINT ENR2");
static_assert(offsetof(LPC_GPIOINT_TypeDef_corregido, ENF2) == 0x34, "GPIOINT ENF2");
static_assert(sizeof(LPC_GPIOINT_TypeDef_corregido) == 56, "GPIOINT block size");

#define LPC_GPIOINT ((LPC_GPIOINT_TypeDef_corregido*)LPC_GPIOINT_BASE)

// Private to the module; their symbols keep the plain names so that a
// debugger (or the board simulator) finds them.
static uint32_t horas __asm__("horas");
static uint32_t minutos __asm__("minutos");
static uint32_t segundos __asm__("segundos");

static void mostrar_hora(void) {
  glcd_xprintf(0, 0, VERDE, NEGRO, FONT16X32, "%02u:%02u:%02u", (unsigned)horas, (unsigned)minutos,
               (unsigned)segundos);
}

extern "C" {
void TIMER0_IRQHandler(void);
void GPIO_IRQHandler(void);
}

int main(void) {
  glcd_inicializar();

  LPC_GPIOINT->CLR2 = PIN25 | PIN27;
  LPC_GPIOINT->ENF2 = PIN25 | PIN27;
  __NVIC_ClearPendingIRQ(GPIO_IRQn);
  __NVIC_SetPriority(GPIO_IRQn, 1);
  __NVIC_EnableIRQ(GPIO_IRQn);

  horas = 0;
  minutos = 0;
  segundos = 0;

  timer_inicializar(LPC_TIM0);
  timer_iniciar_ciclos_ms(LPC_TIM0, 1000);
  __NVIC_ClearPendingIRQ(TIMER0_IRQn);
  __NVIC_SetPriority(TIMER0_IRQn, 1);
  __NVIC_EnableIRQ(TIMER0_IRQn);

  __enable_irq();

  mostrar_hora();

  leds_inicializar();

  for (;;) {
    if (gpio_leer_pin(PUERTO2, PIN22) == FALSE) {
      led_encender(LED1);
    } else {
      led_apagar(LED1);
    }
  }
}

void TIMER0_IRQHandler(void) {
  LPC_TIM0->IR = 1;

  segundos++;
  if (segundos > 59) {
    minutos++;
    segundos = 0;
  }
  if (minutos > 59) {
    horas++;
    minutos = 0;
  }
  if (horas > 23) {
    horas = 0;
    minutos = 0;
    segundos = 0;
  }

  mostrar_hora();
}

void GPIO_IRQHandler(void) {
  if ((LPC_GPIOINT->STATF2 & PIN25) != 0) {
    LPC_TIM0->TCR = 1;
    LPC_GPIOINT->CLR2 = PIN25;
    return;
  }
  if ((LPC_GPIOINT->STATF2 & PIN27) != 0) {
    LPC_TIM0->TCR = 0;
    LPC_GPIOINT->CLR2 = PIN27;
  }
}
