// Shared scalar types of the firmware modules.
#ifndef TIPOS_H
#define TIPOS_H

#include <stdint.h>

typedef uint8_t bool_t;  // one byte, as the firmware records store it

#define FALSE ((bool_t)0)
#define TRUE ((bool_t)1)

typedef float float32_t;
typedef double float64_t;

#ifndef __cplusplus
#define static_assert _Static_assert  // C11 spelling; C++ has the keyword
#endif

static_assert(sizeof(bool_t) == 1, "bool_t is one byte");
static_assert(sizeof(float32_t) == 4, "float32_t is IEEE single");
static_assert(sizeof(float64_t) == 8, "float64_t is IEEE double");

#endif
