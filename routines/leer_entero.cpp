#include "leer_entero.h"

#include <cctype>
#include <climits>
#include <cstddef>
#include <string>

#include "host/strict_number.h"

namespace {

// Far longer than any int, even with leading zeros; a longer line is not a
// number, and stopping there keeps garbage input from filling the memory.
constexpr std::size_t LONGITUD_MAXIMA = 4096;

bool es_blanco(int c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool convertir_entero(std::string_view texto, int* valor) {
  const auto leido = host::parse_integer(texto, INT_MIN, INT_MAX);
  if (!leido) {
    return false;
  }
  *valor = static_cast<int>(*leido);
  return true;
}

bool leer_entero(std::FILE* entrada, int* valor) {
  int c = std::fgetc(entrada);
  while (c != EOF && es_blanco(c)) {
    c = std::fgetc(entrada);
  }
  // The answer is the whole line: "6 abc" is not the number 6.
  std::string texto;
  while (c != EOF && c != '\n') {
    if (texto.size() == LONGITUD_MAXIMA) {
      return false;
    }
    texto.push_back(static_cast<char>(c));
    c = std::fgetc(entrada);
  }
  while (!texto.empty() && es_blanco(texto.back())) {
    texto.pop_back();
  }
  return convertir_entero(texto, valor);
}
