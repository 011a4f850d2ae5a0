// printf-style formatting that hands each character to a callback: no
// buffer, no heap, no static state, so it runs in interrupt handlers and
// output of any length needs no room. Conversions d i u x X c s and %, with
// the flags - + space # 0, width and precision (numbers or *) and the length
// modifiers hh h l ll j z t.
#ifndef FORMATO_H
#define FORMATO_H

#include <stdarg.h>
#include <stdint.h>

using formato_emisor_t = void (*)(void* contexto, char c);

// Formats `formato` with `argumentos`, calling `emitir(contexto, c)` for
// every character produced, and returns how many there were. A conversion it
// does not know is copied to the output as written.
int32_t formato_aplicar(formato_emisor_t emitir, void* contexto, const char* formato,
                        va_list argumentos);

#endif
