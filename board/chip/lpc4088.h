// Device header of the LPC4088 (LPC407x/408x family): register blocks of the
// peripherals the drivers and the system set-up use, their base addresses and
// instances, and the interrupt numbering. The layouts follow the chip's user
// manual; every field offset is checked at compile time.
//
// Free of inline assembly and of core intrinsics so that the drivers' host
// tests can include it too: there, the instances point at plain memory the
// tests map at the same addresses. The core's own blocks (interrupt
// controller, system control block) and the LCD and external-memory
// controllers are described in headers of their own.
#ifndef LPC4088_H
#define LPC4088_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <assert.h>  // static_assert in C11
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---------------------------------------------------------------------------
// Core configuration: Cortex-M4 with FPU and MPU, 32 priority levels.

#define __NVIC_PRIO_BITS 5
#define __FPU_PRESENT 1
#define __MPU_PRESENT 1

// ---------------------------------------------------------------------------
// Interrupt numbers: processor exceptions negative, device interrupts from 0
// (vector table slot 16 + n).

typedef enum IRQn {
  NonMaskableInt_IRQn = -14,
  HardFault_IRQn = -13,
  MemoryManagement_IRQn = -12,
  BusFault_IRQn = -11,
  UsageFault_IRQn = -10,
  SVCall_IRQn = -5,
  DebugMonitor_IRQn = -4,
  PendSV_IRQn = -2,
  SysTick_IRQn = -1,

  WDT_IRQn = 0,
  TIMER0_IRQn = 1,
  TIMER1_IRQn = 2,
  TIMER2_IRQn = 3,
  TIMER3_IRQn = 4,
  UART0_IRQn = 5,
  UART1_IRQn = 6,
  UART2_IRQn = 7,
  UART3_IRQn = 8,
  PWM1_IRQn = 9,
  I2C0_IRQn = 10,
  I2C1_IRQn = 11,
  I2C2_IRQn = 12,
  // 13 is reserved.
  SSP0_IRQn = 14,
  SSP1_IRQn = 15,
  PLL0_IRQn = 16,
  RTC_IRQn = 17,
  EINT0_IRQn = 18,
  EINT1_IRQn = 19,
  EINT2_IRQn = 20,
  EINT3_IRQn = 21,
  ADC_IRQn = 22,
  BOD_IRQn = 23,
  USB_IRQn = 24,
  CAN_IRQn = 25,
  DMA_IRQn = 26,
  I2S_IRQn = 27,
  ENET_IRQn = 28,
  MCI_IRQn = 29,
  MCPWM_IRQn = 30,
  QEI_IRQn = 31,
  PLL1_IRQn = 32,
  USBActivity_IRQn = 33,
  CANActivity_IRQn = 34,
  UART4_IRQn = 35,
  SSP2_IRQn = 36,
  LCD_IRQn = 37,
  GPIO_IRQn = 38,
  PWM0_IRQn = 39,
  EEPROM_IRQn = 40,
  CMP0_IRQn = 41,
  CMP1_IRQn = 42
} IRQn_Type;

// ---------------------------------------------------------------------------
// Register blocks.

// GPIO port (one per port, 0x20 bytes apart).
typedef struct {
  volatile uint32_t DIR;  // 1 output, 0 input, one bit per pin
  uint32_t RESERVED0[3];
  volatile uint32_t MASK;  // 1 hides the pin from PIN, SET and CLR
  volatile uint32_t PIN;   // pin levels
  volatile uint32_t SET;   // write 1s to drive high
  volatile uint32_t CLR;   // write 1s to drive low
} LPC_GPIO_TypeDef;

static_assert(offsetof(LPC_GPIO_TypeDef, DIR) == 0x00, "GPIO DIR");
static_assert(offsetof(LPC_GPIO_TypeDef, RESERVED0) == 0x04, "GPIO RESERVED0");
static_assert(offsetof(LPC_GPIO_TypeDef, MASK) == 0x10, "GPIO MASK");
static_assert(offsetof(LPC_GPIO_TypeDef, PIN) == 0x14, "GPIO PIN");
static_assert(offsetof(LPC_GPIO_TypeDef, SET) == 0x18, "GPIO SET");
static_assert(offsetof(LPC_GPIO_TypeDef, CLR) == 0x1C, "GPIO CLR");
static_assert(sizeof(LPC_GPIO_TypeDef) == 0x20, "GPIO block size");

