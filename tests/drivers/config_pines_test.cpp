#include "config_pines.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "error_stop.h"
#include "perifericos.h"

namespace {

using perifericos::registro;
using Cambios = std::map<uintptr_t, uint32_t>;

uintptr_t iocon(uint32_t puerto, uint32_t pin) { return 0x4002C000 + (puerto * 32 + pin) * 4; }

LPC_GPIO_TypeDef* const kPuertos[] = {LPC_GPIO0, LPC_GPIO1, LPC_GPIO2,
                                      LPC_GPIO3, LPC_GPIO4, LPC_GPIO5};

const char* const kPuertoMal = "Puntero a bloque de registros GPIO incorrecto.";
const char* const kMascaraVacia =
    "La m\xE1scara de selecci\xF3n de pin no selecciona ning\xFAn pin.";
const char* const kMascaraMultiple =
    "La m\xE1scara de selecci\xF3n de pin selecciona m\xE1s de un pin.";
const char* const kFuncionMal = "Funci\xF3n no v\xE1lida.";
const char* const kSinFuncion = "El pin no tiene la funci\xF3n indicada.";
const char* const kGrupoNulo = "Puntero a array de configuraci\xF3n nulo.";

class ConfigPines : public ::testing::Test {
 protected:
  void SetUp() override { perifericos::reiniciar(); }
};

TEST_F(ConfigPines, SignalsAreSixteenBitWithTheirNumbering) {
  static_assert(sizeof(funcion_pin_t) == 2);
  EXPECT_EQ(GPIO, 0);
  EXPECT_EQ(AD0_0, 1);
  EXPECT_EQ(CAN_RD1, 9);
  EXPECT_EQ(USB_VBUS, 310);
  EXPECT_EQ(RESERVED, 311);
  EXPECT_EQ(IOCON_MAXIMO_FUNCIONES_POR_PIN, 8);
}

struct CasoFallido {
  const char* nombre;
  std::function<void()> llamada;
  const char* funcion;
  const char* mensaje;
};

// Each case also breaks every later check, so the message shows the order.
TEST_F(ConfigPines, FailedChecksStopInOrderWithoutTouchingRegisters) {
  auto* const mitad_de_bloque =
      reinterpret_cast<LPC_GPIO_TypeDef*>(reinterpret_cast<uintptr_t>(LPC_GPIO1) + 0x10);
  const CasoFallido casos[] = {
      {"handle inside a block", [=] { iocon_configurar_pin(mitad_de_bloque, 0, RESERVED, 0); },
       "iocon_configurar_pin", kPuertoMal},
      {"null handle", [] { iocon_configurar_pin(nullptr, PIN0, GPIO, 0); }, "iocon_configurar_pin",
       kPuertoMal},
      {"empty mask", [] { iocon_configurar_pin(LPC_GPIO0, 0, RESERVED, 0); },
       "iocon_configurar_pin", kMascaraVacia},
      {"two pins", [] { iocon_configurar_pin(LPC_GPIO0, PIN0 | PIN1, RESERVED, 0); },
       "iocon_configurar_pin", kMascaraMultiple},
      {"pins 0 and 31", [] { iocon_configurar_pin(LPC_GPIO3, PIN0 | PIN31, GPIO, 0); },
       "iocon_configurar_pin", kMascaraMultiple},
      {"RESERVED on a pin with empty slots",
       [] { iocon_configurar_pin(LPC_GPIO0, PIN4, RESERVED, 0); }, "iocon_configurar_pin",
       kFuncionMal},
      {"value past the enumeration",
       [] { iocon_configurar_pin(LPC_GPIO0, PIN4, static_cast<funcion_pin_t>(0xFFFF), 0); },
       "iocon_configurar_pin", kFuncionMal},
      {"AD0_0 on P0[2]", [] { iocon_configurar_pin(LPC_GPIO0, PIN2, AD0_0, 0); },
       "iocon_configurar_pin", kSinFuncion},
      {"GPIO on P5[5]", [] { iocon_configurar_pin(LPC_GPIO5, PIN5, GPIO, 0); },
       "iocon_configurar_pin", kSinFuncion},
      {"GPIO on P5[31]", [] { iocon_configurar_pin(LPC_GPIO5, PIN31, GPIO, 0); },
       "iocon_configurar_pin", kSinFuncion},
      {"null group", [] { iocon_configurar_grupo_pines(nullptr); }, "iocon_configurar_grupo_pines",
       kGrupoNulo},
  };
  for (const CasoFallido& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const ErrorStop parada =
        perifericos::sin_acceso([&] { return expect_error_stop(caso.llamada); });
    EXPECT_EQ(parada.file, "config_pines.cpp");
    EXPECT_EQ(parada.function, caso.funcion);
    EXPECT_EQ(parada.message, caso.mensaje);
  }
}

// One whole-word write: code | flags with bits 7 and 8 inverted; the old
// content is not kept and no other register changes.
TEST_F(ConfigPines, WritesTheCodeAndTheFlagsAsOneWord) {
  struct Caso {
    LPC_GPIO_TypeDef* puerto;
    uint32_t pin;
    funcion_pin_t funcion;
    uint32_t flags;
    uintptr_t direccion;
    uint32_t valor;
  } const casos[] = {
      {LPC_GPIO0, 23, AD0_0, IOCON_ADMODE | IOCON_FILTER, 0x4002C05C, 0x001},
      {LPC_GPIO2, 10, GPIO, IOCON_PULL_UP, 0x4002C128, 0x190},
      {LPC_GPIO0, 0, U3_TXD, 0, 0x4002C000, 0x182},
      {LPC_GPIO1, 30, USB_VBUS, 0, 0x4002C0F8, 0x182},
      {LPC_GPIO5, 4, U4_TXD, IOCON_OD | IOCON_HYS, 0x4002C290, 0x5A4},
      {LPC_GPIO1, 29, LCD_VD_23, IOCON_SLEW, 0x4002C0F4, 0x387},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.direccion);
    perifericos::reiniciar();
    registro(caso.direccion) = 0xFFFFFFFF;
    const auto antes = perifericos::foto();
    iocon_configurar_pin(caso.puerto, 1u << caso.pin, caso.funcion, caso.flags);
    EXPECT_EQ(perifericos::cambios(antes), (Cambios{{caso.direccion, caso.valor}}));
  }
}

