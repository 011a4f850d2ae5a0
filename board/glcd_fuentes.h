// The LCD fonts, indexed by font number (FONT8X16, FONT12X24, FONT16X32);
// generated at build time from the console fonts.
#ifndef GLCD_FUENTES_H
#define GLCD_FUENTES_H

#include "glcd.h"

#ifdef __cplusplus
extern "C" {
#endif

extern const font_t glcd_fuentes[NUMERO_FONTS];

#ifdef __cplusplus
}
#endif

#endif
