// The LCD's printf formatting against the host C library's snprintf, which
// implements the same standard conversions.
#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formato.h"

namespace {

void acumular(void* contexto, char c) { static_cast<std::string*>(contexto)->push_back(c); }

struct Resultado {
  std::string texto;
  int32_t cuenta;
};

Resultado formatear(const char* formato, ...) {
  Resultado r{{}, 0};
  va_list argumentos;
  va_start(argumentos, formato);
  r.cuenta = formato_aplicar(acumular, &r.texto, formato, argumentos);
  va_end(argumentos);
  return r;
}

template <typename... A>
std::string referencia(const char* formato, A... argumentos) {
  std::vector<char> buffer(512);
  const int n = std::snprintf(buffer.data(), buffer.size(), formato, argumentos...);
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

struct Caso {
  const char* formato;
  Resultado obtenido;
  std::string esperado;
};

// Each case runs the same format and arguments through both; the extra 0
// keeps formats without conversions from being called with no argument.
#define CASO(formato, ...) \
  Caso { formato, formatear(formato, __VA_ARGS__, 0), referencia(formato, __VA_ARGS__, 0) }

TEST(Formato, MatchesTheCLibraryOnEveryConversionAndFlag) {
  const Caso casos[] = {
      CASO("%d", 0),
      CASO("%d|%i", -1, 12345),
      CASO("%d", INT_MIN),
      CASO("%d", INT_MAX),
      CASO("[%5d]", 42),
      CASO("[%-5d]", 42),
      CASO("[%05d]", -42),
      CASO("[%-05d] [%-05d] [%0-5d] [%-05i]", 42, -42, 42, 0),
      CASO("[%-05u] [%-08x] [%-08X] [%0-#8x]", 42u, 0xbeefu, 0xbeefu, 255u),
      CASO("[%-+05d] [%- 05d] [%0*d] [%-08.3d]", 7, 7, -6, 42, -7),
      CASO("[%+d] [% d] [%+d]", 7, 7, -7),
      CASO("[%.3d] [%8.3d] [%-8.3d]", 7, -7, 7),
      CASO("[%08.3d]", 7),
      CASO("[%.0d] [%5.0d] [%+.0d]", 0, 0, 0),
      CASO("%u", 4294967295u),
      CASO("%x %X", 0xdeadbeefu, 0xdeadbeefu),
      CASO("[%#x] [%#X] [%#x]", 255u, 255u, 0u),
      CASO("[%#08x] [%-#8x] [%#.4x]", 255u, 255u, 255u),
      CASO("%02u:%02u:%02u", 0u, 0u, 0u),
      CASO("%02u:%02u:%02u", 23u, 59u, 9u),
      CASO("%02u", 123u),
      CASO("[%c] [%3c] [%-3c]", 'A', 'B', 'C'),
      CASO("[%s] [%.2s] [%6s] [%-6s] [%.0s]", "hola", "hola", "hola", "hola", "hola"),
      CASO("[%*d] [%*d] [%-*d]", 5, 42, -5, 42, 4, 1),
      CASO("[%.*d] [%.*d]", 4, 7, -1, 7),
      CASO("[%.*s]", 3, "abcdef"),
      CASO("100%% [%5%]", 1),
      CASO("%hhd %hhu %hd %hu", 300, 300, 70000, 70000),
      CASO("%ld %lu %lx", -5L, 5UL, 0xABCUL),
      CASO("%lld %llu", LLONG_MIN, ULLONG_MAX),
      CASO("%zu %jd %td", std::size_t{77}, intmax_t{-9}, std::ptrdiff_t{-3}),
      CASO("%300d", 1),
      CASO("v\xE1lido %s", "\xF1"),
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.formato);
    EXPECT_EQ(c.obtenido.texto, c.esperado);
    EXPECT_EQ(c.obtenido.cuenta, static_cast<int32_t>(c.esperado.size()));
  }
}

TEST(Formato, CopiesWhatItCannotConvertAsWritten) {
  const struct {
    const char* formato;
    const char* esperado;
  } casos[] = {{"a%qb", "a%qb"}, {"%-5yz", "%-5yz"}, {"fin %", "fin %"}, {"fin %5", "fin %5"}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.formato);
    const Resultado r = formatear(c.formato, 0);
    EXPECT_EQ(r.texto, c.esperado);
    EXPECT_EQ(r.cuenta, static_cast<int32_t>(r.texto.size()));
  }
}

TEST(Formato, PrintsANullStringAsNull) {
  EXPECT_EQ(formatear("[%s]", static_cast<const char*>(nullptr)).texto, "[(null)]");
}

}  // namespace
