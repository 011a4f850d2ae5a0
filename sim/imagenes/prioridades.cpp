// Test image: order in which the core takes interrupts. Each handler and the
// thread code append a mark to `registro`; the test reads the sequence.
//   1 preemption: IRQ 1 (priority 2) pends IRQ 2 (priority 1), which runs
//     inside it: 10 20 21 11; their EXC_RETURNs are 0xFFFFFFF9 (to thread
//     mode) and 0xFFFFFFF1 (to a handler).
//   2 equal priority, pended together under PRIMASK: the lower number first,
//     one after the other, before the thread goes on: 30 31 40 41 50.
//   3 PRIMASK: a pended interrupt waits until CPSIE: 60 then 70 71, taken
//     before the instruction after CPSIE (`visto_tras_cpsie` is 12).
//   4 priority grouping (PRIGROUP 5: bits 7:6 are the group): IRQ 6 at 0x60
//     pends IRQ 7 at 0x40, same group, no preemption: 80 81 90 91.
#include <stdint.h>

#include "registros.h"

extern "C" {
volatile uint32_t registro[64];
volatile uint32_t n_registro;
volatile uint32_t hecho;
volatile uint32_t visto_tras_cpsie;
volatile uint32_t exc_return_irq1;
volatile uint32_t exc_return_irq2;
int main();
void IRQ1_Handler();
void IRQ2_Handler();
void IRQ3_Handler();
void IRQ4_Handler();
void IRQ5_Handler();
void IRQ6_Handler();
void IRQ7_Handler();
}

namespace {

void marca(uint32_t m) {
  const uint32_t n = n_registro;
  registro[n] = m;
  n_registro = n + 1;
}

void prioridad(unsigned irq, uint8_t byte) {
  NVIC_IPR(irq) = byte;
  NVIC_ISER(irq / 32) = 1u << (irq % 32);
}

}  // namespace

// EXC_RETURN as the handler got it: no FP context here, so basic frames.
#define GUARDA_EXC_RETURN(destino)           \
  do {                                       \
    uint32_t lr;                             \
    __asm volatile("mov %0, lr" : "=r"(lr)); \
    (destino) = lr;                          \
  } while (0)

void IRQ1_Handler() {
  GUARDA_EXC_RETURN(exc_return_irq1);
  marca(10);
  pendiente_irq(2);
  barrera();
  marca(11);
}
void IRQ2_Handler() {
  GUARDA_EXC_RETURN(exc_return_irq2);
  marca(20);
  marca(21);
}
void IRQ3_Handler() {
  marca(30);
  marca(31);
}
void IRQ4_Handler() {
  marca(40);
  marca(41);
}
void IRQ5_Handler() {
  marca(70);
  marca(71);
}
void IRQ6_Handler() {
  marca(80);
  pendiente_irq(7);
  barrera();
  marca(81);
}
void IRQ7_Handler() {
  marca(90);
  marca(91);
}

int main() {
  prioridad(1, 2 << 3);
  prioridad(2, 1 << 3);
  prioridad(3, 3 << 3);
  prioridad(4, 3 << 3);
  prioridad(5, 3 << 3);
  prioridad(6, 0x60);
  prioridad(7, 0x40);
  __asm volatile("cpsie i" ::: "memory");

  pendiente_irq(1);
  barrera();

  __asm volatile("cpsid i" ::: "memory");
  pendiente_irq(4);
  pendiente_irq(3);
  __asm volatile("cpsie i" ::: "memory");
  marca(50);

  __asm volatile("cpsid i" ::: "memory");
  pendiente_irq(5);
  barrera();
  marca(60);
  // The interrupt comes right after CPSIE, before the next instruction.
  __asm volatile("cpsie i\n\tldr r3, [%1]\n\tstr r3, [%0]" ::"r"(&visto_tras_cpsie),
                 "r"(&n_registro)
                 : "r3", "memory");

  SCB_AIRCR = (0x05FAu << 16) | (5u << 8);
  pendiente_irq(6);
  barrera();

  hecho = 1;
  for (;;) {
  }
}
