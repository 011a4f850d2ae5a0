// BMP image library: uncompressed 8-, 24- and 32-bit bitmaps in memory, read
// from and written to files, with pixel, palette and status access. The pixel
// data of every image read from a file start on an address that is 16 modulo
// 32, so SIMD code can work on them with aligned 16-byte accesses.
//
// Every operation reports its outcome through one module-wide last status
// (BMP_GetError); none returns a status itself. Single-threaded use only.
#ifndef MAPABITS_H
#define MAPABITS_H

#include <stdint.h>
#include <stdio.h>

#define UINT uint32_t
#define USHORT uint16_t
#define UCHAR uint8_t

#define BMP_PALETTE_SIZE (256 * 4)
#define ALINEAMIENTO 16

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
  USHORT Magic;
  UINT FileSize;
  USHORT Reserved1;
  USHORT Reserved2;
  UINT DataOffset;
  UINT HeaderSize;
  UINT Width;
  UINT Height;
  USHORT Planes;
  USHORT BitsPerPixel;
  UINT CompressionType;
  UINT ImageDataSize;
  UINT HPixelsPerMeter;
  UINT VPixelsPerMeter;
  UINT ColorsUsed;
  UINT ColorsRequired;
} BMP_Header;

typedef struct {
  BMP_Header Header;
  UCHAR* Palette;       // 1024 bytes for 8 bits, null otherwise
  UCHAR* Data;          // first pixel byte, ImageDataSize bytes, rows bottom-up
  UCHAR* Data_ubicado;  // start of the heap block holding Data; what gets freed
} BMP;

typedef enum {
  BMP_OK = 0,
  BMP_ERROR,
  BMP_OUT_OF_MEMORY,
  BMP_IO_ERROR,
  BMP_FILE_NOT_FOUND,
  BMP_FILE_NOT_SUPPORTED,
  BMP_FILE_INVALID,
  BMP_INVALID_ARGUMENT,
  BMP_TYPE_MISMATCH,
  BMP_ERROR_NUM
} BMP_STATUS;

BMP* BMP_Create(UINT width, UINT height, USHORT depth);
void BMP_Free(BMP* bmp);
BMP* BMP_ReadFile(const char* filename);
void BMP_WriteFile(BMP* bmp, const char* filename);

UINT BMP_GetWidth(BMP* bmp);
UINT BMP_GetHeight(BMP* bmp);
USHORT BMP_GetDepth(BMP* bmp);

void BMP_GetPixelRGB(BMP* bmp, UINT x, UINT y, UCHAR* r, UCHAR* g, UCHAR* b);
void BMP_SetPixelRGB(BMP* bmp, UINT x, UINT y, UCHAR r, UCHAR g, UCHAR b);
void BMP_GetPixelIndex(BMP* bmp, UINT x, UINT y, UCHAR* val);
void BMP_SetPixelIndex(BMP* bmp, UINT x, UINT y, UCHAR val);
void BMP_GetPaletteColor(BMP* bmp, UCHAR index, UCHAR* r, UCHAR* g, UCHAR* b);
void BMP_SetPaletteColor(BMP* bmp, UCHAR index, UCHAR r, UCHAR g, UCHAR b);

BMP_STATUS BMP_GetError(void);
const char* BMP_GetErrorDescription(void);

#ifdef __cplusplus
}
#endif

// For callers: when the last call failed, print its description to
// output_file and return return_value from the enclosing function.
#define BMP_CHECK_ERROR(output_file, return_value)                          \
  do {                                                                      \
    if (BMP_GetError() != BMP_OK) {                                         \
      fprintf((output_file), "BMP error: %s\n", BMP_GetErrorDescription()); \
      return (return_value);                                                \
    }                                                                       \
  } while (0)

#endif