TEST_F(ConfigPines, FlagsInvertOnlyBitsSevenAndEight) {
  struct Caso {
    uint32_t flags;
    uint32_t valor;
  } const casos[] = {
      {IOCON_NO_PULL_UP_NO_PULL_DOWN, 0x180},
      {IOCON_PULL_DOWN, 0x188},
      {IOCON_PULL_UP, 0x190},
      {IOCON_REPEATER_MODE, 0x198},
      {IOCON_HYS, 0x1A0},
      {IOCON_INV, 0x1C0},
      {IOCON_ADMODE, 0x100},
      {IOCON_FILTER, 0x080},
      {IOCON_HS, 0x080},
      {IOCON_SLEW, 0x380},
      {IOCON_HIDRIVE, 0x380},
      {IOCON_OD, 0x580},
      {IOCON_DACEN, 0x10180},
      {0xFFFFFFF8, 0xFFFFFE78},
  };
  for (const Caso& caso : casos) {
    iocon_configurar_pin(LPC_GPIO0, PIN26, DAC_OUT, caso.flags);
    EXPECT_EQ(registro(iocon(0, 26)), caso.valor | 2) << std::hex << caso.flags;
  }
}

TEST_F(ConfigPines, GroupConfiguresEachRecordInOrderUpToTheNullHandle) {
  const configuracion_funcion_pin_t grupo[] = {
      {LPC_GPIO0, PIN23, AD0_0, IOCON_ADMODE},
      {LPC_GPIO2, PIN10, EINT0, IOCON_PULL_UP},
      {LPC_GPIO4, PIN31, EMC_CS1, 0},
      {LPC_GPIO0, PIN23, GPIO, IOCON_PULL_DOWN},  // the later record wins
      {nullptr, 0xFFFFFFFF, RESERVED, 0xFFFFFFFF},
      {LPC_GPIO3, PIN0, GPIO, 0},  // past the end
  };
  const auto antes = perifericos::foto();
  iocon_configurar_grupo_pines(grupo);
  EXPECT_EQ(perifericos::cambios(antes),
            (Cambios{{iocon(0, 23), 0x188}, {iocon(2, 10), 0x191}, {iocon(4, 31), 0x181}}));
}

TEST_F(ConfigPines, GroupWithOnlyTheTerminatorWritesNothing) {
  const configuracion_funcion_pin_t grupo[] = {{nullptr, PIN0, GPIO, 0}};
  const auto antes = perifericos::foto();
  iocon_configurar_grupo_pines(grupo);
  EXPECT_TRUE(perifericos::cambios(antes).empty());
}

TEST_F(ConfigPines, GroupStopsAtTheFirstBadRecordKeepingEarlierWrites) {
  const configuracion_funcion_pin_t grupo[] = {
      {LPC_GPIO0, PIN0, CAN_RD1, 0}, {LPC_GPIO0, PIN1, CAN_TD1, 0}, {LPC_GPIO0, PIN2, AD0_0, 0},
      {LPC_GPIO0, PIN3, U0_RXD, 0},  {nullptr, 0, GPIO, 0},
  };
  const auto antes = perifericos::foto();
  const ErrorStop parada = expect_error_stop([&] { iocon_configurar_grupo_pines(grupo); });
  EXPECT_EQ(parada.function, "iocon_configurar_pin");
  EXPECT_EQ(parada.message, kSinFuncion);
  EXPECT_EQ(perifericos::cambios(antes), (Cambios{{iocon(0, 0), 0x181}, {iocon(0, 1), 0x181}}));
}

