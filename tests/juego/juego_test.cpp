// The game image on the board simulator, driven through its buttons: start
// screen, scoring of removed rows (read from the firmware and from the LCD),
// levels and gravity, the end of a game left alone, debouncing and
// auto-repeat, the bag, and a long random run under strict register checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "botones.h"
#include "cuveta.h"
#include "pieza.h"
#include "sim/api/simulador.h"

namespace {

const std::string kImagen = std::string(FIRMWARE_IMAGES) + "/juego.elf";
const sim::Pin kIzquierda = sim::Pin::parse(BOTON_NOMBRE(BOTON_IZQUIERDA));
const sim::Pin kDerecha = sim::Pin::parse(BOTON_NOMBRE(BOTON_DERECHA));
const sim::Pin kGirar = sim::Pin::parse(BOTON_NOMBRE(BOTON_GIRAR));
const sim::Pin kSoltar = sim::Pin::parse(BOTON_NOMBRE(BOTON_SOLTAR));
const sim::Pin kLed1 = sim::Pin::parse("P1.18");
const sim::Pin kLed2 = sim::Pin::parse("P0.13");
constexpr std::uint32_t kTimer0Mr0 = 0x40004018;
constexpr std::int32_t kAzul = 0x001F;

class Juego : public testing::Test {
 protected:
  // Presses now for `hold` seconds and runs until the release has settled.
  void pulsar(sim::Pin boton, double hold = 0.05) {
    placa.press(boton, placa.time(), hold);
    ASSERT_EQ(placa.run_for(hold + 0.05).reason, sim::StopReason::TimeReached);
  }

  void empezar() {
    placa.run_for(0.5);
    pulsar(kGirar);
    ASSERT_TRUE(placa.pin_level(kLed2)) << "a press starts a game";
  }

  // Bottom `n` rows full but for column 0; everything above empty.
  void llenar_filas_de_abajo(int n) {
    cuveta_t c{};
    for (int r = CUVETA_ALTO - n; r < CUVETA_ALTO; ++r) {
      std::fill(std::begin(c.matriz[r]) + 1, std::end(c.matriz[r]), kAzul);
    }
    placa.write_memory(placa.symbol("cuveta"), &c.matriz, sizeof c.matriz);
  }

  // Makes the falling piece the firmware's own upright bar (column 1 of its
  // box), just entering the well: the next piece whatever the bag says.
  void poner_palo() {
    pieza_t palo;
    placa.read_memory(placa.symbol("pieza_palo"), &palo, sizeof palo);
    placa.write_memory(placa.symbol("pieza"), &palo, sizeof palo);
    placa.write<std::int32_t>("pieza_x", 3);
    placa.write<std::int32_t>("pieza_y", -3);
  }

  // The bar into column 0 and down.
  void palo_al_hueco() {
    poner_palo();
    for (int i = 0; i < 4; ++i) {
      pulsar(kIzquierda);
    }
    ASSERT_EQ(placa.read<std::int32_t>("pieza_x"), -1);
    pulsar(kSoltar);
  }

  int destellos_led1() const {
    const auto& cambios = placa.pin_changes();
    return static_cast<int>(std::count_if(cambios.begin(), cambios.end(),
                                          [](const auto& c) { return c.pin == kLed1 && c.level; }));
  }

  std::uint32_t leer(const char* nombre) const { return placa.read<std::uint32_t>(nombre); }

