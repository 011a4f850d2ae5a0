#include "formato.h"

#include <stddef.h>

namespace {

enum class Longitud { normal, hh, h, l, ll, j, z, t };

struct Directiva {
  bool izquierda = false;  // -
  bool signo = false;      // +
  bool espacio = false;    // space
  bool alterna = false;    // #
  bool ceros = false;      // 0
  int32_t ancho = 0;
  int32_t precision = -1;  // -1: not given
  Longitud longitud = Longitud::normal;
};

class Salida {
 public:
  Salida(formato_emisor_t emitir, void* contexto) : emitir_(emitir), contexto_(contexto) {}
  void poner(char c) {
    emitir_(contexto_, c);
    ++cuenta_;
  }
  void repetir(char c, int32_t veces) {
    for (; veces > 0; --veces) {
      poner(c);
    }
  }
  void texto(const char* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      poner(s[i]);
    }
  }
  int32_t cuenta() const { return cuenta_; }

 private:
  formato_emisor_t emitir_;
  void* contexto_;
  int32_t cuenta_ = 0;
};

bool es_digito(char c) { return c >= '0' && c <= '9'; }

int32_t leer_numero(const char*& p) {
  int32_t n = 0;
  while (es_digito(*p)) {
    n = n * 10 + (*p++ - '0');
  }
  return n;
}

void leer_banderas(const char*& p, Directiva& e) {
  for (;; ++p) {
    switch (*p) {
      case '-':
        e.izquierda = true;
        break;
      case '+':
        e.signo = true;
        break;
      case ' ':
        e.espacio = true;
        break;
      case '#':
        e.alterna = true;
        break;
      case '0':
        e.ceros = true;
        break;
      default:
        return;
    }
  }
}

void leer_ancho_y_precision(const char*& p, Directiva& e, va_list& argumentos) {
  if (*p == '*') {
    ++p;
    const int32_t ancho = va_arg(argumentos, int);
    e.izquierda = e.izquierda || ancho < 0;
    e.ancho = ancho < 0 ? -ancho : ancho;
  } else {
    e.ancho = leer_numero(p);
  }
  if (*p != '.') {
    return;
  }
  ++p;
  if (*p == '*') {
    ++p;
    const int32_t precision = va_arg(argumentos, int);
    e.precision = precision < 0 ? -1 : precision;
  } else {
    e.precision = leer_numero(p);
  }
}

void leer_longitud(const char*& p, Directiva& e) {
  switch (*p) {
    case 'h':
      e.longitud = p[1] == 'h' ? Longitud::hh : Longitud::h;
      p += e.longitud == Longitud::hh ? 2 : 1;
      break;
    case 'l':
      e.longitud = p[1] == 'l' ? Longitud::ll : Longitud::l;
      p += e.longitud == Longitud::ll ? 2 : 1;
      break;
    case 'j':
      e.longitud = Longitud::j;
      ++p;
      break;
    case 'z':
      e.longitud = Longitud::z;
      ++p;
      break;
    case 't':
      e.longitud = Longitud::t;
      ++p;
      break;
    default:
      break;
  }
}

intmax_t entero_con_signo(Longitud l, va_list& argumentos) {
  switch (l) {
    case Longitud::hh:
      return static_cast<signed char>(va_arg(argumentos, int));
    case Longitud::h:
      return static_cast<short>(va_arg(argumentos, int));
    case Longitud::l:
      return va_arg(argumentos, long);
    case Longitud::ll:
      return va_arg(argumentos, long long);
    case Longitud::j:
      return va_arg(argumentos, intmax_t);
    case Longitud::z:
      return va_arg(argumentos, ptrdiff_t);  // the signed size_t
    case Longitud::t:
      return va_arg(argumentos, ptrdiff_t);
    default:
      return va_arg(argumentos, int);
  }
}

uintmax_t entero_sin_signo(Longitud l, va_list& argumentos) {
  switch (l) {
    case Longitud::hh:
      return static_cast<unsigned char>(va_arg(argumentos, unsigned));
    case Longitud::h:
      return static_cast<unsigned short>(va_arg(argumentos, unsigned));
    case Longitud::l:
      return va_arg(argumentos, unsigned long);
    case Longitud::ll:
      return va_arg(argumentos, unsigned long long);
    case Longitud::j:
      return va_arg(argumentos, uintmax_t);
    case Longitud::z:
      return va_arg(argumentos, size_t);
    case Longitud::t:
      return static_cast<uintmax_t>(va_arg(argumentos, ptrdiff_t));
    default:
      return va_arg(argumentos, unsigned);
  }
}

