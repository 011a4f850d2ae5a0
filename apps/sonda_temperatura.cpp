// NTC thermistor conversion: divider resistance, then Steinhart-Hart.
//
// The precision of every step (single or double) is part of the calibrated
// result, so each conversion is written out; the module is built without
// floating-point contraction, since a fused multiply-add would change it.
#include "sonda_temperatura.h"

#include <math.h>

namespace {

constexpr float32_t kResistenciaSerie = 10000.0f;  // ohms, node to supply
constexpr float64_t kTensionAlimentacion = 3.3;    // volts
constexpr float64_t kKelvinACelsius = 273.16;

}  // namespace

float32_t ntc_traducir_tension_a_temperatura(float32_t V_s) {
  // Steinhart-Hart coefficients of the thermistor.
  const float32_t a = 0.001129f;
  const float32_t b = 0.0002341f;
  const float32_t c = 8.767e-8f;

  const float32_t R_ntc = static_cast<float32_t>(static_cast<float64_t>(V_s * kResistenciaSerie) /
                                                 (kTensionAlimentacion - V_s));
  const float32_t ln_R_ntc = static_cast<float32_t>(log(static_cast<float64_t>(R_ntc)));
  const float64_t suma = static_cast<float64_t>(a + b * ln_R_ntc) +
                         static_cast<float64_t>(c) * pow(static_cast<float64_t>(ln_R_ntc), 3.0);
  const float32_t T = static_cast<float32_t>(1.0 / suma - kKelvinACelsius);
  return T;
}
