// Reading of one decimal integer typed by the user.
#ifndef ROUTINES_LEER_ENTERO_H
#define ROUTINES_LEER_ENTERO_H

#include <cstdio>
#include <string_view>

// True when texto is a decimal integer that fits an int: an optional sign
// and at least one digit, nothing else. Only then is *valor written.
bool convertir_entero(std::string_view texto, int* valor);

// Skips leading white space and reads the rest of that line of entrada; the
// line, without its trailing blanks, must be a number for convertir_entero.
bool leer_entero(std::FILE* entrada, int* valor);

#endif
