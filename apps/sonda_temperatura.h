// NTC thermistor: temperature from the voltage measured across it.
#ifndef SONDA_TEMPERATURA_H
#define SONDA_TEMPERATURA_H

#include "tipos.h"

#ifdef __cplusplus
extern "C" {
#endif

// `V_s`: volts across the thermistor, which sits between the measured node
// and ground with 10 kOhm from the node to 3.3 V. Returns degrees Celsius.
float32_t ntc_traducir_tension_a_temperatura(float32_t V_s);

#ifdef __cplusplus
}
#endif

#endif
