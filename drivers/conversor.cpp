// A/D converter driver: power, clock divider, channel pins, conversions.
#include "conversor.h"

#include "error.h"

namespace {

constexpr uint32_t kNumeroCanales = 8;
constexpr uint32_t kFrecuenciaMaxima = 12400000u;

constexpr uint32_t kCrSeleccion = 0xFFu;
constexpr uint32_t kCrDesplazamientoDivisor = 8;
constexpr uint32_t kCrDivisorMaximo = 0xFFu;
constexpr uint32_t kCrEncendido = 1u << 21;
constexpr uint32_t kCrEmpezarAhora = 1u << 24;
constexpr uint32_t kGdrHecho = 1u << 31;
constexpr uint32_t kGdrDesplazamiento = 4;
constexpr uint32_t kResultadoMaximo = 0xFFFu;

// Pin of each channel's analog input and the IOCON value that selects it:
// the bare function code, so no pull resistor, analog mode and filter on.
constexpr uint32_t puertos[kNumeroCanales] = {0, 0, 0, 0, 1, 1, 0, 0};
constexpr uint32_t pines[kNumeroCanales] = {23, 24, 25, 26, 30, 31, 12, 13};
constexpr uint32_t funciones[kNumeroCanales] = {1, 1, 1, 1, 3, 3, 3, 3};

// Divider of PeripheralClock that gives at least `frecuencia_adc`. Kept
// within the 8-bit field: a clock below the one asked for gives divider 0
// (the converter then runs at PeripheralClock, still below the 12.4 MHz
// limit), and a PeripheralClock below 65536 Hz cannot overflow into the
// burst, power and start bits.
uint32_t divisor_reloj(uint32_t frecuencia_adc) {
  const uint32_t cociente = PeripheralClock / frecuencia_adc;
  if (cociente == 0) {
    return 0;
  }
  return cociente - 1u > kCrDivisorMaximo ? kCrDivisorMaximo : cociente - 1u;
}

}  // namespace

void adc_inicializar(uint32_t frecuencia_adc, uint32_t canales) {
  // Zero is refused whatever the clock, so the divider's division is defined.
  ASSERT(frecuencia_adc != 0 && frecuencia_adc >= (PeripheralClock >> 8),
         "La frecuencia de reloj del ADC indicada es demasiado baja.");
  ASSERT(frecuencia_adc < kFrecuenciaMaxima, "La frecuencia de reloj del ADC debe ser < 12.4 MHz.");
  ASSERT(canales <= 0xFFu, "Canales incorrectos.");

  LPC_SC->PCONP = LPC_SC->PCONP | LPC_SC_PCONP_PCADC;
  LPC_ADC->CR = (divisor_reloj(frecuencia_adc) << kCrDesplazamientoDivisor) | kCrEncendido;
  for (uint32_t i = 0; i < kNumeroCanales; ++i) {
    if ((canales & (1u << i)) != 0) {
      LPC_IOCON->P[puertos[i]][pines[i]] = funciones[i];
    }
  }
}

uint32_t adc_convertir(uint32_t canal) {
  ASSERT(canal < kNumeroCanales, "Canal ADC incorrecto.");

  LPC_ADC->CR = (LPC_ADC->CR & ~kCrSeleccion) | kCrEmpezarAhora | (1u << canal);
  while ((LPC_ADC->GDR & kGdrHecho) == 0) {
  }
  return (LPC_ADC->GDR >> kGdrDesplazamiento) & kResultadoMaximo;
}

float32_t adc_traducir_a_tension(uint32_t resultado_adc) {
  ASSERT(resultado_adc <= kResultadoMaximo, "Valor ADC de entrada incorrecto.");

  return static_cast<float32_t>(resultado_adc) * 3.3f / 4096.0f;
}