// 32-bit timer/counter (timers 0 to 3).
typedef struct {
  volatile uint32_t IR;   // interrupt flags, write 1 to clear
  volatile uint32_t TCR;  // bit 0 enable, bit 1 reset
  volatile uint32_t TC;   // timer count
  volatile uint32_t PR;   // prescale register
  volatile uint32_t PC;   // prescale counter
  volatile uint32_t MCR;  // match actions, 3 bits per match register
  volatile uint32_t MR0;
  volatile uint32_t MR1;
  volatile uint32_t MR2;
  volatile uint32_t MR3;
  volatile uint32_t CCR;  // capture control
  volatile const uint32_t CR0;
  volatile const uint32_t CR1;
  uint32_t RESERVED0[2];
  volatile uint32_t EMR;  // external match
  uint32_t RESERVED1[12];
  volatile uint32_t CTCR;  // count control: timer or counter mode
} LPC_TIM_TypeDef;

// TCR: the counter runs while CEN is set; CRST holds TC and PC at 0.
#define LPC_TIM_TCR_CEN (1u << 0)
#define LPC_TIM_TCR_CRST (1u << 1)
// MCR: three actions per match register n: interrupt, reset TC, stop.
#define LPC_TIM_MCR_MRI(n) (1u << (3 * (n)))
#define LPC_TIM_MCR_MRR(n) (1u << (3 * (n) + 1))
#define LPC_TIM_MCR_MRS(n) (1u << (3 * (n) + 2))
// IR: one flag per match register n; writing 1 clears it.
#define LPC_TIM_IR_MR(n) (1u << (n))

static_assert(offsetof(LPC_TIM_TypeDef, IR) == 0x00, "TIM IR");
static_assert(offsetof(LPC_TIM_TypeDef, TCR) == 0x04, "TIM TCR");
static_assert(offsetof(LPC_TIM_TypeDef, TC) == 0x08, "TIM TC");
static_assert(offsetof(LPC_TIM_TypeDef, PR) == 0x0C, "TIM PR");
static_assert(offsetof(LPC_TIM_TypeDef, PC) == 0x10, "TIM PC");
static_assert(offsetof(LPC_TIM_TypeDef, MCR) == 0x14, "TIM MCR");
static_assert(offsetof(LPC_TIM_TypeDef, MR0) == 0x18, "TIM MR0");
static_assert(offsetof(LPC_TIM_TypeDef, MR1) == 0x1C, "TIM MR1");
static_assert(offsetof(LPC_TIM_TypeDef, MR2) == 0x20, "TIM MR2");
static_assert(offsetof(LPC_TIM_TypeDef, MR3) == 0x24, "TIM MR3");
static_assert(offsetof(LPC_TIM_TypeDef, CCR) == 0x28, "TIM CCR");
static_assert(offsetof(LPC_TIM_TypeDef, CR0) == 0x2C, "TIM CR0");
static_assert(offsetof(LPC_TIM_TypeDef, CR1) == 0x30, "TIM CR1");
static_assert(offsetof(LPC_TIM_TypeDef, EMR) == 0x3C, "TIM EMR");
static_assert(offsetof(LPC_TIM_TypeDef, CTCR) == 0x70, "TIM CTCR");

// 12-bit, 8-channel A/D converter.
typedef struct {
  volatile uint32_t CR;   // channel select, clock divider, burst, power, start
  volatile uint32_t GDR;  // last result (bits 15..4), done flag (bit 31)
  uint32_t RESERVED0;
  volatile uint32_t INTEN;
  volatile const uint32_t DR[8];  // per-channel results
  volatile const uint32_t STAT;
  volatile uint32_t ADTRM;
} LPC_ADC_TypeDef;

static_assert(offsetof(LPC_ADC_TypeDef, CR) == 0x00, "ADC CR");
static_assert(offsetof(LPC_ADC_TypeDef, GDR) == 0x04, "ADC GDR");
static_assert(offsetof(LPC_ADC_TypeDef, INTEN) == 0x0C, "ADC INTEN");
static_assert(offsetof(LPC_ADC_TypeDef, DR) == 0x10, "ADC DR");
static_assert(offsetof(LPC_ADC_TypeDef, STAT) == 0x30, "ADC STAT");
static_assert(offsetof(LPC_ADC_TypeDef, ADTRM) == 0x34, "ADC ADTRM");

