// Pin configuration through IOCON: looks the wanted signal up in the table
// of the signals each pin can carry and writes the pin's IOCON register.
#include "config_pines.h"

#include <array>
#include <cstddef>

#include "error.h"

namespace {

constexpr uint32_t kPuertos = GPIO_NUMERO_PUERTOS;
constexpr uint32_t kPinesPorPuerto = GPIO_MAXIMO_PINES_POR_PUERTO;
constexpr uint32_t kRanuras = IOCON_MAXIMO_FUNCIONES_POR_PIN;

// Port 5 has pins P5[0] to P5[4] only.
constexpr uint32_t kPinesPuerto5 = 5;
constexpr std::size_t kPinesExistentes = (kPuertos - 1) * kPinesPorPuerto + kPinesPuerto5;

// Bits 7 (ADMODE) and 8 (FILTER/HS) are active low in the register.
constexpr uint32_t kBitsInvertidos = 0x180;

// One item of a pin's list: function code (FUNC field) and the signal it
// selects. Code 0 is GPIO on every pin and is not listed; an item with code 0
// ends the list.
struct Ranura {
  uint8_t codigo;
  funcion_pin_t funcion;
};

struct FilaPin {
  uint8_t puerto;
  uint8_t pin;
  Ranura ranuras[kRanuras - 1];
};

// The function-select lists of the user manual's IOCON chapter, one row per
// pin the chip has, in port and pin order.
// clang-format off
constexpr FilaPin kFilas[] = {
    {0, 0, {{1, CAN_RD1}, {2, U3_TXD}, {3, I2C1_SDA}, {4, U0_TXD}}},
    {0, 1, {{1, CAN_TD1}, {2, U3_RXD}, {3, I2C1_SCL}, {4, U0_RXD}}},
    {0, 2, {{1, U0_TXD}, {2, U3_TXD}}},
    {0, 3, {{1, U0_RXD}, {2, U3_RXD}}},
    {0, 4, {{1, I2S_RX_SCK}, {2, CAN_RD2}, {3, T2_CAP0}, {5, CMP_ROSC}, {7, LCD_VD_0}}},
    {0, 5, {{1, I2S_RX_WS}, {2, CAN_TD2}, {3, T2_CAP1}, {5, CMP_RESET}, {7, LCD_VD_1}}},
    {0, 6, {{1, I2S_RX_SDA}, {2, SSP1_SSEL}, {3, T2_MAT0}, {4, U1_RTS}, {5, CMP_ROSC},
            {7, LCD_VD_8}}},
    {0, 7, {{1, I2S_TX_SCK}, {2, SSP1_SCK}, {3, T2_MAT1}, {4, RTC_EV0}, {5, CMP_VREF},
            {7, LCD_VD_9}}},
    {0, 8, {{1, I2S_TX_WS}, {2, SSP1_MISO}, {3, T2_MAT2}, {4, RTC_EV1}, {5, CMP1_IN_4},
            {7, LCD_VD_16}}},
    {0, 9, {{1, I2S_TX_SDA}, {2, SSP1_MOSI}, {3, T2_MAT3}, {4, RTC_EV2}, {5, CMP1_IN_3},
            {7, LCD_VD_17}}},
    {0, 10, {{1, U2_TXD}, {2, I2C2_SDA}, {3, T3_MAT0}, {7, LCD_VD_5}}},
    {0, 11, {{1, U2_RXD}, {2, I2C2_SCL}, {3, T3_MAT1}, {7, LCD_VD_10}}},
    {0, 12, {{1, USB_PPWR2}, {2, SSP1_MISO}, {3, AD0_6}}},
    {0, 13, {{1, USB_UP_LED2}, {2, SSP1_MOSI}, {3, AD0_7}}},
    {0, 14, {{1, USB_HSTEN2}, {2, SSP1_SSEL}, {3, USB_CONNECT2}}},
    {0, 15, {{1, U1_TXD}, {2, SSP0_SCK}, {5, SPIFI_IO_2}}},
    {0, 16, {{1, U1_RXD}, {2, SSP0_SSEL}, {5, SPIFI_IO_3}}},
    {0, 17, {{1, U1_CTS}, {2, SSP0_MISO}, {5, SPIFI_IO_1}}},
    {0, 18, {{1, U1_DCD}, {2, SSP0_MOSI}, {5, SPIFI_IO_0}}},
    {0, 19, {{1, U1_DSR}, {2, SD_CLK}, {3, I2C1_SDA}, {7, LCD_VD_13}}},
    {0, 20, {{1, U1_DTR}, {2, SD_CMD}, {3, I2C1_SCL}, {7, LCD_VD_14}}},
    {0, 21, {{1, U1_RI}, {2, SD_PWR}, {3, U4_OE}, {4, CAN_RD1}, {5, U4_SCLK}}},
    {0, 22, {{1, U1_RTS}, {2, SD_DAT_0}, {3, U4_TXD}, {4, CAN_TD1}, {5, SPIFI_CLK}}},
    {0, 23, {{1, AD0_0}, {2, I2S_RX_SCK}, {3, T3_CAP0}}},
    {0, 24, {{1, AD0_1}, {2, I2S_RX_WS}, {3, T3_CAP1}}},
    {0, 25, {{1, AD0_2}, {2, I2S_RX_SDA}, {3, U3_TXD}}},
    {0, 26, {{1, AD0_3}, {2, DAC_OUT}, {3, U3_RXD}}},
    {0, 27, {{1, I2C0_SDA}, {2, USB_SDA1}}},
    {0, 28, {{1, I2C0_SCL}, {2, USB_SCL1}}},
    {0, 29, {{1, USB_DP1}, {2, EINT0}}},
    {0, 30, {{1, USB_DM1}, {2, EINT1}}},
    {0, 31, {{1, USB_DP2}}},
    {1, 0, {{1, ENET_TXD0}, {3, T3_CAP1}, {4, SSP2_SCK}}},
    {1, 1, {{1, ENET_TXD1}, {3, T3_MAT3}, {4, SSP2_MOSI}}},
    {1, 2, {{1, ENET_TXD2}, {2, SD_CLK}, {3, PWM0_1}}},
    {1, 3, {{1, ENET_TXD3}, {2, SD_CMD}, {3, PWM0_2}}},
    {1, 4, {{1, ENET_TX_EN}, {3, T3_MAT2}, {4, SSP2_MISO}}},
    {1, 5, {{1, ENET_TX_ER}, {2, SD_PWR}, {3, PWM0_3}, {5, CMP1_IN_2}}},
    {1, 6, {{1, ENET_TX_CLK}, {2, SD_DAT_0}, {3, PWM0_4}, {5, CMP0_IN_4}}},
    {1, 7, {{1, ENET_COL}, {2, SD_DAT_1}, {3, PWM0_5}, {5, CMP1_IN_1}}},
    {1, 8, {{1, ENET_CRS}, {3, T3_MAT1}, {4, SSP2_SSEL}}},
    {1, 9, {{1, ENET_RXD0}, {3, T3_MAT0}}},
    {1, 10, {{1, ENET_RXD1}, {3, T3_CAP0}}},
    {1, 11, {{1, ENET_RXD2}, {2, SD_DAT_2}, {3, PWM0_6}}},
    {1, 12, {{1, ENET_RXD3}, {2, SD_DAT_3}, {3, PWM0_CAP0}, {5, CMP1_OUT}}},
    {1, 13, {{1, ENET_RX_DV}}},
    {1, 14, {{1, ENET_RX_ER}, {3, T2_CAP0}, {5, CMP0_IN_1}}},
    {1, 15, {{1, ENET_RX_CLK}, {3, I2C2_SDA}}},
    {1, 16, {{1, ENET_MDC}, {2, I2S_TX_MCLK}, {5, CMP0_IN_2}}},
    {1, 17, {{1, ENET_MDIO}, {2, I2S_RX_MCLK}, {5, CMP0_IN_3}}},
    {1, 18, {{1, USB_UP_LED1}, {2, PWM1_1}, {3, T1_CAP0}, {5, SSP1_MISO}}},
    {1, 19, {{1, USB_TX_E1}, {2, USB_PPWR1}, {3, T1_CAP1}, {4, MC_0A}, {5, SSP1_SCK}, {6, U2_OE}}},
    {1, 20, {{1, USB_TX_DP1}, {2, PWM1_2}, {3, QEI_PHA}, {4, MC_FB0}, {5, SSP0_SCK}, {6, LCD_VD_6},
             {7, LCD_VD_10}}},
    {1, 21, {{1, USB_TX_DM1}, {2, PWM1_3}, {3, SSP0_SSEL}, {4, MC_ABORT}, {6, LCD_VD_7},
             {7, LCD_VD_11}}},
    {1, 22, {{1, USB_RCV1}, {2, USB_PWRD1}, {3, T1_MAT0}, {4, MC_0B}, {5, SSP1_MOSI}, {6, LCD_VD_8},
             {7, LCD_VD_12}}},
    {1, 23, {{1, USB_RX_DP1}, {2, PWM1_4}, {3, QEI_PHB}, {4, MC_FB1}, {5, SSP0_MISO}, {6, LCD_VD_9},
             {7, LCD_VD_13}}},
    {1, 24, {{1, USB_RX_DM1}, {2, PWM1_5}, {3, QEI_IDX}, {4, MC_FB2}, {5, SSP0_MOSI},
             {6, LCD_VD_10}, {7, LCD_VD_14}}},
    {1, 25, {{1, USB_LS1}, {2, USB_HSTEN1}, {3, T1_MAT1}, {4, MC_1A}, {5, CLKOUT}, {6, LCD_VD_11},
             {7, LCD_VD_15}}},
    {1, 26, {{1, USB_SSPND1}, {2, PWM1_6}, {3, T0_CAP0}, {4, MC_1B}, {5, SSP1_SSEL}, {6, LCD_VD_12},
             {7, LCD_VD_20}}},
    {1, 27, {{1, USB_INT1}, {2, USB_OVRCR1}, {3, T0_CAP1}, {4, CLKOUT}, {5, LCD_VD_13},
             {6, LCD_VD_21}}},
    {1, 28, {{1, USB_SCL1}, {2, PWM1_CAP0}, {3, T0_MAT0}, {4, MC_2A}, {5, SSP0_SSEL},
             {6, LCD_VD_14}, {7, LCD_VD_22}}},
    {1, 29, {{1, USB_SDA1}, {2, PWM1_CAP1}, {3, T0_MAT1}, {4, MC_2B}, {5, U4_TXD}, {6, LCD_VD_15},
             {7, LCD_VD_23}}},
    {1, 30, {{1, USB_PWRD2}, {2, USB_VBUS}, {3, AD0_4}, {4, I2C0_SDA}, {5, U3_OE}}},
    {1, 31, {{1, USB_OVRCR2}, {2, SSP1_SCK}, {3, AD0_5}, {4, I2C0_SCL}}},
    {2, 0, {{1, PWM1_1}, {2, U1_TXD}, {7, LCD_PWR}}},
    {2, 1, {{1, PWM1_2}, {2, U1_RXD}, {7, LCD_LE}}},
    {2, 2, {{1, PWM1_3}, {2, U1_CTS}, {3, T2_MAT3}, {5, TRACEDATA_3}, {7, LCD_DCLK}}},
    {2, 3, {{1, PWM1_4}, {2, U1_DCD}, {3, T2_MAT2}, {5, TRACEDATA_2}, {7, LCD_FP}}},
    {2, 4, {{1, PWM1_5}, {2, U1_DSR}, {3, T2_MAT1}, {5, TRACEDATA_1}, {7, LCD_ENAB_M}}},
    {2, 5, {{1, PWM1_6}, {2, U1_DTR}, {3, T2_MAT0}, {5, TRACEDATA_0}, {7, LCD_LP}}},
    {2, 6, {{1, PWM1_CAP0}, {2, U1_RI}, {3, T2_CAP0}, {4, U2_OE}, {5, TRACECLK}, {6, LCD_VD_0},
            {7, LCD_VD_4}}},
    {2, 7, {{1, CAN_RD2}, {2, U1_RTS}, {4, SPIFI_CS}, {5, LCD_VD_1}, {6, LCD_VD_5}}},
    {2, 8, {{1, CAN_TD2}, {2, U2_TXD}, {3, U1_CTS}, {4, ENET_MDC}, {6, LCD_VD_2}, {7, LCD_VD_6}}},
    {2, 9, {{1, USB_CONNECT1}, {2, U2_RXD}, {3, U4_RXD}, {4, ENET_MDIO}, {6, LCD_VD_3},
            {7, LCD_VD_7}}},
    {2, 10, {{1, EINT0}, {2, NMI}}},
    {2, 11, {{1, EINT1}, {2, SD_DAT_1}, {3, I2S_TX_SCK}, {7, LCD_CLKIN}}},
    {2, 12, {{1, EINT2}, {2, SD_DAT_2}, {3, I2S_TX_WS}, {4, LCD_VD_4}, {5, LCD_VD_3}, {6, LCD_VD_8},
             {7, LCD_VD_18}}},
    {2, 13, {{1, EINT3}, {2, SD_DAT_3}, {3, I2S_TX_SDA}, {5, LCD_VD_5}, {6, LCD_VD_9},
             {7, LCD_VD_19}}},
    {2, 14, {{1, EMC_CS2}, {2, I2C1_SDA}, {3, T2_CAP0}}},
    {2, 15, {{1, EMC_CS3}, {2, I2C1_SCL}, {3, T2_CAP1}}},
    {2, 16, {{1, EMC_CAS}}},
    {2, 17, {{1, EMC_RAS}}},
    {2, 18, {{1, EMC_CLK0}}},
    {2, 19, {{1, EMC_CLK1}}},
    {2, 20, {{1, EMC_DYCS0}}},
    {2, 21, {{1, EMC_DYCS1}}},
    {2, 22, {{1, EMC_DYCS2}, {2, SSP0_SCK}, {3, T3_CAP0}}},
    {2, 23, {{1, EMC_DYCS3}, {2, SSP0_SSEL}, {3, T3_CAP1}}},
    {2, 24, {{1, EMC_CKE0}}},
    {2, 25, {{1, EMC_CKE1}}},
    {2, 26, {{1, EMC_CKE2}, {2, SSP0_MISO}, {3, T3_MAT0}}},
    {2, 27, {{1, EMC_CKE3}, {2, SSP0_MOSI}, {3, T3_MAT1}}},
    {2, 28, {{1, EMC_DQM0}}},
    {2, 29, {{1, EMC_DQM1}}},
    {2, 30, {{1, EMC_DQM2}, {2, I2C2_SDA}, {3, T3_MAT2}}},
    {2, 31, {{1, EMC_DQM3}, {2, I2C2_SCL}, {3, T3_MAT3}}},
    {3, 0, {{1, EMC_D_0}}},
    {3, 1, {{1, EMC_D_1}}},
    {3, 2, {{1, EMC_D_2}}},
    {3, 3, {{1, EMC_D_3}}},
    {3, 4, {{1, EMC_D_4}}},
    {3, 5, {{1, EMC_D_5}}},
    {3, 6, {{1, EMC_D_6}}},
    {3, 7, {{1, EMC_D_7}}},
    {3, 8, {{1, EMC_D_8}}},
    {3, 9, {{1, EMC_D_9}}},
    {3, 10, {{1, EMC_D_10}}},
    {3, 11, {{1, EMC_D_11}}},
    {3, 12, {{1, EMC_D_12}}},
    {3, 13, {{1, EMC_D_13}}},
    {3, 14, {{1, EMC_D_14}}},
    {3, 15, {{1, EMC_D_15}}},
    {3, 16, {{1, EMC_D_16}, {2, PWM0_1}, {3, U1_TXD}}},
    {3, 17, {{1, EMC_D_17}, {2, PWM0_2}, {3, U1_RXD}}},
    {3, 18, {{1, EMC_D_18}, {2, PWM0_3}, {3, U1_CTS}}},
    {3, 19, {{1, EMC_D_19}, {2, PWM0_4}, {3, U1_DCD}}},
    {3, 20, {{1, EMC_D_20}, {2, PWM0_5}, {3, U1_DSR}}},
    {3, 21, {{1, EMC_D_21}, {2, PWM0_6}, {3, U1_DTR}}},
    {3, 22, {{1, EMC_D_22}, {2, PWM0_CAP0}, {3, U1_RI}}},
    {3, 23, {{1, EMC_D_23}, {2, PWM1_CAP0}, {3, T0_CAP0}}},
    {3, 24, {{1, EMC_D_24}, {2, PWM1_1}, {3, T0_CAP1}}},
    {3, 25, {{1, EMC_D_25}, {2, PWM1_2}, {3, T0_MAT0}}},
    {3, 26, {{1, EMC_D_26}, {2, PWM1_3}, {3, T0_MAT1}, {4, STCLK}}},
    {3, 27, {{1, EMC_D_27}, {2, PWM1_4}, {3, T1_CAP0}}},
    {3, 28, {{1, EMC_D_28}, {2, PWM1_5}, {3, T1_CAP1}}},
    {3, 29, {{1, EMC_D_29}, {2, PWM1_6}, {3, T1_MAT0}}},
    {3, 30, {{1, EMC_D_30}, {2, U1_RTS}, {3, T1_MAT1}}},
    {3, 31, {{1, EMC_D_31}, {3, T1_MAT2}}},
    {4, 0, {{1, EMC_A_0}}},
    {4, 1, {{1, EMC_A_1}}},
    {4, 2, {{1, EMC_A_2}}},
    {4, 3, {{1, EMC_A_3}}},
    {4, 4, {{1, EMC_A_4}}},
    {4, 5, {{1, EMC_A_5}}},
    {4, 6, {{1, EMC_A_6}}},
    {4, 7, {{1, EMC_A_7}}},
    {4, 8, {{1, EMC_A_8}}},
    {4, 9, {{1, EMC_A_9}}},
    {4, 10, {{1, EMC_A_10}}},
    {4, 11, {{1, EMC_A_11}}},
    {4, 12, {{1, EMC_A_12}}},
    {4, 13, {{1, EMC_A_13}}},
    {4, 14, {{1, EMC_A_14}}},
    {4, 15, {{1, EMC_A_15}}},
    {4, 16, {{1, EMC_A_16}}},
    {4, 17, {{1, EMC_A_17}}},
    {4, 18, {{1, EMC_A_18}}},
    {4, 19, {{1, EMC_A_19}}},
    {4, 20, {{1, EMC_A_20}, {2, I2C2_SDA}, {3, SSP1_SCK}}},
    {4, 21, {{1, EMC_A_21}, {2, I2C2_SCL}, {3, SSP1_SSEL}}},
    {4, 22, {{1, EMC_A_22}, {2, U2_TXD}, {3, SSP1_MISO}}},
    {4, 23, {{1, EMC_A_23}, {2, U2_RXD}, {3, SSP1_MOSI}}},
    {4, 24, {{1, EMC_OE}}},
    {4, 25, {{1, EMC_WE}}},
    {4, 26, {{1, EMC_BLS0}}},
    {4, 27, {{1, EMC_BLS1}}},
    {4, 28, {{1, EMC_BLS2}, {2, U3_TXD}, {3, T2_MAT0}, {5, LCD_VD_6}, {6, LCD_VD_10},
             {7, LCD_VD_2}}},
    {4, 29, {{1, EMC_BLS3}, {2, U3_RXD}, {3, T2_MAT1}, {4, I2C2_SCL}, {5, LCD_VD_7}, {6, LCD_VD_11},
             {7, LCD_VD_3}}},
    {4, 30, {{1, EMC_CS0}, {5, CMP0_OUT}}},
    {4, 31, {{1, EMC_CS1}}},
    {5, 0, {{1, EMC_A_24}, {2, SSP2_MOSI}, {3, T2_MAT2}}},
    {5, 1, {{1, EMC_A_25}, {2, SSP2_MISO}, {3, T2_MAT3}}},
    {5, 2, {{2, SSP2_SCK}, {3, T3_MAT2}, {5, I2C0_SDA}}},
    {5, 3, {{2, SSP2_SSEL}, {4, U4_RXD}, {5, I2C0_SCL}}},
    {5, 4, {{1, U0_OE}, {3, T3_MAT3}, {4, U4_TXD}}},
};
// clang-format on

using Tabla = std::array<std::array<std::array<uint16_t, kRanuras>, kPinesPorPuerto>, kPuertos>;

consteval Tabla expandir_filas() {
  Tabla tabla{};
  for (auto& puerto : tabla) {
    for (auto& pin : puerto) {
      pin.fill(RESERVED);
    }
  }
  for (const FilaPin& fila : kFilas) {
    auto& ranuras = tabla[fila.puerto][fila.pin];
    ranuras[0] = GPIO;
    for (const Ranura& r : fila.ranuras) {
      if (r.codigo != 0) {
        ranuras[r.codigo] = r.funcion;
      }
    }
  }
  return tabla;
}

// Rows in port and pin order, each listed once, codes rising within 1..7.
consteval bool filas_ordenadas() {
  if (std::size(kFilas) != kPinesExistentes) {
    return false;
  }
  for (std::size_t i = 0; i < std::size(kFilas); ++i) {
    const FilaPin& fila = kFilas[i];
    if (fila.puerto != i / kPinesPorPuerto || fila.pin != i % kPinesPorPuerto) {
      return false;
    }
    uint32_t anterior = 0;
    bool fin = false;
    for (const Ranura& r : fila.ranuras) {
      if (r.codigo == 0) {
        fin = true;
      } else if (fin || r.codigo <= anterior || r.codigo >= kRanuras) {
        return false;
      } else {
        anterior = r.codigo;
      }
    }
  }
  return true;
}

// Signal at [port][pin][slot]: entry j is what FUNC = j selects on the pin.
constexpr Tabla tabla_funciones_pines = expandir_filas();

consteval bool existe_pin(uint32_t puerto, uint32_t pin) {
  return puerto < kPuertos - 1 || pin < kPinesPuerto5;
}

consteval bool ranura_0_es_gpio() {
  for (uint32_t p = 0; p < kPuertos; ++p) {
    for (uint32_t n = 0; n < kPinesPorPuerto; ++n) {
      if (existe_pin(p, n) && tabla_funciones_pines[p][n][0] != GPIO) {
        return false;
      }
    }
  }
  return true;
}

consteval bool pines_ausentes_reservados() {
  for (uint32_t n = kPinesPuerto5; n < kPinesPorPuerto; ++n) {
    for (uint16_t f : tabla_funciones_pines[kPuertos - 1][n]) {
      if (f != RESERVED) {
        return false;
      }
    }
  }
  return true;
}

consteval bool sin_repetidos_en_fila() {
  for (const auto& puerto : tabla_funciones_pines) {
    for (const auto& pin : puerto) {
      for (uint32_t i = 0; i < kRanuras; ++i) {
        for (uint32_t j = i + 1; j < kRanuras; ++j) {
          if (pin[i] != RESERVED && pin[i] == pin[j]) {
            return false;
          }
        }
      }
    }
  }
  return true;
}

static_assert(filas_ordenadas(), "one row per existing pin, in order, codes 1 to 7 rising");
static_assert(ranura_0_es_gpio(), "slot 0 is GPIO on every pin the chip has");
static_assert(pines_ausentes_reservados(), "P5[5] to P5[31] hold RESERVED only");
static_assert(sin_repetidos_en_fila(), "no signal but RESERVED twice in a row");
static_assert(sizeof(tabla_funciones_pines) == 3072, "6 x 32 x 8 16-bit entries");

// Port number of a port handle, or kPuertos when it is none.
uint32_t numero_puerto(const LPC_GPIO_TypeDef* gpio_regs) {
  const LPC_GPIO_TypeDef* const puertos[kPuertos] = {LPC_GPIO0, LPC_GPIO1, LPC_GPIO2,
                                                     LPC_GPIO3, LPC_GPIO4, LPC_GPIO5};
  uint32_t p = 0;
  while (p < kPuertos && gpio_regs != puertos[p]) {
    ++p;
  }
  return p;
}

// Index of the lowest set bit of a non-zero mask.
uint32_t bit_mas_bajo(uint32_t mascara_pin) {
  uint32_t n = 0;
  while ((mascara_pin & (1u << n)) == 0) {
    ++n;
  }
  return n;
}

}  // namespace