// ---------------------------------------------------------------------------
// The whole pin-function table, against the lists kept as test data.

std::vector<std::string> leer_lineas(const std::string& fichero) {
  std::ifstream entrada(std::string(DATOS_PRUEBA) + "/" + fichero);
  EXPECT_TRUE(entrada.good()) << fichero;
  std::vector<std::string> lineas;
  for (std::string linea; std::getline(entrada, linea);) {
    if (!linea.empty() && linea[0] != '#') {
      lineas.push_back(linea);
    }
  }
  return lineas;
}

// Signal name -> enumeration value (its position in the list).
std::map<std::string, uint32_t> leer_funciones() {
  std::map<std::string, uint32_t> valores;
  for (const std::string& nombre : leer_lineas("funciones.txt")) {
    valores.emplace(nombre, static_cast<uint32_t>(valores.size()));
  }
  return valores;
}

// [port][pin][code] -> signal value, or -1 where the code selects nothing.
using Esperada = std::array<std::array<std::array<int, 8>, 32>, 6>;

Esperada leer_tabla(const std::map<std::string, uint32_t>& funciones, int* filas) {
  Esperada tabla;
  for (auto& puerto : tabla) {
    for (auto& pin : puerto) {
      pin.fill(-1);
    }
  }
  const std::regex fila(R"(- P(\d)\[(\d+)\]: (.*))");
  const std::regex ranura(R"((\d) ([A-Z0-9_]+))");
  *filas = 0;
  for (const std::string& linea : leer_lineas("funciones_pines.txt")) {
    std::smatch m;
    if (!std::regex_match(linea, m, fila)) {
      ADD_FAILURE() << "unreadable line: " << linea;
      continue;
    }
    auto& pin = tabla.at(std::stoul(m[1])).at(std::stoul(m[2]));
    pin[0] = static_cast<int>(funciones.at("GPIO"));
    const std::string resto = m[3];
    for (std::sregex_iterator it(resto.begin(), resto.end(), ranura), fin; it != fin; ++it) {
      pin.at(std::stoul((*it)[1])) = static_cast<int>(funciones.at((*it)[2]));
    }
    ++*filas;
  }
  return tabla;
}

TEST_F(ConfigPines, EveryPortPinAndSignalMatchesTheFunctionLists) {
  const auto funciones = leer_funciones();
  ASSERT_EQ(funciones.size(), 312u);
  ASSERT_EQ(funciones.at("USB_VBUS"), static_cast<uint32_t>(USB_VBUS));
  ASSERT_EQ(funciones.at("RESERVED"), static_cast<uint32_t>(RESERVED));
  int filas = 0;
  const Esperada esperada = leer_tabla(funciones, &filas);
  ASSERT_EQ(filas, 5 * 32 + 5);

  constexpr uint32_t kCentinela = 0xDEADBEEF;
  std::vector<std::string> errores;
  int aceptadas = 0;
  for (uint32_t p = 0; p < 6; ++p) {
    for (uint32_t n = 0; n < 32; ++n) {
      for (uint32_t f = 0; f < funciones.size(); ++f) {
        int codigo = -1;
        for (int j = 0; j < 8; ++j) {
          if (esperada[p][n][j] == static_cast<int>(f)) {
            codigo = j;
          }
        }
        const std::string esperado_mensaje =
            f == RESERVED ? kFuncionMal : (codigo < 0 ? kSinFuncion : "");
        registro(iocon(p, n)) = kCentinela;
        std::string mensaje;
        try {
          iocon_configurar_pin(kPuertos[p], 1u << n, static_cast<funcion_pin_t>(f), 0);
        } catch (const ErrorStop& parada) {
          mensaje = parada.message;
        }
        const uint32_t valor = registro(iocon(p, n));
        const uint32_t esperado_valor =
            codigo < 0 ? kCentinela : static_cast<uint32_t>(codigo) | 0x180;
        if (mensaje != esperado_mensaje || valor != esperado_valor) {
          std::ostringstream texto;
          texto << "P" << p << "[" << n << "] signal " << f << ": stop '" << mensaje
                << "', register 0x" << std::hex << valor;
          errores.push_back(texto.str());
        }
        aceptadas += codigo >= 0 && f != RESERVED;
      }
    }
  }
  EXPECT_TRUE(errores.empty()) << errores.size() << " mismatches, first: " << errores.front();
  // 165 pins with GPIO, plus the listed items.
  EXPECT_EQ(aceptadas, 165 + 488);
}

}  // namespace
