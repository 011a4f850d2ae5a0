// Grey-level views of BMP images, so a threshold acts on brightness and never
// on palette indices: an 8-bit image whose palette is the grey ramp (entry i
// is grey level i) holds grey levels in its pixel bytes.
#ifndef GRIS_H
#define GRIS_H

#include "mapabits.h"

// Luma of a colour (ITU-R BT.601 weights), rounded to the nearest level.
UCHAR gris_luma(UCHAR r, UCHAR g, UCHAR b);

// True when bmp is 8-bit and palette entry i is grey level i for every i (the
// fourth byte of an entry is not looked at).
bool gris_es_rampa(BMP* bmp);

// Makes the palette of an 8-bit image the grey ramp, leaving the pixels alone.
void gris_poner_rampa(BMP* bmp);

// 8-bit image: each pixel index becomes the luma of its palette colour, then
// the palette becomes the grey ramp; the pixels stay in their buffer.
void gris_indices_a_niveles(BMP* bmp);

// A new 8-bit image with the grey ramp holding the luma of each pixel of a
// 24- or 32-bit image; null (with the library's status) on failure.
BMP* gris_desde_color(BMP* color);

#endif
