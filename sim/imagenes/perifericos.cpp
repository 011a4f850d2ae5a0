// Test image: the core and the peripheral models together, at the reset
// clock (12 MHz CPU and peripheral clock).
//   Timer 0: prescaler 11 (1 MHz ticks), MR0 = 1000 with interrupt and reset:
//     an interrupt every millisecond, counted in `ticks`.
//   Timer 1: prescaler 0, MR0 = 600 with stop: stops itself at TC 600;
//     MR1 = 300 with interrupt only (no reset): one interrupt, `t1_irqs`.
//   GPIO: falling edges on P2.10 interrupt (IRQ 38); the handler counts them
//     in `flancos` and clears them; rising edges are not enabled.
//   ADC: convierte_adc(channel) starts one conversion and polls DONE.
#include <stdint.h>

#include "registros.h"

extern "C" {
volatile uint32_t ticks;
volatile uint32_t t1_irqs;
volatile uint32_t flancos;
volatile uint32_t statf_visto;
int main();
void IRQ1_Handler();
void IRQ2_Handler();
void IRQ38_Handler();
uint32_t convierte_adc(uint32_t canal);
}

void IRQ1_Handler() {
  T_IR(TIMER0) = 1;
  ticks = ticks + 1;
}

void IRQ2_Handler() {
  T_IR(TIMER1) = 2;
  t1_irqs = t1_irqs + 1;
}

void IRQ38_Handler() {
  statf_visto = GPIOINT_STATF2;
  GPIOINT_CLR2 = 1u << 10;
  flancos = flancos + 1;
}

uint32_t convierte_adc(uint32_t canal) {
  PCONP = PCONP | (1u << 12);
  ADC_CR = (1u << canal) | (1u << 8) | (1u << 21) | (1u << 24);
  uint32_t dr;
  do {
    dr = ADC_DR(canal);
  } while ((dr & (1u << 31)) == 0);
  return (dr >> 4) & 0xFFF;
}

int main() {
  PCONP = PCONP | (1u << 1) | (1u << 2) | (1u << 15);

  T_TCR(TIMER0) = 2;
  T_PR(TIMER0) = 11;
  T_MR(TIMER0, 0) = 1000;
  T_MCR(TIMER0) = 3;  // interrupt and reset on MR0
  habilitar_irq(IRQ_TIMER0, 1);

  T_TCR(TIMER1) = 2;
  T_PR(TIMER1) = 0;
  T_MR(TIMER1, 0) = 600;
  T_MR(TIMER1, 1) = 300;
  T_MCR(TIMER1) = (1u << 2) | (1u << 3);  // stop on MR0, interrupt on MR1
  habilitar_irq(IRQ_TIMER1, 1);

  GPIO_DIR(2) = GPIO_DIR(2) & ~(1u << 10);
  GPIOINT_CLR2 = 1u << 10;
  GPIOINT_ENF2 = 1u << 10;
  habilitar_irq(IRQ_GPIO, 2);

  __asm volatile("cpsie i" ::: "memory");
  T_TCR(TIMER1) = 1;
  T_TCR(TIMER0) = 1;
  for (;;) {
    __asm volatile("wfi");
  }
}