// System control: flash accelerator, PLLs, power, clock selection, external
// interrupts, reset, memory delays.
typedef struct {
  volatile uint32_t FLASHCFG;
  uint32_t RESERVED0[31];
  volatile uint32_t PLL0CON;
  volatile uint32_t PLL0CFG;
  volatile const uint32_t PLL0STAT;
  volatile uint32_t PLL0FEED;
  uint32_t RESERVED1[4];
  volatile uint32_t PLL1CON;
  volatile uint32_t PLL1CFG;
  volatile const uint32_t PLL1STAT;
  volatile uint32_t PLL1FEED;
  uint32_t RESERVED2[4];
  volatile uint32_t PCON;
  volatile uint32_t PCONP;
  volatile uint32_t PCONP1;
  uint32_t RESERVED3[13];
  volatile uint32_t EMCCLKSEL;
  volatile uint32_t CCLKSEL;
  volatile uint32_t USBCLKSEL;
  volatile uint32_t CLKSRCSEL;
  volatile uint32_t CANSLEEPCLR;
  volatile uint32_t CANWAKEFLAGS;
  uint32_t RESERVED4[10];
  volatile uint32_t EXTINT;
  uint32_t RESERVED5;
  volatile uint32_t EXTMODE;
  volatile uint32_t EXTPOLAR;
  uint32_t RESERVED6[12];
  volatile uint32_t RSID;
  uint32_t RESERVED7;
  volatile uint32_t MATRIXARB;
  uint32_t RESERVED8[5];
  volatile uint32_t SCS;
  volatile uint32_t IRCTRIM;
  volatile uint32_t PCLKSEL;
  uint32_t RESERVED9;
  volatile uint32_t PBOOST;
  volatile uint32_t SPIFICLKSEL;
  volatile uint32_t LCD_CFG;
  uint32_t RESERVED10;
  volatile uint32_t USBINTST;
  volatile uint32_t DMAREQSEL;
  volatile uint32_t CLKOUTCFG;
  volatile uint32_t RSTCON0;
  volatile uint32_t RSTCON1;
  uint32_t RESERVED11[2];
  volatile uint32_t EMCDLYCTL;
  volatile uint32_t EMCCAL;
} LPC_SC_TypeDef;