  sim::Simulador placa{kImagen};
};

TEST_F(Juego, StartScreenNamesEveryControlAndWaitsForAPress) {
  ASSERT_EQ(placa.run_for(2.0).reason, sim::StopReason::TimeReached);
  EXPECT_TRUE(placa.screen_shows("Pulse un boton"));
  for (const char* control :
       {BOTON_NOMBRE(BOTON_IZQUIERDA) " izquierda", BOTON_NOMBRE(BOTON_DERECHA) " derecha",
        BOTON_NOMBRE(BOTON_GIRAR) " girar", BOTON_NOMBRE(BOTON_SOLTAR) " soltar"}) {
    EXPECT_TRUE(placa.screen_shows(control)) << control;
  }
  EXPECT_FALSE(placa.pin_level(kLed2));
  EXPECT_TRUE(placa.sleeping()) << "main waits in WFI between interrupts";
}

TEST_F(Juego, OneRowThenTwoAtOnceScoreFortyThenAHundredMore) {
  empezar();
  llenar_filas_de_abajo(1);
  palo_al_hueco();
  EXPECT_EQ(leer("puntos"), 40u);
  EXPECT_EQ(leer("filas"), 1u);
  EXPECT_TRUE(placa.screen_shows("Puntos 40 "));
  EXPECT_TRUE(placa.screen_shows("Filas  1 "));

  llenar_filas_de_abajo(2);
  palo_al_hueco();
  EXPECT_EQ(leer("puntos"), 140u);
  EXPECT_EQ(leer("filas"), 3u);
  EXPECT_TRUE(placa.screen_shows("Puntos 140 "));
  EXPECT_TRUE(placa.screen_shows("Filas  3 "));
  placa.run_for(0.2);
  EXPECT_EQ(destellos_led1(), 2) << "LED 1 blinks once per removal";
  EXPECT_FALSE(placa.pin_level(kLed1));
  EXPECT_TRUE(placa.pin_level(kLed2));
}

struct Eliminacion {
  std::uint32_t filas_antes;
  int filas_llenas;
  std::uint32_t puntos;  // gained
  std::uint32_t nivel_despues;
};

class Puntuacion : public Juego, public testing::WithParamInterface<Eliminacion> {};

// The rows scored at the level the piece landed in; the tenth row brings the
// next level and a shorter gravity period (900 - 80 * level ms).
TEST_P(Puntuacion, RowsRemovedAtOnceScoreByTheTableTimesTheLevel) {
  const Eliminacion e = GetParam();
  empezar();
  placa.write<std::uint32_t>("filas", e.filas_antes);
  placa.write<std::uint32_t>("nivel", 1 + e.filas_antes / 10);
  llenar_filas_de_abajo(e.filas_llenas);
  palo_al_hueco();
  EXPECT_EQ(leer("puntos"), e.puntos);
  EXPECT_EQ(leer("filas"), e.filas_antes + static_cast<std::uint32_t>(e.filas_llenas));
  EXPECT_EQ(leer("nivel"), e.nivel_despues);
  EXPECT_TRUE(placa.screen_shows("Nivel  " + std::to_string(e.nivel_despues) + " "));
  EXPECT_EQ(placa.read<std::uint32_t>(kTimer0Mr0), (900 - 80 * e.nivel_despues) * 10 - 1);
}

INSTANTIATE_TEST_SUITE_P(Tabla, Puntuacion,
                         testing::Values(Eliminacion{0, 3, 300, 1}, Eliminacion{0, 4, 1200, 1},
                                         Eliminacion{9, 1, 40, 2}, Eliminacion{8, 2, 100, 2},
                                         Eliminacion{37, 4, 4800, 5}),
                         [](const auto& caso) {
                           return "Filas" + std::to_string(caso.param.filas_antes) + "Mas" +
                                  std::to_string(caso.param.filas_llenas);
                         });

TEST_F(Juego, LeftAlonePiecesPileUpTheGameEndsAndAnyPressStartsAnother) {
  empezar();
  // At most 17 pieces fit in the middle columns and none falls more than 18
  // rows at level 1 (820 ms a row).
  const auto r = placa.run_until([&] { return !placa.pin_level(kLed2); }, 17 * 18 * 0.82);
  ASSERT_EQ(r.reason, sim::StopReason::Condition);
  placa.run_for(0.1);  // the message is drawn in the same handler
  EXPECT_TRUE(placa.screen_shows("FIN DE PARTIDA"));
  EXPECT_TRUE(placa.screen_shows("Puntos 0 "));
  EXPECT_EQ(leer("filas"), 0u);
  placa.run_for(2.0);
  EXPECT_FALSE(placa.pin_level(kLed2)) << "no new game without a press";

  pulsar(kDerecha);
  EXPECT_TRUE(placa.pin_level(kLed2));
  EXPECT_FALSE(placa.screen_shows("FIN DE PARTIDA"));
  EXPECT_EQ(leer("puntos"), 0u);
}

// Raw levels of the right button, at times relative to the first edge.
struct Flanco {
  double en;
  bool nivel;
};
struct Pulsacion {
  const char* nombre;
  std::vector<Flanco> flancos;
  std::int32_t columnas;
};

class Boton : public Juego, public testing::WithParamInterface<Pulsacion> {};

TEST_P(Boton, MovesThePieceAsManyColumnsAsDebouncedPressesAndRepeats) {
  empezar();
  poner_palo();  // from x 3 the right wall is 5 columns away
  const double t0 = placa.time();
  for (const Flanco& f : GetParam().flancos) {
    placa.set_pin(kDerecha, f.nivel, t0 + f.en);
  }
  placa.run_to_time(t0 + GetParam().flancos.back().en + 0.1);
  EXPECT_EQ(placa.read<std::int32_t>("pieza_x") - 3, GetParam().columnas);
}

INSTANTIATE_TEST_SUITE_P(
    Pulsaciones, Boton,
    testing::Values(Pulsacion{"Limpia", {{0, false}, {0.05, true}}, 1},
                    Pulsacion{"RebotaAlPulsar",
                              {{0, false},
                               {0.002, true},
                               {0.004, false},
                               {0.007, true},
                               {0.009, false},
                               {0.012, true},
                               {0.014, false},
                               {0.1, true}},
                              1},
                    Pulsacion{"RebotaAlSoltar",
                              {{0, false},
                               {0.08, true},
                               {0.081, false},
                               {0.083, true},
                               {0.085, false},
                               {0.086, true}},
                              1},
                    Pulsacion{"MantenidaSinRepetir", {{0, false}, {0.2, true}}, 1},
                    Pulsacion{"MantenidaHastaLaPared", {{0, false}, {1.0, true}}, 5}),
    [](const auto& caso) { return std::string(caso.param.nombre); });

TEST(JuegoBolsa, EachGameDealsTheSevenKindsInAnOrderSeededByTheFirstPress) {
  std::vector<std::vector<std::uint8_t>> bolsas;
  for (const double en : {1.0, 1.3}) {
    sim::Simulador placa(kImagen);
    placa.press(kGirar, en);
    placa.run_for(en + 0.2);
    std::vector<std::uint8_t> bolsa(PIEZA_NUM_PIEZAS);
    placa.read_memory(placa.symbol("bolsa"), bolsa.data(), bolsa.size());
    std::vector<std::uint8_t> orden = bolsa;
    std::sort(orden.begin(), orden.end());
    EXPECT_EQ(orden, (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6}));
    bolsas.push_back(bolsa);
  }
  EXPECT_NE(bolsas[0], bolsas[1]);
}

