// 12-bit A/D converter: software-started single conversions, one channel at a
// time, waited for by polling.
#ifndef CONVERSOR_H
#define CONVERSOR_H

#include <stdint.h>

#include "lpc4088.h"
#include "tipos.h"

#define SEL_CANAL_0 (1u << 0)
#define SEL_CANAL_1 (1u << 1)
#define SEL_CANAL_2 (1u << 2)
#define SEL_CANAL_3 (1u << 3)
#define SEL_CANAL_4 (1u << 4)
#define SEL_CANAL_5 (1u << 5)
#define SEL_CANAL_6 (1u << 6)
#define SEL_CANAL_7 (1u << 7)

#ifdef __cplusplus
extern "C" {
#endif

// Powers the converter, sets its clock to at least `frecuencia_adc` Hz and
// switches the pins of the channels in `canales` (SEL_CANAL_ masks or'd
// together) to their analog input.
void adc_inicializar(uint32_t frecuencia_adc, uint32_t canales);

// Converts channel `canal` (0 to 7) and returns its 12-bit result.
uint32_t adc_convertir(uint32_t canal);

// Volts of a result on the 3.3 V scale.
float32_t adc_traducir_a_tension(uint32_t resultado_adc);

#ifdef __cplusplus
}
#endif

#endif
