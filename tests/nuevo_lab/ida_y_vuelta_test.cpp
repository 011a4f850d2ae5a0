// The whole round trip of a student's own lab, in a scratch copy of the tree:
// ./lab new, configure, build, the generated tests pass, ./lab run runs it.
// Minutes: the copy builds the simulator and every firmware image from
// nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/nuevo_lab/arbol_copia.h"

namespace {

namespace fs = std::filesystem;

class IdaYVuelta : public testing::Test {
 protected:
  void SetUp() override { copiar_arbol(LAB_ROOT, copia_); }
  void TearDown() override { fs::remove_all(copia_); }

  const fs::path copia_ =
      fs::path(testing::TempDir()) / ("ida_y_vuelta_" + std::to_string(getpid()));
};

TEST_F(IdaYVuelta, NewBuildTestAndRun) {
  const fs::path lab = copia_ / "prueba_ida_vuelta";
  ResultadoProceso r = en(copia_, "./lab new prueba_ida_vuelta");
  ASSERT_EQ(r.estado, 0) << todo(r);
  EXPECT_NE(r.salida.find("./lab run prueba_ida_vuelta"), std::string::npos) << r.salida;

  const auto hecho = foto(copia_);
  r = en(copia_, "./lab new prueba_ida_vuelta");
  EXPECT_EQ(r.estado, 2) << todo(r);
  EXPECT_TRUE(foto(copia_) == hecho) << "a second ./lab new changed the lab";

  r = en(copia_, "cmake --preset dev >/dev/null");
  ASSERT_EQ(r.estado, 0) << todo(r);
  EXPECT_EQ(r.errores.find("is ignored"), std::string::npos) << r.errores;
  r = en(copia_, "cmake --build --preset dev --target prueba_ida_vuelta_test");
  ASSERT_EQ(r.estado, 0) << todo(r);

  // The scenario runs too once the simulator reads scenario files; its
  // registration is checked either way.
  const bool escenarios =
      todo(en(copia_, "build/dev/bin/lpc4088-sim --help")).find("--scenario") != std::string::npos;
  r = en(copia_,
         std::string("ctest --test-dir build/dev --no-tests=error -R '^PruebaIdaVuelta\\.'") +
             (escenarios ? "" : " -E Escenario"));
  EXPECT_EQ(r.estado, 0) << todo(r);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.salida, m, std::regex("0 tests failed out of ([0-9]+)")))
      << r.salida;
  EXPECT_GE(std::stoi(m[1]), escenarios ? 3 : 2) << r.salida;

  r = en(copia_,
         "ctest --test-dir build/dev -R '^PruebaIdaVuelta\\.Escenario$' --show-only=json-v1");
  ASSERT_EQ(r.estado, 0) << todo(r);
  for (const std::string& argumento :
       {(copia_ / "build/dev/bin/lpc4088-sim").string(),
        (copia_ / "build/dev/firmware/images/prueba_ida_vuelta.elf").string(),
        std::string("--scenario"),
        (copia_ / "tests/prueba_ida_vuelta/prueba_ida_vuelta.escenario").string()}) {
    EXPECT_NE(r.salida.find("\"" + argumento + "\""), std::string::npos) << argumento;
    EXPECT_TRUE(argumento.starts_with("--") || fs::exists(argumento)) << argumento;
  }

  r = en(copia_, "./lab run prueba_ida_vuelta --for 1.2s");
  EXPECT_EQ(r.estado, 0) << todo(r);
  EXPECT_TRUE(std::regex_search(r.salida, std::regex("0\\.5[0-9]* s +LED1 +on"))) << r.salida;
  EXPECT_TRUE(std::regex_search(r.salida, std::regex("1\\.0[0-9]* s +LED1 +off"))) << r.salida;
  r = en(copia_, "./lab run reloj --for 0.1s");
  EXPECT_EQ(r.estado, 0) << todo(r);
  r = en(copia_, "./lab run nada --for 1s");
  EXPECT_EQ(r.estado, 2) << todo(r);
  EXPECT_NE(r.errores.find("no image 'nada'"), std::string::npos) << r.errores;
  EXPECT_TRUE(fs::exists(lab / "main.cpp"));
}

}  // namespace