static_assert(offsetof(LPC_SC_TypeDef, FLASHCFG) == 0x000, "SC FLASHCFG");
static_assert(offsetof(LPC_SC_TypeDef, PLL0CON) == 0x080, "SC PLL0CON");
static_assert(offsetof(LPC_SC_TypeDef, PLL0CFG) == 0x084, "SC PLL0CFG");
static_assert(offsetof(LPC_SC_TypeDef, PLL0STAT) == 0x088, "SC PLL0STAT");
static_assert(offsetof(LPC_SC_TypeDef, PLL0FEED) == 0x08C, "SC PLL0FEED");
static_assert(offsetof(LPC_SC_TypeDef, PLL1CON) == 0x0A0, "SC PLL1CON");
static_assert(offsetof(LPC_SC_TypeDef, PLL1CFG) == 0x0A4, "SC PLL1CFG");
static_assert(offsetof(LPC_SC_TypeDef, PLL1STAT) == 0x0A8, "SC PLL1STAT");
static_assert(offsetof(LPC_SC_TypeDef, PLL1FEED) == 0x0AC, "SC PLL1FEED");
static_assert(offsetof(LPC_SC_TypeDef, PCON) == 0x0C0, "SC PCON");
static_assert(offsetof(LPC_SC_TypeDef, PCONP) == 0x0C4, "SC PCONP");
static_assert(offsetof(LPC_SC_TypeDef, PCONP1) == 0x0C8, "SC PCONP1");
static_assert(offsetof(LPC_SC_TypeDef, EMCCLKSEL) == 0x100, "SC EMCCLKSEL");
static_assert(offsetof(LPC_SC_TypeDef, CCLKSEL) == 0x104, "SC CCLKSEL");
static_assert(offsetof(LPC_SC_TypeDef, USBCLKSEL) == 0x108, "SC USBCLKSEL");
static_assert(offsetof(LPC_SC_TypeDef, CLKSRCSEL) == 0x10C, "SC CLKSRCSEL");
static_assert(offsetof(LPC_SC_TypeDef, CANSLEEPCLR) == 0x110, "SC CANSLEEPCLR");
static_assert(offsetof(LPC_SC_TypeDef, CANWAKEFLAGS) == 0x114, "SC CANWAKEFLAGS");
static_assert(offsetof(LPC_SC_TypeDef, EXTINT) == 0x140, "SC EXTINT");
static_assert(offsetof(LPC_SC_TypeDef, EXTMODE) == 0x148, "SC EXTMODE");
static_assert(offsetof(LPC_SC_TypeDef, EXTPOLAR) == 0x14C, "SC EXTPOLAR");
static_assert(offsetof(LPC_SC_TypeDef, RSID) == 0x180, "SC RSID");
static_assert(offsetof(LPC_SC_TypeDef, MATRIXARB) == 0x188, "SC MATRIXARB");
static_assert(offsetof(LPC_SC_TypeDef, SCS) == 0x1A0, "SC SCS");
static_assert(offsetof(LPC_SC_TypeDef, IRCTRIM) == 0x1A4, "SC IRCTRIM");
static_assert(offsetof(LPC_SC_TypeDef, PCLKSEL) == 0x1A8, "SC PCLKSEL");
static_assert(offsetof(LPC_SC_TypeDef, PBOOST) == 0x1B0, "SC PBOOST");
static_assert(offsetof(LPC_SC_TypeDef, SPIFICLKSEL) == 0x1B4, "SC SPIFICLKSEL");
static_assert(offsetof(LPC_SC_TypeDef, LCD_CFG) == 0x1B8, "SC LCD_CFG");
static_assert(offsetof(LPC_SC_TypeDef, USBINTST) == 0x1C0, "SC USBINTST");
static_assert(offsetof(LPC_SC_TypeDef, DMAREQSEL) == 0x1C4, "SC DMAREQSEL");
static_assert(offsetof(LPC_SC_TypeDef, CLKOUTCFG) == 0x1C8, "SC CLKOUTCFG");
static_assert(offsetof(LPC_SC_TypeDef, RSTCON0) == 0x1CC, "SC RSTCON0");
static_assert(offsetof(LPC_SC_TypeDef, RSTCON1) == 0x1D0, "SC RSTCON1");
static_assert(offsetof(LPC_SC_TypeDef, EMCDLYCTL) == 0x1DC, "SC EMCDLYCTL");
static_assert(offsetof(LPC_SC_TypeDef, EMCCAL) == 0x1E0, "SC EMCCAL");

// PCONP: one power bit per peripheral; a peripheral whose bit is clear gets
// no clock and does not run.
#define LPC_SC_PCONP_PCLCD (1u << 0)
#define LPC_SC_PCONP_PCTIM0 (1u << 1)
#define LPC_SC_PCONP_PCTIM1 (1u << 2)
#define LPC_SC_PCONP_PCUART0 (1u << 3)
#define LPC_SC_PCONP_PCUART1 (1u << 4)
#define LPC_SC_PCONP_PCI2C0 (1u << 7)
#define LPC_SC_PCONP_PCRTC (1u << 9)
#define LPC_SC_PCONP_PCEMC (1u << 11)
#define LPC_SC_PCONP_PCADC (1u << 12)
#define LPC_SC_PCONP_PCGPIO (1u << 15)
#define LPC_SC_PCONP_PCI2C1 (1u << 19)
#define LPC_SC_PCONP_PCTIM2 (1u << 22)
#define LPC_SC_PCONP_PCTIM3 (1u << 23)
#define LPC_SC_PCONP_PCI2C2 (1u << 26)

// UART 0, 2 and 3 (the 16C550-style register set). Three addresses hold two
// registers each, chosen by LCR's DLAB bit or by the access's direction.
typedef struct {
  union {
    volatile const uint32_t RBR;  // read, DLAB = 0: oldest received byte
    volatile uint32_t THR;        // write, DLAB = 0: byte to send
    volatile uint32_t DLL;        // DLAB = 1: divisor, low byte
  };
  union {
    volatile uint32_t IER;  // DLAB = 0: interrupt enables
    volatile uint32_t DLM;  // DLAB = 1: divisor, high byte
  };
  union {
    volatile const uint32_t IIR;  // read: pending interrupt of highest priority
    volatile uint32_t FCR;        // write: FIFO control
  };
  volatile uint32_t LCR;  // line format and DLAB
  uint32_t RESERVED0;
  volatile const uint32_t LSR;  // line status
  uint32_t RESERVED1;
  volatile uint32_t SCR;  // scratch byte
  volatile uint32_t ACR;  // auto-baud control
  volatile uint32_t ICR;  // IrDA control
  volatile uint32_t FDR;  // fractional divider
  uint32_t RESERVED2;
  volatile uint32_t TER;  // transmit enable
} LPC_UART_TypeDef;

