// The imagen_prueba program run as a process: sizes are whole numbers from 1
// to 4294967295 or the call is refused with the usage, and output that
// cannot be written is a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"

namespace {

TEST(ImagenPrueba, SizesAreParsedStrictly) {
  CarpetaTemporal carpeta;
  const std::string salida = carpeta.Ruta("x.bmp");
  const std::string orden = std::string(IMAGEN_PRUEBA) + " gris " + salida + " ";
  for (const char* tamanos : {"4294967297 3", "10abc 3", "3 ''", "0 3", "3 -1", "' 5' 3", "+5 3",
                              "1e3 3", "0x10 3", "3 4294967296"}) {
    SCOPED_TRACE(tamanos);
    const ResultadoOrden r = EjecutarOrden(orden + tamanos, carpeta);
    EXPECT_EQ(r.salida, 2);
    EXPECT_NE(r.error_estandar.find("uso:"), std::string::npos) << r.error_estandar;
    EXPECT_FALSE(std::filesystem::exists(salida));
  }
  ASSERT_EQ(EjecutarOrden(orden + "7 3", carpeta).salida, 0);
  BmpPtr bmp(BMP_ReadFile(salida.c_str()));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(BMP_GetWidth(bmp.get()), 7u);
  EXPECT_EQ(BMP_GetHeight(bmp.get()), 3u);
}

TEST(ImagenPrueba, OutputThatCannotBeWrittenIsAFailure) {
  CarpetaTemporal carpeta;
  const std::string programa = IMAGEN_PRUEBA;
  const std::string imagen = carpeta.Ruta("x.bmp");
  struct Caso {
    std::string orden, mensaje;
  } casos[] = {
      {programa + " color " + imagen + " 5 5 >/dev/full", "cannot write standard output"},
      {programa + " color " + imagen + " 5 5 >&-", "cannot write standard output"},
      {programa + " color /dev/stdout 5 5 >/dev/full", "BMP error"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.orden);
    const ResultadoOrden r = EjecutarOrden(c.orden, carpeta);
    EXPECT_NE(r.salida, 0);
    EXPECT_NE(r.error_estandar.find(c.mensaje), std::string::npos) << r.error_estandar;
  }
  // An image sent to standard output is the image alone.
  const ResultadoOrden r = EjecutarOrden(programa + " color /dev/stdout 5 5 >" + imagen, carpeta);
  ASSERT_EQ(r.salida, 0) << r.error_estandar;
  BmpPtr bmp(BMP_ReadFile(imagen.c_str()));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(LeerArchivo(imagen).size(), bmp->Header.FileSize);
}

}  // namespace
