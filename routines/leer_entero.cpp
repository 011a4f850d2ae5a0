#include "leer_entero.h"

#include <cctype>
#include <charconv>
#include <string>
#include <system_error>

bool convertir_entero(std::string_view texto, int* valor) {
  if (!texto.empty() && texto.front() == '+') {
    texto.remove_prefix(1);
    if (texto.empty() || texto.front() == '-') {
      return false;
    }
  }
  int leido = 0;
  const char* fin = texto.data() + texto.size();
  auto [resto, error] = std::from_chars(texto.data(), fin, leido);
  if (error != std::errc() || resto != fin) {
    return false;
  }
  *valor = leido;
  return true;
}

bool leer_entero(std::FILE* entrada, int* valor) {
  int c = std::fgetc(entrada);
  while (c != EOF && std::isspace(c)) {
    c = std::fgetc(entrada);
  }
  std::string texto;
  while (c != EOF && !std::isspace(c)) {
    texto.push_back(static_cast<char>(c));
    c = std::fgetc(entrada);
  }
  return convertir_entero(texto, valor);
}
