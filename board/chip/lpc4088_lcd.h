// LCD controller of the LPC4088 (AHB, 0x20088000): timing, polarity, frame
// buffer base addresses, control, interrupts, palette and hardware cursor.
#ifndef LPC4088_LCD_H
#define LPC4088_LCD_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
  volatile uint32_t TIMH;    // pixels per line, horizontal sync, porches
  volatile uint32_t TIMV;    // lines per panel, vertical sync, porches
  volatile uint32_t POL;     // clock divider, polarities, clocks per line
  volatile uint32_t LE;      // line-end signal
  volatile uint32_t UPBASE;  // frame buffer (upper panel)
  volatile uint32_t LPBASE;  // lower panel (dual panels only)
  volatile uint32_t CTRL;
  volatile uint32_t INTMSK;
  volatile const uint32_t INTRAW;
  volatile const uint32_t INTSTAT;
  volatile uint32_t INTCLR;
  volatile const uint32_t UPCURR;
  volatile const uint32_t LPCURR;
  uint32_t RESERVED0[115];
  volatile uint32_t PAL[128];
  uint32_t RESERVED1[256];
  volatile uint32_t CRSR_IMG[256];
  volatile uint32_t CRSR_CTRL;
  volatile uint32_t CRSR_CFG;
  volatile uint32_t CRSR_PAL0;
  volatile uint32_t CRSR_PAL1;
  volatile uint32_t CRSR_XY;
  volatile uint32_t CRSR_CLIP;
  uint32_t RESERVED2[2];
  volatile uint32_t CRSR_INTMSK;
  volatile uint32_t CRSR_INTCLR;
  volatile const uint32_t CRSR_INTRAW;
  volatile const uint32_t CRSR_INTSTAT;
} LPC_LCD_TypeDef;

static_assert(offsetof(LPC_LCD_TypeDef, TIMV) == 0x004, "LCD TIMV");
static_assert(offsetof(LPC_LCD_TypeDef, POL) == 0x008, "LCD POL");
static_assert(offsetof(LPC_LCD_TypeDef, LE) == 0x00C, "LCD LE");
static_assert(offsetof(LPC_LCD_TypeDef, UPBASE) == 0x010, "LCD UPBASE");
static_assert(offsetof(LPC_LCD_TypeDef, LPBASE) == 0x014, "LCD LPBASE");
static_assert(offsetof(LPC_LCD_TypeDef, CTRL) == 0x018, "LCD CTRL");
static_assert(offsetof(LPC_LCD_TypeDef, INTMSK) == 0x01C, "LCD INTMSK");
static_assert(offsetof(LPC_LCD_TypeDef, INTRAW) == 0x020, "LCD INTRAW");
static_assert(offsetof(LPC_LCD_TypeDef, INTSTAT) == 0x024, "LCD INTSTAT");
static_assert(offsetof(LPC_LCD_TypeDef, INTCLR) == 0x028, "LCD INTCLR");
static_assert(offsetof(LPC_LCD_TypeDef, UPCURR) == 0x02C, "LCD UPCURR");
static_assert(offsetof(LPC_LCD_TypeDef, LPCURR) == 0x030, "LCD LPCURR");
static_assert(offsetof(LPC_LCD_TypeDef, PAL) == 0x200, "LCD PAL");
static_assert(offsetof(LPC_LCD_TypeDef, CRSR_IMG) == 0x800, "LCD CRSR_IMG");
static_assert(offsetof(LPC_LCD_TypeDef, CRSR_CTRL) == 0xC00, "LCD CRSR_CTRL");
static_assert(offsetof(LPC_LCD_TypeDef, CRSR_CLIP) == 0xC14, "LCD CRSR_CLIP");
static_assert(offsetof(LPC_LCD_TypeDef, CRSR_INTMSK) == 0xC20, "LCD CRSR_INTMSK");
static_assert(offsetof(LPC_LCD_TypeDef, CRSR_INTSTAT) == 0xC2C, "LCD CRSR_INTSTAT");

#define LPC_LCD_BASE 0x20088000UL
#define LPC_LCD ((LPC_LCD_TypeDef*)LPC_LCD_BASE)

// CTRL fields.
#define LCD_CTRL_EN (1UL << 0)          // LcdEn: signals on
#define LCD_CTRL_BPP_16_565 (6UL << 1)  // LcdBpp: 16 bpp, 5:6:5
#define LCD_CTRL_TFT (1UL << 5)         // LcdTFT
#define LCD_CTRL_PWR (1UL << 11)        // LcdPwr: panel power

// POL fields.
#define LCD_POL_PCD_LO(d) ((uint32_t)(d)&0x1FUL)  // panel clock divider - 2, low
#define LCD_POL_PCD_HI(d) ((((uint32_t)(d) >> 5) & 0x1FUL) << 27)
#define LCD_POL_IVS (1UL << 11)  // vertical sync active low
#define LCD_POL_IHS (1UL << 12)  // horizontal sync active low
#define LCD_POL_CPL(reloj_por_linea) ((((uint32_t)(reloj_por_linea)) - 1UL) << 16)

#ifdef __cplusplus
}
#endif

#endif