// IER: receive data available (and character time-out), THR empty, line status.
#define LPC_UART_IER_RBR (1u << 0)
#define LPC_UART_IER_THRE (1u << 1)
#define LPC_UART_IER_RLS (1u << 2)
// IIR: bit 0 is 1 when nothing is pending; INTID in bits 3..1; bits 7..6
// copy FCR's FIFO enable.
#define LPC_UART_IIR_NONE (1u << 0)
#define LPC_UART_IIR_INTID_MASK (7u << 1)
#define LPC_UART_IIR_INTID_RLS (3u << 1)   // first: a receive error
#define LPC_UART_IIR_INTID_RDA (2u << 1)   // second: data at the trigger level
#define LPC_UART_IIR_INTID_CTI (6u << 1)   // second: character time-out
#define LPC_UART_IIR_INTID_THRE (1u << 1)  // third: THR empty
#define LPC_UART_IIR_FIFO_ENABLED (3u << 6)
// FCR: FIFO enable, FIFO resets (self-clearing), DMA mode, receive trigger
// level 0..3 (1, 4, 8 or 14 bytes).
#define LPC_UART_FCR_FIFO_ENABLE (1u << 0)
#define LPC_UART_FCR_RX_RESET (1u << 1)
#define LPC_UART_FCR_TX_RESET (1u << 2)
#define LPC_UART_FCR_DMA_MODE (1u << 3)
#define LPC_UART_FCR_TRIGGER(level) ((uint32_t)(level) << 6)
#define LPC_UART_FCR_TRIGGER_MASK (3u << 6)
// LCR: word length 5 + n bits, two stop bits (1.5 with 5-bit words), parity
// enable and select, break, divisor latch access.
#define LPC_UART_LCR_WORD_LENGTH_MASK 3u
#define LPC_UART_LCR_8_BITS 3u
#define LPC_UART_LCR_TWO_STOP_BITS (1u << 2)
#define LPC_UART_LCR_PARITY_ENABLE (1u << 3)
#define LPC_UART_LCR_PARITY_SELECT_MASK (3u << 4)
#define LPC_UART_LCR_BREAK (1u << 6)
#define LPC_UART_LCR_DLAB (1u << 7)
// LSR: receive data ready, overrun, parity, framing and break errors (cleared
// by reading LSR), THR empty, transmitter empty, error in the receive FIFO.
#define LPC_UART_LSR_RDR (1u << 0)
#define LPC_UART_LSR_OE (1u << 1)
#define LPC_UART_LSR_PE (1u << 2)
#define LPC_UART_LSR_FE (1u << 3)
#define LPC_UART_LSR_BI (1u << 4)
#define LPC_UART_LSR_THRE (1u << 5)
#define LPC_UART_LSR_TEMT (1u << 6)
#define LPC_UART_LSR_RXFE (1u << 7)
// ACR: auto-baud start (cleared when it completes), mode, restart.
#define LPC_UART_ACR_START (1u << 0)
// FDR: baud = PCLK / (16 x (256 DLM + DLL) x (1 + DIVADDVAL / MULVAL)), with
// 1 <= MULVAL <= 15 and DIVADDVAL < MULVAL; DIVADDVAL 0 turns it off.
#define LPC_UART_FDR_DIVADDVAL(fdr) ((fdr) & 0xFu)
#define LPC_UART_FDR_MULVAL(fdr) (((fdr) >> 4) & 0xFu)
#define LPC_UART_FDR(divaddval, mulval) ((uint32_t)(divaddval) | ((uint32_t)(mulval) << 4))
// TER: the transmitter sends while TXEN is set.
#define LPC_UART_TER_TXEN (1u << 7)

