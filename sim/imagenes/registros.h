// Register access of the simulator's test images: plain volatile words at
// the LPC4088's addresses, only those the images touch.
#ifndef SIM_IMAGENES_REGISTROS_H
#define SIM_IMAGENES_REGISTROS_H

#include <stdint.h>

#define REG(direccion) (*(volatile uint32_t*)(direccion))

#define NVIC_ISER(n) REG(0xE000E100u + 4u * (n))
#define NVIC_ICER(n) REG(0xE000E180u + 4u * (n))
#define NVIC_ISPR(n) REG(0xE000E200u + 4u * (n))
#define NVIC_ICPR(n) REG(0xE000E280u + 4u * (n))
#define NVIC_IPR(n) (*(volatile uint8_t*)(0xE000E400u + (n)))
#define SCB_ICSR REG(0xE000ED04u)
#define SCB_AIRCR REG(0xE000ED0Cu)
#define SCB_SHCSR REG(0xE000ED24u)
#define SCB_CFSR REG(0xE000ED28u)

#define PCONP REG(0x400FC0C4u)

#define TIMER0 0x40004000u
#define TIMER1 0x40008000u
#define T_IR(t) REG((t) + 0x00u)
#define T_TCR(t) REG((t) + 0x04u)
#define T_TC(t) REG((t) + 0x08u)
#define T_PR(t) REG((t) + 0x0Cu)
#define T_MCR(t) REG((t) + 0x14u)
#define T_MR(t, n) REG((t) + 0x18u + 4u * (n))

#define GPIO_DIR(p) REG(0x20098000u + 0x20u * (p))
#define GPIO_PIN(p) REG(0x20098014u + 0x20u * (p))
#define GPIO_SET(p) REG(0x20098018u + 0x20u * (p))
#define GPIO_CLR(p) REG(0x2009801Cu + 0x20u * (p))
#define GPIOINT_STATF2 REG(0x400280A8u)
#define GPIOINT_STATR2 REG(0x400280A4u)
#define GPIOINT_CLR2 REG(0x400280ACu)
#define GPIOINT_ENR2 REG(0x400280B0u)
#define GPIOINT_ENF2 REG(0x400280B4u)

#define ADC_CR REG(0x40034000u)
#define ADC_GDR REG(0x40034004u)
#define ADC_DR(n) REG(0x40034010u + 4u * (n))

#define IOCON_P0(n) REG(0x4002C000u + 4u * (n))

#define U0_RBR REG(0x4000C000u)
#define U0_THR REG(0x4000C000u)
#define U0_DLL REG(0x4000C000u)
#define U0_DLM REG(0x4000C004u)
#define U0_IER REG(0x4000C004u)
#define U0_IIR REG(0x4000C008u)
#define U0_FCR REG(0x4000C008u)
#define U0_LCR REG(0x4000C00Cu)
#define U0_LSR REG(0x4000C014u)
#define U0_FDR REG(0x4000C028u)

#define IRQ_TIMER0 1u
#define IRQ_TIMER1 2u
#define IRQ_UART0 5u
#define IRQ_GPIO 38u

static inline void habilitar_irq(unsigned irq, unsigned prioridad) {
  NVIC_IPR(irq) = (uint8_t)(prioridad << 3);
  NVIC_ICPR(irq / 32) = 1u << (irq % 32);
  NVIC_ISER(irq / 32) = 1u << (irq % 32);
}

static inline void pendiente_irq(unsigned irq) { NVIC_ISPR(irq / 32) = 1u << (irq % 32); }

static inline void barrera(void) { __asm volatile("dsb\n\tisb" ::: "memory"); }

#endif
