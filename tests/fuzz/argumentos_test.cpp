// The duration and target of a fuzz run, from the user's side: ./lab fuzz
// and tools/fuzz.sh accept only a positive whole number of seconds and,
// after it, a target's name; they hand exactly that duration to the named
// fuzzer, or to every fuzzer when none is named, and refuse anything else
// with their usage and status 2 before anything is built or run. Both
// scripts run from a copy of the tree whose cmake and fuzzers are stand-ins,
// so nothing is really built and each fuzzer only records its arguments.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/routines/proceso.h"

namespace {

namespace fs = std::filesystem;

void guion(const fs::path& ruta, const std::string& cuerpo) {
  std::ofstream(ruta) << "#!/bin/sh\n" << cuerpo;
  fs::permissions(ruta, fs::perms::owner_all);
}

struct Caso {
  std::vector<std::string> argumentos;  // after the command; none means the default
  int estado;
  // -max_total_time each fuzzer got, by target; "" when it must not run.
  std::map<std::string, std::string> tiempos;
};

// Target name -> fuzzer program.
const std::map<std::string, std::string> kFuzzers = {
    {"bmp", "fuzz_leer_bmp"}, {"gdb", "fuzz_paquetes_gdb"}, {"gdb-session", "fuzz_sesion_gdb"}};

void PrintTo(const Caso& caso, std::ostream* os) {
  for (const auto& a : caso.argumentos) *os << "'" << a << "' ";
}

class DuracionFuzz : public testing::TestWithParam<Caso> {
 protected:
  void SetUp() override {
    fs::remove_all(raiz_);
    fs::create_directories(raiz_ / "tools");
    fs::create_directories(raiz_ / "bin");
    fs::create_directories(fuzz_);
    fs::copy_file(LAB, raiz_ / "lab");
    for (const char* f : {"fuzz.sh", "fuzz_args.sh"}) {
      fs::copy_file(fs::path(TOOLS) / f, raiz_ / "tools" / f);
    }
    std::ofstream(raiz_ / "tools" / "debian-packages.txt");
    guion(raiz_ / "bin" / "cmake", "exit 0\n");
    for (const char* nombre : {"bmp", "gdb"}) {
      guion(fuzz_ / (std::string("semillas_") + nombre), "exit 0\n");
    }
    for (const auto& [objetivo, fuzzer] : kFuzzers) {
      guion(fuzz_ / fuzzer, std::string("for a; do case \"$a\" in -max_total_time=*) echo \"$a\" > "
                                        "\"$(dirname \"$0\")/tiempo_") +
                                objetivo +
                                "\";; esac; done\necho 'stat::number_of_executed_units: 1' >&2\n");
    }
    setenv("PATH", ((raiz_ / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
  }
  void TearDown() override { fs::remove_all(raiz_); }

  std::string tiempo_recibido(const std::string& objetivo) const {
    std::string tiempo;
    const fs::path ruta = fuzz_ / ("tiempo_" + objetivo);
    std::ifstream(ruta) >> tiempo;
    fs::remove(ruta);
    return tiempo;
  }

  // One folder per process: CTest runs the cases side by side.
  const fs::path raiz_ =
      fs::path(testing::TempDir()) / ("duracion_fuzz_" + std::to_string(getpid()));
  const fs::path fuzz_ = raiz_ / "build" / "dev" / "fuzz";
};

TEST_P(DuracionFuzz, OnlyAWholeNumberOfSecondsReachesTheNamedFuzzers) {
  const Caso& caso = GetParam();
  struct Orden {
    std::vector<std::string> inicio;
    const char* uso;
  };
  const Orden ordenes[] = {
      {{"/bin/bash", (raiz_ / "lab").string(), "fuzz"}, "usage: ./lab"},
      {{"/bin/bash", (raiz_ / "tools" / "fuzz.sh").string(), (raiz_ / "build" / "dev").string()},
       "usage: tools/fuzz.sh"},
  };
  for (const Orden& orden : ordenes) {
    SCOPED_TRACE(orden.uso);
    std::vector<std::string> linea = orden.inicio;
    linea.insert(linea.end(), caso.argumentos.begin(), caso.argumentos.end());
    ResultadoProceso r = ejecutar_programa(linea);
    EXPECT_EQ(r.estado, caso.estado) << r.errores;
    for (const auto& [objetivo, fuzzer] : kFuzzers) {
      const auto esperado = caso.tiempos.find(objetivo);
      EXPECT_EQ(tiempo_recibido(objetivo), esperado == caso.tiempos.end() ? "" : esperado->second)
          << objetivo;
    }
    if (caso.estado == 2) {
      EXPECT_NE(r.errores.find(orden.uso), std::string::npos) << r.errores;
    }
  }
}

Caso valido(const std::string& segundos) {
  Caso caso{{segundos}, 0, {}};
  for (const auto& [objetivo, fuzzer] : kFuzzers) {
    caso.tiempos[objetivo] = "-max_total_time=" + segundos;
  }
  return caso;
}
Caso rechazado(const std::string& segundos) { return {{segundos}, 2, {}}; }
Caso solo(const std::string& objetivo) {
  return {{"7", objetivo}, 0, {{objetivo, "-max_total_time=7"}}};
}
Caso rechazados(const std::vector<std::string>& argumentos) { return {argumentos, 2, {}}; }

INSTANTIATE_TEST_SUITE_P(Objetivos, DuracionFuzz,
                         testing::Values(solo("bmp"), solo("gdb"), solo("gdb-session"),
                                         rechazados({"7", "xyz"}), rechazados({"7", ""}),
                                         rechazados({"7", "BMP"}), rechazados({"7", "gdb "}),
                                         rechazados({"abc", "gdb"}),
                                         rechazados({"7", "gdb", "bmp"})));

INSTANTIATE_TEST_SUITE_P(Duraciones, DuracionFuzz,
                         testing::Values(Caso{{}, 0, valido("60").tiempos}, valido("1"),
                                         valido("20"), valido("2147483647"), rechazado("abc"),
                                         rechazado("0"), rechazado("-5"), rechazado("1.5"),
                                         rechazado(""), rechazado("+5"), rechazado("05"),
                                         rechazado(" 5"), rechazado("5s"), rechazado("2147483648"),
                                         rechazado("99999999999999999999"),
                                         rechazados({"5", "6"})));

}  // namespace
