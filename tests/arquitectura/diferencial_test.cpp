// The simulated Cortex-M4F against the architecture: the architecture program
// runs on our simulator and on an independent reference (the QEMU machine
// mps2-an386), and their logs must agree record by record. Where the
// reference itself departs from the architecture, the reviewed list
// desviaciones_qemu.txt gives the architecture's value, which our simulator
// must produce instead; an entry the reference no longer needs fails too.
// The reference's log is kept as qemu_an386.txt, so the comparison runs
// where QEMU is missing; where it is present, its fresh log must equal it.
// After a reviewed change to the program, the log is made again by running
// the reference on build/dev/firmware/images/arq_an386.elf with the command
// log_de_qemu uses, its output going to tests/arquitectura/qemu_an386.txt.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "escenarios.h"
#include "sim/api/simulador.h"

namespace {

namespace fs = std::filesystem;

using Clave = std::pair<unsigned, unsigned>;  // scenario, step
using Registro = std::map<Clave, std::vector<std::uint32_t>>;

const fs::path kImagenes = ARQ_IMAGENES;
const fs::path kFuentes = ARQ_FUENTES;
const std::string kQemu = ARQ_QEMU;
constexpr int kSegundosQemu = 60;
constexpr double kSegundosPlaca = 120.0;

std::string nombre_escenario(unsigned numero) {
#define ARQ_NOMBRE(n, nombre) \
  if (numero == (n)) return #nombre;
  ARQ_ESCENARIOS(ARQ_NOMBRE)
#undef ARQ_NOMBRE
  return "escenario " + std::to_string(numero);
}

std::optional<unsigned> numero_escenario(const std::string& nombre) {
#define ARQ_NUMERO(n, nom) \
  if (nombre == #nom) return (n);
  ARQ_ESCENARIOS(ARQ_NUMERO)
#undef ARQ_NUMERO
  return std::nullopt;
}

std::string hex(std::uint32_t v) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%08x", v);
  return texto;
}

std::string describir(const Clave& clave) {
  char paso[8];
  std::snprintf(paso, sizeof paso, "%02x", clave.second);
  return nombre_escenario(clave.first) + "." + paso;
}

std::string valores(const Registro& registro, const Clave& clave) {
  const auto it = registro.find(clave);
  if (it == registro.end()) return "(none)";
  std::string texto;
  for (std::uint32_t v : it->second) texto += (texto.empty() ? "" : ",") + hex(v);
  return texto;
}

// Text lines "ss.pp vvvvvvvv name"; `rechazadas` gets the lines that are not.
Registro leer_texto(std::istream& entrada, std::vector<std::string>& rechazadas) {
  Registro registro;
  std::string linea;
  while (std::getline(entrada, linea)) {
    unsigned escenario = 0, paso = 0;
    std::uint32_t valor = 0;
    char nombre[64] = {};
    if (std::sscanf(linea.c_str(), "%2x.%2x %8x %63s", &escenario, &paso, &valor, nombre) == 4 &&
        nombre_escenario(escenario) == nombre) {
      registro[{escenario, paso}].push_back(valor);
    } else if (!linea.empty()) {
      rechazadas.push_back(linea);
    }
  }
  return registro;
}

std::string contenido(const fs::path& ruta) {
  std::ifstream entrada(ruta);
  std::stringstream texto;
  texto << entrada.rdbuf();
  return texto.str();
}

// QEMU's log, or nothing when QEMU is not installed.
std::optional<std::string> log_de_qemu(const fs::path& imagen, std::string& problema) {
  if (kQemu.empty() || !fs::exists(kQemu)) return std::nullopt;
  const std::string orden = "timeout " + std::to_string(kSegundosQemu) + " '" + kQemu +
                            "' -M mps2-an386 -cpu cortex-m4 -nographic"
                            " -semihosting-config enable=on,target=native -kernel '" +
                            imagen.string() + "' </dev/null 2>&1";
  FILE* tubo = popen(orden.c_str(), "r");
  if (tubo == nullptr) {
    problema = "cannot start " + orden;
    return std::string();
  }
  std::string salida;
  std::array<char, 4096> bloque;
  std::size_t n = 0;
  while ((n = std::fread(bloque.data(), 1, bloque.size(), tubo)) > 0) salida.append(bloque.data(), n);
  const int estado = pclose(tubo);
  if (estado != 0) problema = orden + " ended with status " + std::to_string(estado);
  return salida;
}

struct Desviacion {
  std::uint32_t arquitectura = 0;
  std::string regla;
};

// Lines "name.pp vvvvvvvv rule", # starts a comment line.
std::map<Clave, Desviacion> leer_desviaciones(const fs::path& ruta, std::vector<std::string>& errores) {
  std::map<Clave, Desviacion> lista;
  std::ifstream entrada(ruta);
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (linea.empty() || linea[0] == '#') continue;
    std::istringstream campos(linea);
    std::string clave, valor, regla;
    campos >> clave >> valor;
    std::getline(campos, regla);
    const auto punto = clave.find('.');
    const auto numero =
        punto == std::string::npos ? std::nullopt : numero_escenario(clave.substr(0, punto));
    if (!numero || valor.size() != 8 || regla.find_first_not_of(' ') == std::string::npos) {
      errores.push_back("malformed allow-list line: " + linea);
      continue;
    }
    const Clave c{*numero, static_cast<unsigned>(std::stoul(clave.substr(punto + 1), nullptr, 16))};
    lista[c] = {static_cast<std::uint32_t>(std::stoul(valor, nullptr, 16)),
                regla.substr(regla.find_first_not_of(' '))};
  }
  return lista;
}