static_assert(offsetof(LPC_UART_TypeDef, RBR) == 0x00, "UART RBR");
static_assert(offsetof(LPC_UART_TypeDef, IER) == 0x04, "UART IER");
static_assert(offsetof(LPC_UART_TypeDef, IIR) == 0x08, "UART IIR");
static_assert(offsetof(LPC_UART_TypeDef, LCR) == 0x0C, "UART LCR");
static_assert(offsetof(LPC_UART_TypeDef, LSR) == 0x14, "UART LSR");
static_assert(offsetof(LPC_UART_TypeDef, SCR) == 0x1C, "UART SCR");
static_assert(offsetof(LPC_UART_TypeDef, ACR) == 0x20, "UART ACR");
static_assert(offsetof(LPC_UART_TypeDef, ICR) == 0x24, "UART ICR");
static_assert(offsetof(LPC_UART_TypeDef, FDR) == 0x28, "UART FDR");
static_assert(offsetof(LPC_UART_TypeDef, TER) == 0x30, "UART TER");

// Pin configuration: one register per pin, P[port][pin]; bits 2..0 select
// the pin's function, the others its electrical mode. Port 5 has pins 0 to 4.
typedef struct {
  volatile uint32_t P[6][32];
} LPC_IOCON_TypeDef;

static_assert(offsetof(LPC_IOCON_TypeDef, P[0][23]) == 0x05C, "IOCON P0[23]");
static_assert(offsetof(LPC_IOCON_TypeDef, P[1][30]) == 0x0F8, "IOCON P1[30]");
static_assert(offsetof(LPC_IOCON_TypeDef, P[2][10]) == 0x128, "IOCON P2[10]");
static_assert(offsetof(LPC_IOCON_TypeDef, P[5][4]) == 0x290, "IOCON P5[4]");
// The function field and the UART 0 functions of P0.2 and P0.3.
#define LPC_IOCON_FUNC_MASK 7u
#define LPC_IOCON_P0_2_U0_TXD 1u
#define LPC_IOCON_P0_3_U0_RXD 1u

// ---------------------------------------------------------------------------
// Memory map.

#define LPC_FLASH_BASE 0x00000000UL
#define LPC_RAM_BASE 0x10000000UL
#define LPC_PERIPH_RAM_BASE 0x20000000UL
#define LPC_AHB_BASE 0x20080000UL
#define LPC_APB0_BASE 0x40000000UL
#define LPC_APB1_BASE 0x40080000UL

// APB0 peripherals.
#define LPC_WDT_BASE (LPC_APB0_BASE + 0x00000)
#define LPC_TIM0_BASE (LPC_APB0_BASE + 0x04000)
#define LPC_TIM1_BASE (LPC_APB0_BASE + 0x08000)
#define LPC_UART0_BASE (LPC_APB0_BASE + 0x0C000)
#define LPC_UART1_BASE (LPC_APB0_BASE + 0x10000)
#define LPC_PWM0_BASE (LPC_APB0_BASE + 0x14000)
#define LPC_PWM1_BASE (LPC_APB0_BASE + 0x18000)
#define LPC_I2C0_BASE (LPC_APB0_BASE + 0x1C000)
#define LPC_CMP_BASE (LPC_APB0_BASE + 0x20000)
#define LPC_RTC_BASE (LPC_APB0_BASE + 0x24000)
#define LPC_GPIOINT_BASE (LPC_APB0_BASE + 0x28080)
#define LPC_IOCON_BASE (LPC_APB0_BASE + 0x2C000)
#define LPC_SSP1_BASE (LPC_APB0_BASE + 0x30000)
#define LPC_ADC_BASE (LPC_APB0_BASE + 0x34000)
#define LPC_CANAF_RAM_BASE (LPC_APB0_BASE + 0x38000)
#define LPC_CANAF_BASE (LPC_APB0_BASE + 0x3C000)
#define LPC_CANCR_BASE (LPC_APB0_BASE + 0x40000)
#define LPC_CAN1_BASE (LPC_APB0_BASE + 0x44000)
#define LPC_CAN2_BASE (LPC_APB0_BASE + 0x48000)
#define LPC_I2C1_BASE (LPC_APB0_BASE + 0x5C000)

