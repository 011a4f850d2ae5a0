// External memory controller of the LPC4088 (AHB, 0x2009C000): the dynamic
// (SDRAM) side the board's frame buffer lives behind.
#ifndef LPC4088_EMC_H
#define LPC4088_EMC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
  volatile uint32_t Control;
  volatile const uint32_t Status;
  volatile uint32_t Config;
  uint32_t RESERVED0[5];
  volatile uint32_t DynamicControl;
  volatile uint32_t DynamicRefresh;
  volatile uint32_t DynamicReadConfig;
  uint32_t RESERVED1;
  volatile uint32_t DynamicRP;
  volatile uint32_t DynamicRAS;
  volatile uint32_t DynamicSREX;
  volatile uint32_t DynamicAPR;
  volatile uint32_t DynamicDAL;
  volatile uint32_t DynamicWR;
  volatile uint32_t DynamicRC;
  volatile uint32_t DynamicRFC;
  volatile uint32_t DynamicXSR;
  volatile uint32_t DynamicRRD;
  volatile uint32_t DynamicMRD;
  uint32_t RESERVED2[9];
  volatile uint32_t StaticExtendedWait;
  uint32_t RESERVED3[31];
  volatile uint32_t DynamicConfig0;
  volatile uint32_t DynamicRasCas0;
} LPC_EMC_TypeDef;

static_assert(offsetof(LPC_EMC_TypeDef, Status) == 0x004, "EMC Status");
static_assert(offsetof(LPC_EMC_TypeDef, Config) == 0x008, "EMC Config");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicControl) == 0x020, "EMC DynamicControl");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicRefresh) == 0x024, "EMC DynamicRefresh");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicReadConfig) == 0x028, "EMC DynamicReadConfig");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicRP) == 0x030, "EMC DynamicRP");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicMRD) == 0x058, "EMC DynamicMRD");
static_assert(offsetof(LPC_EMC_TypeDef, StaticExtendedWait) == 0x080, "EMC StaticExtendedWait");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicConfig0) == 0x100, "EMC DynamicConfig0");
static_assert(offsetof(LPC_EMC_TypeDef, DynamicRasCas0) == 0x104, "EMC DynamicRasCas0");

#define LPC_EMC_BASE 0x2009C000UL
#define LPC_EMC ((LPC_EMC_TypeDef*)LPC_EMC_BASE)

// Chip-select 0 of the dynamic memory.
#define LPC_SDRAM_BASE 0xA0000000UL

#define EMC_CONTROL_EN (1UL << 0)
// DynamicControl: clock enable and clock always on, plus the command sent.
#define EMC_DYN_CE (1UL << 0)
#define EMC_DYN_CS (1UL << 1)
#define EMC_DYN_NORMAL (0UL << 7)
#define EMC_DYN_MODE (1UL << 7)
#define EMC_DYN_PALL (2UL << 7)
#define EMC_DYN_NOP (3UL << 7)
#define EMC_DYN_CONFIG_BUFFER (1UL << 19)

#ifdef __cplusplus
}
#endif

#endif
