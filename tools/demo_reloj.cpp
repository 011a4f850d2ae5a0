// demo_reloj IMAGES_DIR OUTPUT.png
//
// Runs the clock image on the simulated board for six seconds with a stop
// (P2.27 at 2.5 s), a resume (P2.25 at 4.2 s) and P2.22 low from 1.2 s to
// 3.4 s; prints every time the LCD shows (sampled every 50 ms), the LED
// changes and the cycles TIMER0_IRQHandler takes per tick, and writes a PNG
// of the LCD.
#include <cstdio>
#include <exception>
#include <iterator>
#include <string>

#include "host/output_check.h"
#include "sim/api/simulador.h"

namespace {

constexpr double kDuracion = 6.0;
constexpr double kPaso = 0.05;

struct Entrada {
  double en;
  const char* pin;
  bool nivel;
  const char* que;
};

// In time order; the buttons are pressed (low) for 50 ms.
constexpr Entrada kEntradas[] = {{1.2, "P2.22", false, "P2.22 low"},
                                 {2.5, "P2.27", false, "P2.27 pressed (stop)"},
                                 {2.55, "P2.27", true, nullptr},
                                 {3.4, "P2.22", true, "P2.22 high"},
                                 {4.2, "P2.25", false, "P2.25 pressed (resume)"},
                                 {4.25, "P2.25", true, nullptr}};

void imprimir_entradas(double hasta, std::size_t& impresas) {
  for (; impresas < std::size(kEntradas) && kEntradas[impresas].en <= hasta; ++impresas) {
    if (kEntradas[impresas].que != nullptr) {
      std::printf("%9.3f s  %s\n", kEntradas[impresas].en, kEntradas[impresas].que);
    }
  }
}

void imprimir_leds(const sim::Simulador& placa, std::size_t& impresos) {
  const auto& cambios = placa.pin_changes();
  for (; impresos < cambios.size(); ++impresos) {
    const auto& c = cambios[impresos];
    std::printf("%9.3f s  %s %s\n", c.time, c.pin.label().c_str(), c.level ? "on" : "off");
  }
}

// Cycles from the handler's first instruction until the interrupt is no
// longer active (the redraw included).
sim::Cycles ciclos_de_un_tic(sim::Simulador& placa) {
  placa.run_to("TIMER0_IRQHandler", 2.0);
  const sim::Cycles inicio = placa.cycles();
  placa.run_until([&] { return !placa.irq_active(1); }, 1.0);
  return placa.cycles() - inicio;
}

int simular(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IMAGES_DIR OUTPUT.png\n", argv[0]);
    return 2;
  }
  try {
    const std::string imagen = std::string(argv[1]) + "/reloj.elf";
    sim::Simulador placa(imagen);
    for (const auto& e : kEntradas) {
      placa.set_pin(sim::Pin::parse(e.pin), e.nivel, e.en);
    }
    std::printf("board time  event\n");
    std::string mostrada;
    std::size_t leds = 0;
    std::size_t entradas = 0;
    while (placa.time() < kDuracion) {
      const auto r = placa.run_for(kPaso);
      imprimir_entradas(placa.time(), entradas);
      imprimir_leds(placa, leds);
      const std::string hora = placa.read_screen(2, 0, 0, 8);
      if (hora != mostrada) {
        std::printf("%9.3f s  LCD shows %s\n", placa.time(), hora.c_str());
        mostrada = hora;
      }
      if (r.reason != sim::StopReason::TimeReached) {
        std::printf("run ended: %s\n", sim::to_string(r.reason));
        return 1;
      }
    }
    if (!placa.screenshot(argv[2])) {
      std::printf("the LCD is off\n");
      return 1;
    }
    std::printf("LCD image: %s\n", argv[2]);

    sim::Simulador medida(imagen);
    std::printf("TIMER0_IRQHandler: %llu cycles per tick on the simulator\n",
                static_cast<unsigned long long>(ciclos_de_un_tic(medida)));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_reloj: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) { return host::finish_output(simular(argc, argv), "demo_reloj"); }