TEST(JuegoEstricto, MinutesOfRandomPressesTouchOnlyModelledRegistersAndNeverOverflowTheStack) {
  sim::Options opciones;
  opciones.fail_on_unmodelled = true;
  sim::Simulador placa(kImagen, opciones);
  std::mt19937 azar(20261209);
  std::uniform_real_distribution<double> pausa(0.0, 0.5);
  std::uniform_real_distribution<double> duracion(0.001, 0.4);
  std::uniform_int_distribution<int> cual(0, 3);
  const sim::Pin botones[] = {kIzquierda, kDerecha, kGirar, kSoltar};
  constexpr double kDuracion = 300.0;
  double t = 0.5;
  while (t < kDuracion) {
    const double hold = duracion(azar);
    placa.press(botones[cual(azar)], t, hold);
    t += hold + pausa(azar);
  }
  // The deepest handler (a removal with its redraw) keeps clear of the
  // stack's last quarter.
  placa.add_watchpoint(placa.symbol("Stack_Mem"), 256, sim::WatchKind::Write);
  const auto r = placa.run_for(kDuracion);
  EXPECT_EQ(r.reason, sim::StopReason::TimeReached) << "sp " << std::hex << placa.reg(13);
  EXPECT_FALSE(placa.error_stop().has_value());
  EXPECT_FALSE(placa.fault().has_value());
  EXPECT_TRUE(placa.unmodelled_accesses().empty());
  const auto& cambios = placa.pin_changes();
  EXPECT_GE(std::count_if(cambios.begin(), cambios.end(),
                          [](const auto& c) { return c.pin == kLed2 && c.level; }),
            2)
      << "random drops end games and the next press starts another";
}

}  // namespace
