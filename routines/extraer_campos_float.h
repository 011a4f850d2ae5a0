// Fields of a single-precision float (i386 routine, cdecl).
#ifndef ROUTINES_EXTRAER_CAMPOS_FLOAT_H
#define ROUTINES_EXTRAER_CAMPOS_FLOAT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Writes dato's fraction bits (4 bytes), biased exponent (1 byte) and sign
// (1 byte), in that order.
void extraer_campos_float(float dato, uint32_t* mantisa, uint8_t* exponente, uint8_t* signo);

#ifdef __cplusplus
}
#endif

#endif