void iocon_configurar_pin(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin, funcion_pin_t funcion,
                          uint32_t configuracion_es) {
  const uint32_t puerto = numero_puerto(gpio_regs);
  ASSERT(puerto < kPuertos, "Puntero a bloque de registros GPIO incorrecto.");
  ASSERT(mascara_pin != 0, "La m\xE1scara de selecci\xF3n de pin no selecciona ning\xFAn pin.");
  const uint32_t pin = bit_mas_bajo(mascara_pin);
  ASSERT((mascara_pin >> pin) == 1u,
         "La m\xE1scara de selecci\xF3n de pin selecciona m\xE1s de un pin.");
  ASSERT(funcion <= USB_VBUS, "Funci\xF3n no v\xE1lida.");

  const auto& ranuras = tabla_funciones_pines[puerto][pin];
  uint32_t codigo = 0;
  while (codigo < kRanuras && ranuras[codigo] != funcion) {
    ++codigo;
  }
  ASSERT(codigo < kRanuras, "El pin no tiene la funci\xF3n indicada.");

  LPC_IOCON->P[puerto][pin] = codigo | (configuracion_es ^ kBitsInvertidos);
}

void iocon_configurar_grupo_pines(const configuracion_funcion_pin_t* pf) {
  ASSERT(pf != nullptr, "Puntero a array de configuraci\xF3n nulo.");

  for (; pf->gpio_regs != nullptr; ++pf) {
    iocon_configurar_pin(pf->gpio_regs, pf->mascara_pin, pf->funcion, pf->configuracion_es);
  }
}
