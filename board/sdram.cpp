// SDRAM set-up for a 256 Mbit x32 part (4 banks, 12 row and 9 column
// address bits) on the 32-bit bus, EMC clock 60 MHz (SystemInit), CAS
// latency 3. Timings in EMC clock cycles (16.7 ns) from the usual -7 speed
// grade figures, rounded up.
#include "sdram.h"

#include <stdint.h>

#include "lpc4088.h"
#include "lpc4088_emc.h"
#include "pines_placa.h"
#include "relojes.h"

namespace {

// Data D0-D31 (P3), address A0-A14 (P4), and the dynamic-memory control
// lines: CAS, RAS, CLK0, DYCS0, CKE0, DQM0-3, WE.
constexpr FuncionPin kPinesEmc[] = {
    {3, 0, 1},  {3, 1, 1},  {3, 2, 1},  {3, 3, 1},  {3, 4, 1},  {3, 5, 1},  {3, 6, 1},  {3, 7, 1},
    {3, 8, 1},  {3, 9, 1},  {3, 10, 1}, {3, 11, 1}, {3, 12, 1}, {3, 13, 1}, {3, 14, 1}, {3, 15, 1},
    {3, 16, 1}, {3, 17, 1}, {3, 18, 1}, {3, 19, 1}, {3, 20, 1}, {3, 21, 1}, {3, 22, 1}, {3, 23, 1},
    {3, 24, 1}, {3, 25, 1}, {3, 26, 1}, {3, 27, 1}, {3, 28, 1}, {3, 29, 1}, {3, 30, 1}, {3, 31, 1},
    {4, 0, 1},  {4, 1, 1},  {4, 2, 1},  {4, 3, 1},  {4, 4, 1},  {4, 5, 1},  {4, 6, 1},  {4, 7, 1},
    {4, 8, 1},  {4, 9, 1},  {4, 10, 1}, {4, 11, 1}, {4, 12, 1}, {4, 13, 1}, {4, 14, 1}, {2, 16, 1},
    {2, 17, 1}, {2, 18, 1}, {2, 20, 1}, {2, 24, 1}, {2, 28, 1}, {2, 29, 1}, {2, 30, 1}, {2, 31, 1},
    {4, 25, 1}};

constexpr uint32_t kRetardosEmc = 0x00001010;  // command and feedback clock delays, 250 ps steps

// Register value for "n cycles" where the register holds n - 1.
constexpr uint32_t ciclos(uint32_t n) { return n - 1; }

constexpr uint32_t kLatenciaCas = 3;
constexpr uint32_t kLatenciaRas = 3;
// 32-bit bus, high-performance mapping, 256 Mbit (8M x 32), 4 banks,
// row 12, column 9.
constexpr uint32_t kConfiguracion = 0x00004680;
// Mode register: burst length 4, sequential, CAS latency 3; sent on the
// address lines by a read at the bank/row position (2 byte + 9 column + 2
// bank bits).
constexpr uint32_t kModo = 0x32;
constexpr uint32_t kDesplazamientoModo = 13;
// 8192 rows every 64 ms: one every 7.8 us, in units of 16 EMC clocks.
constexpr uint32_t kRefresco = (kEmcHz / 1000000 * 7812 / 1000) / 16;
static_assert(kRefresco == 29);

void esperar_us(uint32_t microsegundos) {
  // At least one CPU cycle per pass: never shorter than asked.
  const uint32_t pasadas = microsegundos * (kCpuHz / 1000000);
  for (uint32_t i = 0; i < pasadas; ++i) {
    __asm volatile("");
  }
}

void programar_tiempos() {
  LPC_EMC->DynamicReadConfig = 1;  // data captured half a clock after the command
  LPC_EMC->DynamicRasCas0 = kLatenciaRas | (kLatenciaCas << 8);
  LPC_EMC->DynamicRP = ciclos(2);    // precharge, 18 ns
  LPC_EMC->DynamicRAS = ciclos(3);   // active to precharge, 42 ns
  LPC_EMC->DynamicSREX = ciclos(5);  // self-refresh exit, 70 ns
  LPC_EMC->DynamicAPR = ciclos(2);   // last data out to active
  LPC_EMC->DynamicDAL = 5;           // data in to active: write recovery + precharge
  LPC_EMC->DynamicWR = ciclos(2);    // write recovery
  LPC_EMC->DynamicRC = ciclos(4);    // active to active, 63 ns
  LPC_EMC->DynamicRFC = ciclos(4);   // auto-refresh period, 63 ns
  LPC_EMC->DynamicXSR = ciclos(5);   // exit self-refresh to active, 70 ns
  LPC_EMC->DynamicRRD = ciclos(1);   // bank A to bank B active, 14 ns
  LPC_EMC->DynamicMRD = ciclos(2);   // mode register load to active
  LPC_EMC->DynamicConfig0 = kConfiguracion;
}

void secuencia_de_arranque() {
  LPC_EMC->DynamicControl = EMC_DYN_CE | EMC_DYN_CS | EMC_DYN_NOP;
  esperar_us(200);
  LPC_EMC->DynamicControl = EMC_DYN_CE | EMC_DYN_CS | EMC_DYN_PALL;
  LPC_EMC->DynamicRefresh = 2;  // a refresh every 32 clocks while starting
  esperar_us(10);
  LPC_EMC->DynamicRefresh = kRefresco;
  LPC_EMC->DynamicControl = EMC_DYN_CE | EMC_DYN_CS | EMC_DYN_MODE;
  (void)*reinterpret_cast<volatile uint32_t*>(LPC_SDRAM_BASE | (kModo << kDesplazamientoModo));
  LPC_EMC->DynamicControl = EMC_DYN_NORMAL;
  LPC_EMC->DynamicConfig0 = kConfiguracion | EMC_DYN_CONFIG_BUFFER;
}

}  // namespace

void sdram_inicializar() {
  LPC_SC->PCONP |= LPC_SC_PCONP_PCEMC;
  LPC_SC->EMCDLYCTL = kRetardosEmc;
  pines_configurar(kPinesEmc);
  LPC_EMC->Control = EMC_CONTROL_EN;
  LPC_EMC->Config = 0;  // little-endian
  programar_tiempos();
  secuencia_de_arranque();
}
