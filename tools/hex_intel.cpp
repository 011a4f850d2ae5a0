#include "hex_intel.h"

#include <cstdio>
#include <sstream>

namespace herramientas {
namespace {

constexpr std::uint8_t kDatos = 0x00;
constexpr std::uint8_t kSegmentoExtendido = 0x02;
constexpr std::uint8_t kLinealExtendida = 0x04;

struct Registro {
  std::size_t linea;  // index in the list of lines
  std::uint8_t tipo;
  std::uint16_t desplazamiento;  // as written in the record
  std::uint32_t direccion;       // absolute, for data records
  std::vector<std::uint8_t> datos;
};

std::optional<std::uint8_t> byte_hex(const std::string& s, std::size_t pos) {
  if (pos + 2 > s.size()) {
    return std::nullopt;
  }
  unsigned valor = 0;
  for (std::size_t i = pos; i < pos + 2; ++i) {
    const char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      d = static_cast<unsigned>(c - 'a' + 10);
    } else {
      return std::nullopt;
    }
    valor = valor * 16 + d;
  }
  return static_cast<std::uint8_t>(valor);
}

// Bytes of one record line (count, address, type, data, checksum), checked.
std::optional<std::vector<std::uint8_t>> bytes_de_linea(const std::string& linea) {
  if (linea.empty() || linea[0] != ':' || linea.size() % 2 != 1 || linea.size() < 11) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t suma = 0;
  for (std::size_t pos = 1; pos < linea.size(); pos += 2) {
    const auto b = byte_hex(linea, pos);
    if (!b) {
      return std::nullopt;
    }
    bytes.push_back(*b);
    suma = static_cast<std::uint8_t>(suma + *b);
  }
  if (suma != 0 || bytes[0] + 5u != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::vector<Registro>> registros(const std::vector<std::string>& lineas) {
  std::vector<Registro> lista;
  std::uint32_t base = 0;
  for (std::size_t i = 0; i < lineas.size(); ++i) {
    if (lineas[i].empty()) {
      continue;
    }
    const auto b = bytes_de_linea(lineas[i]);
    if (!b) {
      return std::nullopt;
    }
    const std::uint8_t tipo = (*b)[3];
    std::vector<std::uint8_t> datos(b->begin() + 4, b->end() - 1);
    const auto desplazamiento = static_cast<std::uint16_t>((*b)[1] << 8 | (*b)[2]);
    if (tipo == kLinealExtendida && datos.size() == 2) {
      base = (std::uint32_t{datos[0]} << 8 | datos[1]) << 16;
    } else if (tipo == kSegmentoExtendido && datos.size() == 2) {
      base = (std::uint32_t{datos[0]} << 8 | datos[1]) << 4;
    }
    lista.push_back({i, tipo, desplazamiento, base + desplazamiento, std::move(datos)});
  }
  return lista;
}

std::vector<std::string> partir_lineas(const std::string& texto) {
  std::vector<std::string> lineas;
  std::istringstream entrada(texto);
  for (std::string l; std::getline(entrada, l);) {
    if (!l.empty() && l.back() == '\r') {
      l.pop_back();
    }
    lineas.push_back(l);
  }
  return lineas;
}

std::string linea_de(const Registro& r) {
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(r.datos.size()),
                                     static_cast<std::uint8_t>(r.desplazamiento >> 8),
                                     static_cast<std::uint8_t>(r.desplazamiento), r.tipo};
  bytes.insert(bytes.end(), r.datos.begin(), r.datos.end());
  std::uint8_t suma = 0;
  for (const auto b : bytes) {
    suma = static_cast<std::uint8_t>(suma + b);
  }
  bytes.push_back(static_cast<std::uint8_t>(0x100 - suma));
  std::string linea = ":";
  char par[3];
  for (const auto b : bytes) {
    std::snprintf(par, sizeof par, "%02X", b);
    linea += par;
  }
  return linea;
}

// The record and index within it that hold `direccion`, if any.
std::optional<std::pair<std::size_t, std::size_t>> buscar(const std::vector<Registro>& lista,
                                                          std::uint32_t direccion) {
  for (std::size_t i = 0; i < lista.size(); ++i) {
    const auto& r = lista[i];
    if (r.tipo == kDatos && direccion >= r.direccion && direccion - r.direccion < r.datos.size()) {
      return std::pair{i, std::size_t{direccion - r.direccion}};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> hex_leer(const std::string& texto, std::uint32_t direccion,
                                                  std::size_t tamano) {
  const auto lista = registros(partir_lineas(texto));
  if (!lista) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < tamano; ++i) {
    const auto lugar = buscar(*lista, direccion + static_cast<std::uint32_t>(i));
    if (!lugar) {
      return std::nullopt;
    }
    bytes.push_back((*lista)[lugar->first].datos[lugar->second]);
  }
  return bytes;
}

bool hex_escribir(std::string& texto, std::uint32_t direccion,
                  const std::vector<std::uint8_t>& bytes) {
  auto lineas = partir_lineas(texto);
  auto lista = registros(lineas);
  if (!lista) {
    return false;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto lugar = buscar(*lista, direccion + static_cast<std::uint32_t>(i));
    if (!lugar) {
      return false;
    }
    auto& r = (*lista)[lugar->first];
    r.datos[lugar->second] = bytes[i];
    lineas[r.linea] = linea_de(r);
  }
  std::string nuevo;
  for (const auto& l : lineas) {
    nuevo += l + "\n";
  }
  texto = std::move(nuevo);
  return true;
}

}  // namespace herramientas
