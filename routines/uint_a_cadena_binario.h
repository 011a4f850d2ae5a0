// Unsigned integer to 32-digit binary text (i386 routine, cdecl).
#ifndef ROUTINES_UINT_A_CADENA_BINARIO_H
#define ROUTINES_UINT_A_CADENA_BINARIO_H

#ifdef __cplusplus
extern "C" {
#endif

// Writes numero as 32 binary digits, most significant first, and a zero
// byte (33 bytes); returns cadena.
char* uint_a_cadena_binario(unsigned int numero, char* cadena);

#ifdef __cplusplus
}
#endif

#endif
