// Test image: UART0 at 115200 baud, 8N1, from the reset clock (12 MHz
// peripheral clock): divisor 4 and fractional divider 1 + 5/8, so a bit is
// 16 x 4 x 13 / 8 = 104 clock periods (115385 baud).
//   main sends "hola\n" by polling THRE, then waits in WFI for lines.
//   The UART0 interrupt (receive data at trigger level 1) stores each byte in
//   `recibido` and counts the lines in `lineas`; main echoes each line back
//   as "eco: LINE".
#include <stdint.h>

#include "lpc4088.h"
#include "registros.h"

extern "C" {
volatile char recibido[64];
volatile uint32_t n_recibidos;
volatile uint32_t lineas;
volatile uint32_t ultimo_iir;
int main();
void IRQ5_Handler();
}

namespace {

void enviar(const char* texto) {
  for (; *texto != '\0'; ++texto) {
    while ((U0_LSR & LPC_UART_LSR_THRE) == 0) {
    }
    U0_THR = (uint8_t)*texto;
  }
}

void iniciar_uart0() {
  PCONP = PCONP | LPC_SC_PCONP_PCUART0;
  IOCON_P0(2) = (IOCON_P0(2) & ~LPC_IOCON_FUNC_MASK) | LPC_IOCON_P0_2_U0_TXD;
  IOCON_P0(3) = (IOCON_P0(3) & ~LPC_IOCON_FUNC_MASK) | LPC_IOCON_P0_3_U0_RXD;
  U0_LCR = LPC_UART_LCR_8_BITS | LPC_UART_LCR_DLAB;
  U0_DLL = 4;
  U0_DLM = 0;
  U0_FDR = LPC_UART_FDR(5, 8);
  U0_LCR = LPC_UART_LCR_8_BITS;
  U0_FCR = LPC_UART_FCR_FIFO_ENABLE | LPC_UART_FCR_RX_RESET | LPC_UART_FCR_TX_RESET |
           LPC_UART_FCR_TRIGGER(0);
  U0_IER = LPC_UART_IER_RBR;
  habilitar_irq(IRQ_UART0, 1);
}

}  // namespace

void IRQ5_Handler() {
  ultimo_iir = U0_IIR;
  while (U0_LSR & LPC_UART_LSR_RDR) {
    const char c = (char)U0_RBR;
    const uint32_t n = n_recibidos;
    if (n < sizeof recibido - 1) {
      recibido[n] = c;
      n_recibidos = n + 1;
    }
    if (c == '\n') lineas = lineas + 1;
  }
}

int main() {
  iniciar_uart0();
  enviar("hola\n");
  uint32_t hechas = 0;
  uint32_t desde = 0;
  for (;;) {
    __asm volatile("cpsid i");
    while (lineas == hechas) {
      __asm volatile("wfi\n\tcpsie i\n\tcpsid i");
    }
    __asm volatile("cpsie i");
    hechas = hechas + 1;
    enviar("eco: ");
    char linea[64];
    uint32_t n = 0;
    while (desde < n_recibidos) {
      const char c = recibido[desde++];
      linea[n++] = c;
      if (c == '\n') break;
    }
    linea[n] = '\0';
    enviar(linea);
  }
}
