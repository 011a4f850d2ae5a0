// Error stop of the firmware and the argument-check macros built on it.
#ifndef ERROR_H
#define ERROR_H

#ifdef __cplusplus
extern "C" {
#endif

// Reports a failed check (source file, function, line, message) and never
// returns: code after a failed check relies on its arguments being valid.
#ifdef __cplusplus
[[noreturn]]
#else
_Noreturn
#endif
void parar_con_error(const char* fichero, const char* funcion, int linea, const char* mensaje);

#ifdef __cplusplus
}
#endif

#define HABILITAR_ASSERT 1

// __FILE_NAME__ is the file's own name without directories, so the report is
// the same whatever folder the build runs in.
#define ERROR(mensaje) parar_con_error(__FILE_NAME__, __func__, __LINE__, (mensaje))

#if HABILITAR_ASSERT
#define ASSERT(expr, mensaje) \
  do {                        \
    if (!(expr)) {            \
      ERROR(mensaje);         \
    }                         \
  } while (0)
#else
#define ASSERT(expr, mensaje) \
  do {                        \
  } while (0)
#endif

#endif
