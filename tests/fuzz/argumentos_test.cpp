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
  std::string tiempo_bmp;  // -max_total_time each fuzzer got; "" when it must not run
  std::string tiempo_gdb;
};

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
    for (const auto& [fuzzer, nombre] : {std::pair{"fuzz_leer_bmp", "bmp"},
                                         std::pair{"fuzz_paquetes_gdb", "gdb"}}) {
      guion(fuzz_ / fuzzer,
            std::string("for a; do case \"$a\" in -max_total_time=*) echo \"$a\" > "
                        "\"$(dirname \"$0\")/tiempo_") +
                nombre + "\";; esac; done\necho 'stat::number_of_executed_units: 1' >&2\n");
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
    EXPECT_EQ(tiempo_recibido("bmp"), caso.tiempo_bmp);
    EXPECT_EQ(tiempo_recibido("gdb"), caso.tiempo_gdb);
    if (caso.estado == 2) {
      EXPECT_NE(r.errores.find(orden.uso), std::string::npos) << r.errores;
    }
  }
}

Caso valido(const std::string& segundos) {
  return {{segundos}, 0, "-max_total_time=" + segundos, "-max_total_time=" + segundos};
}
Caso rechazado(const std::string& segundos) { return {{segundos}, 2, "", ""}; }
Caso solo(const std::string& objetivo) {
  return {{"7", objetivo}, 0, objetivo == "bmp" ? "-max_total_time=7" : "",
          objetivo == "gdb" ? "-max_total_time=7" : ""};
}
Caso rechazados(const std::vector<std::string>& argumentos) { return {argumentos, 2, "", ""}; }

INSTANTIATE_TEST_SUITE_P(
    Objetivos, DuracionFuzz,
    testing::Values(solo("bmp"), solo("gdb"), rechazados({"7", "xyz"}), rechazados({"7", ""}),
                    rechazados({"7", "BMP"}), rechazados({"abc", "gdb"}),
                    rechazados({"7", "gdb", "bmp"})));

INSTANTIATE_TEST_SUITE_P(
    Duraciones, DuracionFuzz,
    testing::Values(Caso{{}, 0, "-max_total_time=60", "-max_total_time=60"}, valido("1"),
                    valido("20"),
                    valido("2147483647"), rechazado("abc"), rechazado("0"), rechazado("-5"),
                    rechazado("1.5"), rechazado(""), rechazado("+5"), rechazado("05"),
                    rechazado(" 5"), rechazado("5s"), rechazado("2147483648"),
                    rechazado("99999999999999999999"), rechazados({"5", "6"})));

}  // namespace
