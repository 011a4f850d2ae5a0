// The duration of a fuzz run, from the user's side: ./lab fuzz and
// tools/fuzz.sh accept only a positive whole number of seconds, hand exactly
// that to the fuzzer, and refuse anything else with their usage and status 2
// before anything is built or run. Both scripts run from a copy of the tree
// whose cmake and fuzzer are stand-ins, so nothing is really built and the
// fuzzer only records its arguments.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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
  std::string tiempo;  // -max_total_time the fuzzer got; "" when it must not run
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
    guion(fuzz_ / "semillas_bmp", "exit 0\n");
    guion(fuzz_ / "fuzz_leer_bmp",
          "for a; do case \"$a\" in -max_total_time=*) echo \"$a\" > \"$(dirname \"$0\")/tiempo\";; "
          "esac; done\necho 'stat::number_of_executed_units: 1' >&2\n");
    setenv("PATH", ((raiz_ / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
  }
  void TearDown() override { fs::remove_all(raiz_); }

  std::string tiempo_recibido() const {
    std::string tiempo;
    std::ifstream(fuzz_ / "tiempo") >> tiempo;
    fs::remove(fuzz_ / "tiempo");
    return tiempo;
  }

  // One folder per process: CTest runs the cases side by side.
  const fs::path raiz_ =
      fs::path(testing::TempDir()) / ("duracion_fuzz_" + std::to_string(getpid()));
  const fs::path fuzz_ = raiz_ / "build" / "dev" / "fuzz";
};

TEST_P(DuracionFuzz, OnlyAWholeNumberOfSecondsReachesTheFuzzer) {
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
    EXPECT_EQ(tiempo_recibido(), caso.tiempo);
    if (caso.estado == 2) {
      EXPECT_NE(r.errores.find(orden.uso), std::string::npos) << r.errores;
    }
  }
}

Caso valido(const std::string& segundos) { return {{segundos}, 0, "-max_total_time=" + segundos}; }
Caso rechazado(const std::string& segundos) { return {{segundos}, 2, ""}; }

INSTANTIATE_TEST_SUITE_P(
    Duraciones, DuracionFuzz,
    testing::Values(Caso{{}, 0, "-max_total_time=60"}, valido("1"), valido("20"),
                    valido("2147483647"), rechazado("abc"), rechazado("0"), rechazado("-5"),
                    rechazado("1.5"), rechazado(""), rechazado("+5"), rechazado("05"),
                    rechazado(" 5"), rechazado("5s"), rechazado("2147483648"),
                    rechazado("99999999999999999999"), Caso{{"5", "6"}, 2, ""}));

}  // namespace
