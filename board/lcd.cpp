// LCD controller set-up for a 4.3-inch 480 x 272 TFT panel: about 9 MHz
// pixel clock, active-low syncs, 16 bpp 5:6:5 from one frame buffer.
#include "lcd.h"

#include "glcd.h"
#include "lpc4088.h"
#include "lpc4088_lcd.h"
#include "pines_placa.h"
#include "relojes.h"

namespace {

// Panel power, data enable, sync, clock and the 16 data lines of 5:6:5
// (red VD3-VD7, green VD10-VD15, blue VD19-VD23).
constexpr FuncionPin kPinesLcd[] = {
    {2, 0, 7},  {2, 1, 7},  {2, 2, 7},  {2, 3, 7},  {2, 4, 7},  {2, 5, 7},  {2, 6, 7},  {2, 7, 7},
    {2, 8, 7},  {2, 9, 7},  {2, 12, 5}, {2, 13, 7}, {1, 20, 7}, {1, 21, 7}, {1, 22, 7}, {1, 23, 7},
    {1, 24, 7}, {1, 25, 7}, {1, 26, 7}, {1, 27, 7}, {1, 28, 7}, {1, 29, 7}};

struct Tiempos {
  uint32_t pulso;      // sync width
  uint32_t anterior;   // front porch
  uint32_t posterior;  // back porch
};
constexpr Tiempos kHorizontal = {2, 5, 40};  // pixel clocks
constexpr Tiempos kVertical = {10, 8, 8};    // lines

// Panel clock = CPU clock / (PCD + 2).
constexpr uint32_t kPcd = 11;
static_assert(kCpuHz / (kPcd + 2) > 9000000 && kCpuHz / (kPcd + 2) < 10000000);

constexpr uint32_t tim_h() {
  return ((GLCD_TAMANO_X / 16 - 1) << 2) | ((kHorizontal.pulso - 1) << 8) |
         ((kHorizontal.anterior - 1) << 16) | ((kHorizontal.posterior - 1) << 24);
}

constexpr uint32_t tim_v() {
  return (GLCD_TAMANO_Y - 1) | ((kVertical.pulso - 1) << 10) | (kVertical.anterior << 16) |
         (kVertical.posterior << 24);
}

constexpr uint32_t kModo = LCD_CTRL_TFT | LCD_CTRL_BPP_16_565;

}  // namespace

void lcd_inicializar(const uint16_t* marco) {
  LPC_SC->PCONP |= LPC_SC_PCONP_PCLCD;
  LPC_SC->LCD_CFG = 0;  // LCD clock = CPU clock
  pines_configurar(kPinesLcd);
  LPC_LCD->CTRL = kModo;  // disabled while reprogrammed
  LPC_LCD->TIMH = tim_h();
  LPC_LCD->TIMV = tim_v();
  LPC_LCD->POL = LCD_POL_PCD_LO(kPcd) | LCD_POL_PCD_HI(kPcd) | LCD_POL_IVS | LCD_POL_IHS |
                 LCD_POL_CPL(GLCD_TAMANO_X);
  LPC_LCD->LE = 0;
  LPC_LCD->INTMSK = 0;
  LPC_LCD->UPBASE = reinterpret_cast<uintptr_t>(marco);
  LPC_LCD->LPBASE = reinterpret_cast<uintptr_t>(marco);
  LPC_LCD->CTRL = kModo | LCD_CTRL_EN;
  LPC_LCD->CTRL = kModo | LCD_CTRL_EN | LCD_CTRL_PWR;
}

bool lcd_encendido() { return (LPC_LCD->CTRL & LCD_CTRL_EN) != 0; }