// One run of the program on our simulator, leaving out the scenarios in
// `omitir`; its records, and why it stopped short (empty when it finished).
struct Corrida {
  Registro registro;
  unsigned escenario = 0;  // the scenario running when it stopped short
  std::string problema;
};

Corrida correr_en_simulador(const fs::path& imagen, std::uint32_t omitir) {
  sim::Simulador placa(imagen);
  placa.run_to("main", kSegundosPlaca);
  placa.write<std::uint32_t>("arq_omitir", omitir);
  const sim::RunResult fin = placa.run_until(
      [&placa] { return placa.read<std::uint32_t>("arq_hecho") != 0; }, kSegundosPlaca);
  Corrida corrida;
  if (placa.read<std::uint32_t>("arq_hecho") == 0) {
    corrida.escenario = placa.read<std::uint32_t>("arq_escenario");
    corrida.problema = std::string("stopped short (") + sim::to_string(fin.reason) + ") at pc " +
                       hex(placa.pc()) + " (" + placa.symbol_at(placa.pc()) + ")";
    if (const auto& fallo = placa.fault()) {
      corrida.problema += ": \"" + fallo->kind + "\" at address " + hex(fallo->address);
    }
  }
  const std::uint32_t n = placa.read<std::uint32_t>("arq_n");
  std::vector<std::uint32_t> palabras(2 * n);
  placa.read_memory(placa.symbol("arq_registro"), palabras.data(), 4 * palabras.size());
  for (std::uint32_t i = 0; i < n; ++i) {
    corrida.registro[{palabras[2 * i] >> 8, palabras[2 * i] & 0xFFu}].push_back(palabras[2 * i + 1]);
  }
  return corrida;
}

// Our simulator's log. A scenario that stops the simulator keeps the records
// it logged before, and the program runs again without it, so one broken
// scenario does not hide the others; `problemas` says which stopped.
Registro log_del_simulador(const fs::path& imagen, std::vector<std::string>& problemas) {
  Registro parciales;
  std::uint32_t omitir = 0;
  for (;;) {
    Corrida corrida = correr_en_simulador(imagen, omitir);
    const std::uint32_t bit = corrida.escenario < 32 ? 1u << corrida.escenario : 0u;
    if (corrida.problema.empty() || corrida.escenario == 0 || (omitir & bit) != 0) {
      if (!corrida.problema.empty()) problemas.push_back("outside the scenarios: " + corrida.problema);
      corrida.registro.insert(parciales.begin(), parciales.end());
      return corrida.registro;
    }
    problemas.push_back(nombre_escenario(corrida.escenario) + ": " + corrida.problema);
    for (const auto& [c, v] : corrida.registro) {
      if (c.first == corrida.escenario) parciales[c] = v;
    }
    omitir |= bit;
  }
}