// APB1 peripherals.
#define LPC_SSP0_BASE (LPC_APB1_BASE + 0x08000)
#define LPC_DAC_BASE (LPC_APB1_BASE + 0x0C000)
#define LPC_TIM2_BASE (LPC_APB1_BASE + 0x10000)
#define LPC_TIM3_BASE (LPC_APB1_BASE + 0x14000)
#define LPC_UART2_BASE (LPC_APB1_BASE + 0x18000)
#define LPC_UART3_BASE (LPC_APB1_BASE + 0x1C000)
#define LPC_I2C2_BASE (LPC_APB1_BASE + 0x20000)
#define LPC_UART4_BASE (LPC_APB1_BASE + 0x24000)
#define LPC_I2S_BASE (LPC_APB1_BASE + 0x28000)
#define LPC_SSP2_BASE (LPC_APB1_BASE + 0x2C000)
#define LPC_MCPWM_BASE (LPC_APB1_BASE + 0x38000)
#define LPC_QEI_BASE (LPC_APB1_BASE + 0x3C000)
#define LPC_MCI_BASE (LPC_APB1_BASE + 0x40000)
#define LPC_SC_BASE (LPC_APB1_BASE + 0x7C000)

// AHB peripherals (the LCD and external-memory controllers have their own
// headers).
#define LPC_GPDMA_BASE (LPC_AHB_BASE + 0x00000)
#define LPC_ENET_BASE (LPC_AHB_BASE + 0x04000)
#define LPC_USB_BASE (LPC_AHB_BASE + 0x0C000)
#define LPC_CRC_BASE (LPC_AHB_BASE + 0x10000)
#define LPC_GPIO0_BASE (LPC_AHB_BASE + 0x18000)
#define LPC_GPIO1_BASE (LPC_AHB_BASE + 0x18020)
#define LPC_GPIO2_BASE (LPC_AHB_BASE + 0x18040)
#define LPC_GPIO3_BASE (LPC_AHB_BASE + 0x18060)
#define LPC_GPIO4_BASE (LPC_AHB_BASE + 0x18080)
#define LPC_GPIO5_BASE (LPC_AHB_BASE + 0x180A0)

static_assert(LPC_GPIO0_BASE == 0x20098000UL, "GPIO0 base");
static_assert(LPC_TIM2_BASE == 0x40090000UL, "TIMER2 base");
static_assert(LPC_IOCON_BASE == 0x4002C000UL, "IOCON base");
static_assert(LPC_ADC_BASE == 0x40034000UL, "ADC base");
static_assert(LPC_SC_BASE == 0x400FC000UL, "system control base");

// ---------------------------------------------------------------------------
// Instances.

#define LPC_GPIO0 ((LPC_GPIO_TypeDef*)LPC_GPIO0_BASE)
#define LPC_GPIO1 ((LPC_GPIO_TypeDef*)LPC_GPIO1_BASE)
#define LPC_GPIO2 ((LPC_GPIO_TypeDef*)LPC_GPIO2_BASE)
#define LPC_GPIO3 ((LPC_GPIO_TypeDef*)LPC_GPIO3_BASE)
#define LPC_GPIO4 ((LPC_GPIO_TypeDef*)LPC_GPIO4_BASE)
#define LPC_GPIO5 ((LPC_GPIO_TypeDef*)LPC_GPIO5_BASE)
#define LPC_TIM0 ((LPC_TIM_TypeDef*)LPC_TIM0_BASE)
#define LPC_TIM1 ((LPC_TIM_TypeDef*)LPC_TIM1_BASE)
#define LPC_TIM2 ((LPC_TIM_TypeDef*)LPC_TIM2_BASE)
#define LPC_TIM3 ((LPC_TIM_TypeDef*)LPC_TIM3_BASE)
#define LPC_UART0 ((LPC_UART_TypeDef*)LPC_UART0_BASE)
#define LPC_ADC ((LPC_ADC_TypeDef*)LPC_ADC_BASE)
#define LPC_SC ((LPC_SC_TypeDef*)LPC_SC_BASE)
#define LPC_IOCON ((LPC_IOCON_TypeDef*)LPC_IOCON_BASE)

// ---------------------------------------------------------------------------
// Frequency in Hz of the clock that feeds the peripherals (timers, A/D
// converter); the system set-up defines it and keeps it current.
extern uint32_t PeripheralClock;

#ifdef __cplusplus
}
#endif

#endif
