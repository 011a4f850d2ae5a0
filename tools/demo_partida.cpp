// demo_partida IMAGES_DIR FRAMES_DIR
//
// Plays the game image on the simulated board for 40 s of board time:
// a press starts the game, then for every new piece a simple player on the
// host (reading the well and the piece from the firmware's variables) picks
// a turn and a column and presses the buttons for them at board times, then
// drops the piece (all but the first, which lands by gravity). Saves
// the LCD every 0.1 s of board time as FRAMES_DIR/NNNN.png and prints the
// score and the worst cycle counts of the two interrupt handlers: a gravity
// step (settling a piece included), a button tick (a drop included), and any
// handler that removed rows.
#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "botones.h"
#include "cuveta.h"
#include "host/output_check.h"
#include "pieza.h"
#include "sim/api/simulador.h"

namespace {

constexpr double kDuracion = 40.0;
constexpr double kPasoFoto = 0.1;
constexpr double kPulsacion = 0.03;  // held, then as long released
constexpr unsigned kIrqGravedad = 1;
constexpr unsigned kIrqMuestreo = 2;

using Celdas = std::array<std::array<int, CUVETA_ANCHO>, CUVETA_ALTO>;

pieza_t girar(const pieza_t& p) {
  pieza_t g = p;
  for (int i = 0; i < p.tamano; ++i) {
    for (int j = 0; j < p.tamano; ++j) {
      g.matriz[j][p.tamano - 1 - i] = p.matriz[i][j];
    }
  }
  return g;
}

bool choca(const Celdas& c, const pieza_t& p, int x, int y) {
  for (int i = 0; i < p.tamano; ++i) {
    for (int j = 0; j < p.tamano; ++j) {
      if (p.matriz[i][j] == 0) continue;
      const int r = y + i;
      const int col = x + j;
      if (r >= CUVETA_ALTO || col < 0 || col >= CUVETA_ANCHO) return true;
      if (r >= 0 && c[r][col] != 0) return true;
    }
  }
  return false;
}

// Lower is better: height, holes and unevenness left, minus rows completed.
double valorar(Celdas c) {
  int completas = 0;
  for (auto& fila : c) {
    if (std::all_of(fila.begin(), fila.end(), [](int v) { return v != 0; })) ++completas;
  }
  int huecos = 0;
  int suma_alturas = 0;
  int desnivel = 0;
  int anterior = -1;
  for (int col = 0; col < CUVETA_ANCHO; ++col) {
    int altura = 0;
    for (int r = 0; r < CUVETA_ALTO; ++r) {
      if (c[r][col] != 0) {
        if (altura == 0) altura = CUVETA_ALTO - r;
      } else if (altura != 0) {
        ++huecos;
      }
    }
    suma_alturas += altura;
    if (anterior >= 0) desnivel += std::abs(altura - anterior);
    anterior = altura;
  }
  return 0.51 * suma_alturas + 0.36 * huecos + 0.18 * desnivel - 0.76 * completas;
}

struct Jugada {
  int giros = 0;
  int columnas = 0;  // negative: to the left
};

Jugada elegir(const Celdas& c, pieza_t p, int x0, int y0) {
  Jugada mejor;
  double mejor_valor = 1e9;
  for (int giros = 0; giros < 4; ++giros, p = girar(p)) {
    if (choca(c, p, x0, y0)) continue;
    for (int x = -PIEZA_MAX_TAM_MATRIZ; x < CUVETA_ANCHO; ++x) {
      if (choca(c, p, x, y0)) continue;
      int y = y0;
      while (!choca(c, p, x, y + 1)) ++y;
      Celdas d = c;
      for (int i = 0; i < p.tamano; ++i) {
        for (int j = 0; j < p.tamano; ++j) {
          if (p.matriz[i][j] != 0 && y + i >= 0) d[y + i][x + j] = 1;
        }
      }
      const double v = valorar(d);
      if (v < mejor_valor) {
        mejor_valor = v;
        mejor = {giros, x - x0};
      }
    }
  }
  return mejor;
}

struct Medida {
  sim::Cycles gravedad = 0;     // a gravity step that moved or settled a piece
  sim::Cycles eliminacion = 0;  // any handler that removed rows
  sim::Cycles muestreo = 0;     // a button tick, a drop and its settling included
};

class Partida {
 public:
  Partida(const std::string& imagen, std::filesystem::path fotos)
      : placa_(imagen), fotos_(std::move(fotos)) {
    placa_.add_breakpoint(placa_.symbol("TIMER0_IRQHandler"));
    placa_.add_breakpoint(placa_.symbol("TIMER1_IRQHandler"));
  }

