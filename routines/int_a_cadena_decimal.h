// Signed integer to fixed-width decimal text (i386 routine, cdecl).
#ifndef ROUTINES_INT_A_CADENA_DECIMAL_H
#define ROUTINES_INT_A_CADENA_DECIMAL_H

#ifdef __cplusplus
extern "C" {
#endif

// Writes numero as ten digits with leading zeros, after '-' when negative,
// and a zero byte (11 or 12 bytes); returns cadena.
char* int_a_cadena_decimal(int numero, char* cadena);

#ifdef __cplusplus
}
#endif

#endif