TEST(Arquitectura, NuestroSimuladorHaceLoQueLaArquitecturaDice) {
  const fs::path nuestra = kImagenes / "arq_lpc4088.elf";
  const fs::path de_qemu = kImagenes / "arq_an386.elf";
  if (!fs::exists(nuestra) || !fs::exists(de_qemu)) GTEST_SKIP() << "firmware not built";

  // The reference: the committed log, checked against a fresh one if possible.
  std::vector<std::string> rechazadas;
  std::istringstream texto_guardado(contenido(kFuentes / "qemu_an386.txt"));
  const Registro referencia = leer_texto(texto_guardado, rechazadas);
  ASSERT_FALSE(referencia.empty()) << "no records in qemu_an386.txt";
  EXPECT_TRUE(rechazadas.empty()) << "qemu_an386.txt has lines that are not records: "
                                  << rechazadas.front();
  std::string problema_qemu;
  if (const auto fresco = log_de_qemu(de_qemu, problema_qemu)) {
    EXPECT_TRUE(problema_qemu.empty()) << problema_qemu << "\n" << *fresco;
    std::vector<std::string> ajenas;
    std::istringstream texto_fresco(*fresco);
    const Registro nuevo = leer_texto(texto_fresco, ajenas);
    std::string distintos;
    std::map<Clave, int> claves;
    for (const auto& [c, v] : referencia) claves[c] = 0;
    for (const auto& [c, v] : nuevo) claves[c] = 0;
    for (const auto& [c, unused] : claves) {
      if (valores(referencia, c) != valores(nuevo, c)) {
        distintos += "  " + describir(c) + ": qemu_an386.txt " + valores(referencia, c) +
                     ", QEMU now " + valores(nuevo, c) + "\n";
      }
    }
    EXPECT_TRUE(distintos.empty())
        << "QEMU's fresh log differs from qemu_an386.txt (review it, then commit the new log"
           " and the allow-list together):\n"
        << distintos;
  } else {
    std::printf("qemu-system-arm not found: comparing with qemu_an386.txt alone\n");
  }

  // Where the reference departs from the architecture.
  std::vector<std::string> errores;
  const auto desviaciones = leer_desviaciones(kFuentes / "desviaciones_qemu.txt", errores);
  for (const std::string& e : errores) ADD_FAILURE() << e;
  Registro arquitectura = referencia;
  for (const auto& [c, d] : desviaciones) {
    const auto it = referencia.find(c);
    if (it == referencia.end()) {
      ADD_FAILURE() << "allow-list entry " << describir(c) << " names no record of QEMU's log";
    } else if (it->second == std::vector<std::uint32_t>{d.arquitectura}) {
      ADD_FAILURE() << "allow-list entry " << describir(c)
                    << " is obsolete: QEMU now gives the architecture's value "
                    << hex(d.arquitectura) << "; remove it";
    }
    arquitectura[c] = {d.arquitectura};
  }

  // Our simulator against the architecture.
  std::vector<std::string> detenidos;
  const Registro nuestro = log_del_simulador(nuestra, detenidos);
  for (const std::string& d : detenidos) ADD_FAILURE() << "our simulator: " << d;
  std::map<Clave, int> claves;
  for (const auto& [c, v] : arquitectura) claves[c] = 0;
  for (const auto& [c, v] : nuestro) claves[c] = 0;
  std::string tabla;
  unsigned diferencias = 0;
  for (const auto& [c, unused] : claves) {
    if (valores(nuestro, c) == valores(arquitectura, c)) continue;
    ++diferencias;
    char linea[256];
    std::snprintf(linea, sizeof linea, "  %-22s ours %-9s QEMU %-9s architecture %-9s%s\n",
                  describir(c).c_str(), valores(nuestro, c).c_str(), valores(referencia, c).c_str(),
                  valores(arquitectura, c).c_str(),
                  desviaciones.count(c) ? "  (QEMU allow-listed)" : "");
    tabla += linea;
  }
  EXPECT_EQ(diferencias, 0u) << "our simulator departs from the architecture in " << diferencias
                             << " records (scenario.step, values in hex):\n"
                             << tabla;
}

}  // namespace