// Digits of `valor` in base 10 or 16, most significant first; returns how
// many. A 64-bit value needs at most 20.
int32_t digitos(uintmax_t valor, unsigned base, bool mayusculas, char (&buffer)[24]) {
  const char* simbolos = mayusculas ? "0123456789ABCDEF" : "0123456789abcdef";
  char invertidos[24];
  int32_t n = 0;
  do {
    invertidos[n++] = simbolos[valor % base];
    valor /= base;
  } while (valor != 0);
  for (int32_t i = 0; i < n; ++i) {
    buffer[i] = invertidos[n - 1 - i];
  }
  return n;
}

// One integer conversion: prefix (sign or 0x), zeros up to the precision,
// digits, and padding up to the width on the side the flags say.
void entero(Salida& s, const Directiva& e, uintmax_t magnitud, const char* prefijo, unsigned base,
            bool mayusculas) {
  char buffer[24];
  int32_t n = digitos(magnitud, base, mayusculas, buffer);
  if (e.precision == 0 && magnitud == 0) {
    n = 0;
  }
  const int32_t largo_prefijo = prefijo[0] == '\0' ? 0 : prefijo[1] == '\0' ? 1 : 2;
  int32_t ceros = e.precision > n ? e.precision - n : 0;
  int32_t relleno = e.ancho - largo_prefijo - ceros - n;
  if (e.ceros && !e.izquierda && e.precision < 0 && relleno > 0) {
    ceros += relleno;
    relleno = 0;
  }
  if (!e.izquierda) {
    s.repetir(' ', relleno);
  }
  s.texto(prefijo, largo_prefijo);
  s.repetir('0', ceros);
  s.texto(buffer, n);
  if (e.izquierda) {
    s.repetir(' ', relleno);
  }
}

void con_relleno(Salida& s, const Directiva& e, const char* texto, int32_t n) {
  if (!e.izquierda) {
    s.repetir(' ', e.ancho - n);
  }
  s.texto(texto, n);
  if (e.izquierda) {
    s.repetir(' ', e.ancho - n);
  }
}

void cadena(Salida& s, const Directiva& e, const char* texto) {
  if (texto == nullptr) {
    texto = "(null)";
  }
  int32_t n = 0;
  while (texto[n] != '\0' && (e.precision < 0 || n < e.precision)) {
    ++n;
  }
  con_relleno(s, e, texto, n);
}

// Performs the conversion `c`; false when it is not one of ours.
bool convertir(Salida& s, const Directiva& e, char c, va_list& argumentos) {
  switch (c) {
    case 'd':
    case 'i': {
      const intmax_t v = entero_con_signo(e.longitud, argumentos);
      const uintmax_t magnitud = v < 0 ? 0u - static_cast<uintmax_t>(v) : static_cast<uintmax_t>(v);
      const char* prefijo = v < 0 ? "-" : e.signo ? "+" : e.espacio ? " " : "";
      entero(s, e, magnitud, prefijo, 10, false);
      return true;
    }
    case 'u':
      entero(s, e, entero_sin_signo(e.longitud, argumentos), "", 10, false);
      return true;
    case 'x':
    case 'X': {
      const uintmax_t v = entero_sin_signo(e.longitud, argumentos);
      const char* prefijo = e.alterna && v != 0 ? (c == 'x' ? "0x" : "0X") : "";
      entero(s, e, v, prefijo, 16, c == 'X');
      return true;
    }
    case 'c': {
      const char caracter = static_cast<char>(va_arg(argumentos, int));
      con_relleno(s, e, &caracter, 1);
      return true;
    }
    case 's':
      cadena(s, e, va_arg(argumentos, const char*));
      return true;
    case '%':
      s.poner('%');
      return true;
    default:
      return false;
  }
}

}  // namespace

int32_t formato_aplicar(formato_emisor_t emitir, void* contexto, const char* formato,
                        va_list argumentos) {
  Salida s(emitir, contexto);
  va_list args;
  va_copy(args, argumentos);
  for (const char* p = formato; *p != '\0';) {
    if (*p != '%') {
      s.poner(*p++);
      continue;
    }
    const char* inicio = p++;
    Directiva e;
    leer_banderas(p, e);
    leer_ancho_y_precision(p, e, args);
    leer_longitud(p, e);
    if (*p == '\0') {
      s.texto(inicio, static_cast<int32_t>(p - inicio));
      break;
    }
    if (!convertir(s, e, *p, args)) {
      s.texto(inicio, static_cast<int32_t>(p - inicio + 1));
    }
    ++p;
  }
  va_end(args);
  return s.cuenta();
}
