// Byte-wise merge of two words (i386 routine, cdecl).
#ifndef ROUTINES_LOGICAS_H
#define ROUTINES_LOGICAS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Returns (alto & 0xFF000000) | (bajo & 0x00FFFFFF).
uint32_t logicas(uint32_t alto, uint32_t bajo);

#ifdef __cplusplus
}
#endif

#endif
