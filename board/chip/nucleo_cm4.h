// Cortex-M4 core peripherals of the LPC4088: the nested vectored interrupt
// controller, the system control block, and the interrupt-controller and
// interrupt-mask operations the applications use. Firmware only: the mask
// and barrier operations are processor instructions.
#ifndef NUCLEO_CM4_H
#define NUCLEO_CM4_H

#include <stddef.h>
#include <stdint.h>

#include "lpc4088.h"

#ifdef __cplusplus
extern "C" {
#endif

// Interrupt controller, from 0xE000E100; one bit per device interrupt in
// each register set, one priority byte per interrupt.
typedef struct {
  volatile uint32_t ISER[8];  // set-enable
  uint32_t RESERVED0[24];
  volatile uint32_t ICER[8];  // clear-enable
  uint32_t RESERVED1[24];
  volatile uint32_t ISPR[8];  // set-pending
  uint32_t RESERVED2[24];
  volatile uint32_t ICPR[8];  // clear-pending
  uint32_t RESERVED3[24];
  volatile uint32_t IABR[8];  // active
  uint32_t RESERVED4[56];
  volatile uint8_t IP[240];  // priority, implemented bits at the top
  uint32_t RESERVED5[644];
  volatile uint32_t STIR;  // software trigger
} NVIC_Type;

static_assert(offsetof(NVIC_Type, ICER) == 0x080, "NVIC ICER");
static_assert(offsetof(NVIC_Type, ISPR) == 0x100, "NVIC ISPR");
static_assert(offsetof(NVIC_Type, ICPR) == 0x180, "NVIC ICPR");
static_assert(offsetof(NVIC_Type, IABR) == 0x200, "NVIC IABR");
static_assert(offsetof(NVIC_Type, IP) == 0x300, "NVIC IP");
static_assert(offsetof(NVIC_Type, STIR) == 0xE00, "NVIC STIR");

// System control block, from 0xE000ED00.
typedef struct {
  volatile const uint32_t CPUID;
  volatile uint32_t ICSR;
  volatile uint32_t VTOR;
  volatile uint32_t AIRCR;
  volatile uint32_t SCR;
  volatile uint32_t CCR;
  volatile uint8_t SHP[12];  // priorities of exceptions 4 to 15
  volatile uint32_t SHCSR;
  volatile uint32_t CFSR;
  volatile uint32_t HFSR;
  volatile uint32_t DFSR;
  volatile uint32_t MMFAR;
  volatile uint32_t BFAR;
  volatile uint32_t AFSR;
  volatile const uint32_t PFR[2];
  volatile const uint32_t DFR;
  volatile const uint32_t ADR;
  volatile const uint32_t MMFR[4];
  volatile const uint32_t ISAR[5];
  uint32_t RESERVED0[5];
  volatile uint32_t CPACR;  // coprocessor access: CP10 and CP11 are the FPU
} SCB_Type;

static_assert(offsetof(SCB_Type, ICSR) == 0x04, "SCB ICSR");
static_assert(offsetof(SCB_Type, VTOR) == 0x08, "SCB VTOR");
static_assert(offsetof(SCB_Type, SHP) == 0x18, "SCB SHP");
static_assert(offsetof(SCB_Type, SHCSR) == 0x24, "SCB SHCSR");
static_assert(offsetof(SCB_Type, CFSR) == 0x28, "SCB CFSR");
static_assert(offsetof(SCB_Type, HFSR) == 0x2C, "SCB HFSR");
static_assert(offsetof(SCB_Type, MMFAR) == 0x34, "SCB MMFAR");
static_assert(offsetof(SCB_Type, BFAR) == 0x38, "SCB BFAR");
static_assert(offsetof(SCB_Type, CPACR) == 0x88, "SCB CPACR");

#define SCS_BASE 0xE000E000UL
#define NVIC_BASE (SCS_BASE + 0x0100UL)
#define SCB_BASE (SCS_BASE + 0x0D00UL)
#define NVIC ((NVIC_Type*)NVIC_BASE)
#define SCB ((SCB_Type*)SCB_BASE)

#define SCB_CPACR_CP10_CP11_COMPLETO (0xFUL << 20)  // full access to the FPU

// ICSR: pending state of the system exceptions, and what is active or due.
#define SCB_ICSR_NMIPENDSET (1UL << 31)
#define SCB_ICSR_PENDSVSET (1UL << 28)
#define SCB_ICSR_PENDSVCLR (1UL << 27)
#define SCB_ICSR_PENDSTSET (1UL << 26)
#define SCB_ICSR_PENDSTCLR (1UL << 25)
#define SCB_ICSR_ISRPENDING (1UL << 22)   // some device interrupt is pending
#define SCB_ICSR_VECTPENDING_POS 12       // the most urgent pending exception
#define SCB_ICSR_RETTOBASE (1UL << 11)    // at most one exception active
#define SCB_ICSR_VECTACTIVE_MASK 0x1FFUL  // the active exception (IPSR)

// AIRCR: a write takes effect only with the key in the top half.
#define SCB_AIRCR_VECTKEY (0x05FAUL << 16)
#define SCB_AIRCR_VECTKEYSTAT (0xFA05UL << 16)  // what a read shows there
#define SCB_AIRCR_PRIGROUP_POS 8
#define SCB_AIRCR_PRIGROUP_MASK (7UL << 8)
#define SCB_AIRCR_SYSRESETREQ (1UL << 2)

// SHCSR: active and pending flags of the system handlers, fault enables.
#define SCB_SHCSR_MEMFAULTACT (1UL << 0)
#define SCB_SHCSR_BUSFAULTACT (1UL << 1)
#define SCB_SHCSR_USGFAULTACT (1UL << 3)
#define SCB_SHCSR_SVCALLACT (1UL << 7)
#define SCB_SHCSR_MONITORACT (1UL << 8)
#define SCB_SHCSR_PENDSVACT (1UL << 10)
#define SCB_SHCSR_SYSTICKACT (1UL << 11)
#define SCB_SHCSR_USGFAULTPENDED (1UL << 12)
#define SCB_SHCSR_MEMFAULTPENDED (1UL << 13)
#define SCB_SHCSR_BUSFAULTPENDED (1UL << 14)
#define SCB_SHCSR_SVCALLPENDED (1UL << 15)
#define SCB_SHCSR_MEMFAULTENA (1UL << 16)
#define SCB_SHCSR_BUSFAULTENA (1UL << 17)
#define SCB_SHCSR_USGFAULTENA (1UL << 18)

// CFSR: MemManage (bits 0-7), BusFault (8-15) and UsageFault (16-31) status.
#define SCB_CFSR_IACCVIOL (1UL << 0)
#define SCB_CFSR_MMARVALID (1UL << 7)
#define SCB_CFSR_IBUSERR (1UL << 8)
#define SCB_CFSR_PRECISERR (1UL << 9)
#define SCB_CFSR_BFARVALID (1UL << 15)
#define SCB_CFSR_UNDEFINSTR (1UL << 16)
#define SCB_CFSR_INVSTATE (1UL << 17)
#define SCB_CFSR_INVPC (1UL << 18)
#define SCB_CFSR_NOCP (1UL << 19)
#define SCB_CFSR_UNALIGNED (1UL << 24)
#define SCB_CFSR_DIVBYZERO (1UL << 25)
#define SCB_CFSR_MEMFAULTSR_MASK 0x000000FFUL
#define SCB_CFSR_BUSFAULTSR_MASK 0x0000FF00UL

// HFSR: why a HardFault was taken.
#define SCB_HFSR_VECTTBL (1UL << 1)
#define SCB_HFSR_FORCED (1UL << 30)
#define SCB_HFSR_DEBUGEVT (1UL << 31)

// DFSR: debug events; write one to clear.
#define SCB_DFSR_BKPT (1UL << 1)

// SCR: sleep behaviour.
#define SCB_SCR_SLEEPONEXIT (1UL << 1)  // sleep on return to Thread mode

// SysTick, from 0xE000E010: CTRL, LOAD, VAL, CALIB.
#define SysTick_CTRL_ENABLE (1UL << 0)
#define SysTick_CTRL_TICKINT (1UL << 1)
#define SysTick_CTRL_CLKSOURCE (1UL << 2)  // 1: the processor clock
#define SysTick_CTRL_COUNTFLAG (1UL << 16)
#define SysTick_LOAD_RELOAD_MASK 0x00FFFFFFUL
#define SysTick_CALIB_NOREF (1UL << 31)
#define SysTick_CALIB_SKEW (1UL << 30)

// FPCCR, at 0xE000EF34: automatic and lazy preservation of the FP context.
#define FPU_FPCCR_ASPEN (1UL << 31)
#define FPU_FPCCR_LSPEN (1UL << 30)
#define FPU_FPCCR_MONRDY (1UL << 8)
#define FPU_FPCCR_BFRDY (1UL << 6)
#define FPU_FPCCR_MMRDY (1UL << 5)
#define FPU_FPCCR_HFRDY (1UL << 4)
#define FPU_FPCCR_THREAD (1UL << 3)
#define FPU_FPCCR_USER (1UL << 1)
#define FPU_FPCCR_LSPACT (1UL << 0)  // FP space reserved on a stack, not yet filled

// Device interrupts (IRQn >= 0): word IRQn / 32, bit IRQn % 32 of each set.
#define NVIC_PALABRA(IRQn) (((uint32_t)(IRQn)) >> 5)
#define NVIC_BIT(IRQn) (1UL << (((uint32_t)(IRQn)) & 0x1FUL))

static inline void __NVIC_EnableIRQ(IRQn_Type IRQn) {
  if ((int32_t)IRQn >= 0) {
    NVIC->ISER[NVIC_PALABRA(IRQn)] = NVIC_BIT(IRQn);
  }
}

static inline void __NVIC_ClearPendingIRQ(IRQn_Type IRQn) {
  if ((int32_t)IRQn >= 0) {
    NVIC->ICPR[NVIC_PALABRA(IRQn)] = NVIC_BIT(IRQn);
  }
}

// Priorities keep only the top __NVIC_PRIO_BITS bits of a byte; system
// exceptions (negative numbers) have theirs in the system handler bytes.
static inline void __NVIC_SetPriority(IRQn_Type IRQn, uint32_t priority) {
  const uint8_t byte = (uint8_t)((priority << (8U - __NVIC_PRIO_BITS)) & 0xFFUL);
  if ((int32_t)IRQn >= 0) {
    NVIC->IP[(uint32_t)IRQn] = byte;
  } else {
    SCB->SHP[(((uint32_t)IRQn) & 0xFUL) - 4UL] = byte;
  }
}

// Global interrupt mask (PRIMASK).
static inline void __enable_irq(void) { __asm volatile("cpsie i" ::: "memory"); }
static inline void __disable_irq(void) { __asm volatile("cpsid i" ::: "memory"); }

static inline void __DSB(void) { __asm volatile("dsb 0xF" ::: "memory"); }
static inline void __ISB(void) { __asm volatile("isb 0xF" ::: "memory"); }
static inline void __WFI(void) { __asm volatile("wfi" ::: "memory"); }

#ifdef __cplusplus
}
#endif

#endif