  int jugar() {
    pulsar(BOTON_NOMBRE(BOTON_GIRAR), 0.5);
    double siguiente_foto = 0.4;  // the LCD is on by then
    int foto = 0;
    while (placa_.time() < kDuracion) {
      const auto r = placa_.run_to_time(std::min(siguiente_foto, kDuracion));
      if (r.reason == sim::StopReason::Breakpoint) {
        medir();
        continue;
      }
      if (r.reason != sim::StopReason::TimeReached) {
        std::printf("run ended: %s\n", sim::to_string(r.reason));
        return 1;
      }
      if (placa_.time() >= siguiente_foto) {
        char nombre[16];
        std::snprintf(nombre, sizeof nombre, "%04d.png", foto++);
        if (!placa_.screenshot(fotos_ / nombre)) {
          std::printf("the LCD is off\n");
          return 1;
        }
        siguiente_foto += kPasoFoto;
      }
    }
    std::printf("%d frames, score %" PRIu32 ", rows %" PRIu32 ", level %" PRIu32 "\n", foto,
                leer("puntos"), leer("filas"), leer("nivel"));
    std::printf("worst cycles on the simulator (120 MHz):\n");
    std::printf("  gravity step (TIMER0_IRQHandler): %" PRIu64 "\n", medida_.gravedad);
    std::printf("  handler that removed rows:        %" PRIu64 "\n", medida_.eliminacion);
    std::printf("  button tick (TIMER1_IRQHandler), drop included: %" PRIu64 "\n",
                medida_.muestreo);
    return 0;
  }

 private:
  std::uint32_t leer(const char* nombre) const { return placa_.read<std::uint32_t>(nombre); }

  void pulsar(const char* pin, double en) { placa_.press(sim::Pin::parse(pin), en, kPulsacion); }

  // Runs the handler the board stopped at to its end; when it brought a new
  // piece, plans the presses for it.
  void medir() {
    const bool gravedad = placa_.pc() == placa_.symbol("TIMER0_IRQHandler");
    const unsigned irq = gravedad ? kIrqGravedad : kIrqMuestreo;
    const sim::Cycles inicio = placa_.cycles();
    const std::uint32_t filas = leer("filas");
    const std::uint32_t sacadas = leer("bolsa_sacadas");
    const bool jugando = placa_.read<std::uint8_t>("estado") == 1;
    placa_.run_until([&] { return !placa_.irq_active(irq); }, 1.0);
    const sim::Cycles ciclos = placa_.cycles() - inicio;
    if (leer("filas") != filas) {
      medida_.eliminacion = std::max(medida_.eliminacion, ciclos);
    } else if (gravedad) {
      medida_.gravedad = std::max(medida_.gravedad, ciclos);
    } else if (jugando) {  // not the press that draws a new game
      medida_.muestreo = std::max(medida_.muestreo, ciclos);
    }
    if (sacadas != leer("bolsa_sacadas") && placa_.read<std::uint8_t>("estado") == 1) {
      planear();
    }
  }

  void planear() {
    cuveta_t c;
    pieza_t p;
    placa_.read_memory(placa_.symbol("cuveta"), &c, sizeof c);
    placa_.read_memory(placa_.symbol("pieza"), &p, sizeof p);
    Celdas celdas;
    for (int r = 0; r < CUVETA_ALTO; ++r) {
      std::copy(std::begin(c.matriz[r]), std::end(c.matriz[r]), celdas[r].begin());
    }
    const Jugada j = elegir(celdas, p, placa_.read<std::int32_t>("pieza_x"),
                            placa_.read<std::int32_t>("pieza_y"));
    double t = placa_.time() + 0.1;
    auto siguiente = [&](const char* pin) {
      pulsar(pin, t);
      t += 2 * kPulsacion;
    };
    for (int i = 0; i < j.giros; ++i) siguiente(BOTON_NOMBRE(BOTON_GIRAR));
    for (int i = 0; i < std::abs(j.columnas); ++i) {
      siguiente(j.columnas < 0 ? BOTON_NOMBRE(BOTON_IZQUIERDA) : BOTON_NOMBRE(BOTON_DERECHA));
    }
    // The first piece lands by gravity, so settling shows in its handler.
    if (++piezas_ != 1) {
      siguiente(BOTON_NOMBRE(BOTON_SOLTAR));
    }
  }

  sim::Simulador placa_;
  std::filesystem::path fotos_;
  Medida medida_;
  int piezas_ = 0;
};

int simular(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IMAGES_DIR FRAMES_DIR\n", argv[0]);
    return 2;
  }
  try {
    std::filesystem::create_directories(argv[2]);
    Partida partida(std::string(argv[1]) + "/juego.elf", argv[2]);
    return partida.jugar();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_partida: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) { return host::finish_output(simular(argc, argv), "demo_partida"); }
