// A student's own lab from the user's side, in a scratch copy of the tree:
// ./lab new refuses bad names with status 2 and changes no file, and the
// configure step names the areas the lists leave out.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/nuevo_lab/arbol_copia.h"

namespace {

namespace fs = std::filesystem;

struct Rechazo {
  const char* argumentos;  // as typed after ./lab new
  const char* motivo;      // a piece of the message the user gets
};

// CTest names each case after this: the arguments, bracketed so that an
// empty one still shows.
void PrintTo(const Rechazo& r, std::ostream* os) { *os << "[" << r.argumentos << "]"; }

class NuevoLab : public testing::Test {
 protected:
  static void SetUpTestSuite() { copiar_arbol(LAB_ROOT, copia_); }
  static void TearDownTestSuite() { fs::remove_all(copia_); }

  // One folder per process: CTest runs the cases side by side.
  static inline const fs::path copia_ =
      fs::path(testing::TempDir()) / ("nuevo_lab_" + std::to_string(getpid()));
};

class NombreRechazado : public NuevoLab, public testing::WithParamInterface<Rechazo> {};

TEST_P(NombreRechazado, ExitsWithStatus2AndChangesNothing) {
  const auto antes = foto(copia_);
  const ResultadoProceso r = en(copia_, std::string("./lab new ") + GetParam().argumentos);
  EXPECT_EQ(r.estado, 2) << todo(r);
  EXPECT_NE(r.errores.find(GetParam().motivo), std::string::npos) << r.errores;
  EXPECT_TRUE(foto(copia_) == antes) << "the refused name changed the tree";
}

INSTANTIATE_TEST_SUITE_P(
    Nombres, NombreRechazado,
    testing::Values(
        Rechazo{"", "usage: ./lab new NAME"}, Rechazo{"uno dos", "usage: ./lab new NAME"},
        Rechazo{"''", "not a valid lab name"}, Rechazo{"Blinky", "not a valid lab name"},
        Rechazo{"1lab", "not a valid lab name"}, Rechazo{"mi-lab", "not a valid lab name"},
        Rechazo{"mi__lab", "not a valid lab name"}, Rechazo{"_lab", "not a valid lab name"},
        Rechazo{"lab_", "not a valid lab name"}, Rechazo{"a_1b", "not a valid lab name"},
        Rechazo{"../fuera", "not a valid lab name"}, Rechazo{"'a;touch x'", "not a valid lab name"},
        Rechazo{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "not a valid lab name"},
        Rechazo{"apps", "already exists"}, Rechazo{"drivers", "already exists"},
        Rechazo{"simcore", "tests/simcore already exists"},
        Rechazo{"reloj", "clashes with 'reloj'"},
        Rechazo{"temporizador", "clashes with 'temporizador'"}, Rechazo{"arranque", "clashes"},
        Rechazo{"main", "clashes"}, Rechazo{"lpc4088_sim", "clashes"},
        Rechazo{"firmware_formato", "clashes with 'firmware_formato_test'"},
        Rechazo{"test", "clashes"}, Rechazo{"temporizador_limpiar", "test suite"}),
    [](const testing::TestParamInfo<Rechazo>& caso) { return std::to_string(caso.index); });

// Each folder that describes a build, missing from its area list, and the
// configure step that must say so.
struct Ignorado {
  const char* archivo;
  const char* configurar;
};

void PrintTo(const Ignorado& i, std::ostream* os) { *os << i.archivo; }

class AreaIgnorada : public NuevoLab, public testing::WithParamInterface<Ignorado> {};

TEST_P(AreaIgnorada, ConfigureNamesItAndTheListToAddItTo) {
  const fs::path archivo = copia_ / GetParam().archivo;
  fs::create_directories(archivo.parent_path());
  std::ofstream(archivo) << "message(FATAL_ERROR \"an unlisted area was built\")\n";
  const ResultadoProceso r = en(copia_, GetParam().configurar);
  fs::remove_all(archivo.parent_path());
  EXPECT_EQ(r.estado, 0) << todo(r);
  const std::string carpeta = fs::path(GetParam().archivo).parent_path().filename().string();
  EXPECT_NE(r.errores.find(carpeta + " is ignored"), std::string::npos) << todo(r);
  EXPECT_NE(r.errores.find("not in the area list"), std::string::npos) << todo(r);
}

INSTANTIATE_TEST_SUITE_P(
    Listas, AreaIgnorada,
    testing::Values(Ignorado{"tests/huerfano/CMakeLists.txt", "cmake --preset dev >/dev/null"},
                    Ignorado{"huerfano/firmware.cmake",
                             "cmake -S cmake/firmware -B build/fw -G Ninja "
                             "-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/arm-none-eabi.cmake "
                             "-DLAB_ROOT=$PWD -DLAB_HOST_TOOLS_DIR=$PWD/build/fw >/dev/null"}),
    [](const testing::TestParamInfo<Ignorado>& caso) {
      return caso.index == 0 ? std::string("Tests") : std::string("Firmware");
    });

}  // namespace
