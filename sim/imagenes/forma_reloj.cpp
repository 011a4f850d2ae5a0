// Benchmark and determinism image with the clock's shape: timer 0 interrupts
// once a second (at 12 MHz: prescaler 11, MR0 1000000) and counts seconds,
// while main polls P2.22 for ever and copies it to LED1 (P1.18), writing
// the LED on every pass. Also three loops the benchmark calls by name.
#include <stdint.h>

#include "registros.h"

extern "C" {
volatile uint32_t segundos;
int main();
void IRQ1_Handler();
uint32_t bucle_registros(uint32_t vueltas);
uint32_t bucle_perifericos(uint32_t vueltas);
uint32_t bucle_llamadas(uint32_t vueltas);
}

void IRQ1_Handler() {
  T_IR(TIMER0) = 1;
  segundos = segundos + 1;
}

uint32_t bucle_registros(uint32_t vueltas) {
  uint32_t a = 1, b = 2;
  for (uint32_t i = 0; i < vueltas; ++i) {
    a = a * 3 + b;
    b ^= a >> 3;
    __asm volatile("" : "+r"(a), "+r"(b));
  }
  return a + b;
}

uint32_t bucle_perifericos(uint32_t vueltas) {
  uint32_t x = 0;
  for (uint32_t i = 0; i < vueltas; ++i) x += GPIO_PIN(2);
  return x;
}

namespace {
[[gnu::noinline]] uint32_t hoja(uint32_t a, uint32_t b) {
  __asm volatile("" : "+r"(a));
  return a ^ (b + 1);
}
[[gnu::noinline]] uint32_t rama(uint32_t a) { return hoja(a, a >> 1) + hoja(a >> 2, a); }
}  // namespace

uint32_t bucle_llamadas(uint32_t vueltas) {
  uint32_t x = 0;
  for (uint32_t i = 0; i < vueltas; ++i) x += rama(i);
  return x;
}

int main() {
  PCONP = PCONP | (1u << 1) | (1u << 15);
  GPIO_DIR(1) = GPIO_DIR(1) | (1u << 18);
  T_TCR(TIMER0) = 2;
  T_PR(TIMER0) = 11;
  T_MR(TIMER0, 0) = 1000000;
  T_MCR(TIMER0) = 3;
  habilitar_irq(IRQ_TIMER0, 1);
  __asm volatile("cpsie i" ::: "memory");
  T_TCR(TIMER0) = 1;
  for (;;) {
    if (GPIO_PIN(2) & (1u << 22)) {
      GPIO_CLR(1) = 1u << 18;
    } else {
      GPIO_SET(1) = 1u << 18;
    }
  }
}
