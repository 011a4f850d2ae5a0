// The black-and-white routine (simd/umbralizado.S) as C and C++ see it.
#ifndef UMBRAL_RUTINA_H
#define UMBRAL_RUTINA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Bytes >= the threshold's low byte become 255, the others 0, over the first
// ancho*alto bytes (modulo 2^32). 1 on success; 0, buffer untouched, when datos
// is null or ancho, alto or umbral is 0. 16 bytes or more need datos 16-aligned.
int umbralizado(uint8_t* datos, uint32_t ancho, uint32_t alto, uint32_t umbral);

#ifdef __cplusplus
}
#endif

#endif
