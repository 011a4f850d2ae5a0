// Falling-block game on the board: timer 0's match interrupt drops the piece
// one row per period (shorter at every level, a level each 10 rows removed);
// timer 1 samples the four push buttons every few milliseconds, debounces
// them and repeats left and right while held. Both interrupts have the same
// priority, so the game state and the LCD are never touched by two handlers
// at once; main only sets up and sleeps.
#include <stddef.h>
#include <stdint.h>

#include "botones.h"
#include "cuveta.h"
#include "entradas_salidas.h"
#include "glcd.h"
#include "leds.h"
#include "lpc4088.h"
#include "nucleo_cm4.h"
#include "pieza.h"
#include "temporizador.h"

// Controls for the live board's front panel, kept out of the loaded image:
// one "PIN|LABEL|KEY" line each, KEY as a browser key name.
asm(".pushsection .controles,\"\",%progbits\n"
    ".ascii \"" BOTON_NOMBRE(BOTON_IZQUIERDA) "|izquierda|ArrowLeft\\n\"\n"
    ".ascii \"" BOTON_NOMBRE(BOTON_DERECHA) "|derecha|ArrowRight\\n\"\n"
    ".ascii \"" BOTON_NOMBRE(BOTON_GIRAR) "|girar|ArrowUp\\n\"\n"
    ".ascii \"" BOTON_NOMBRE(BOTON_SOLTAR) "|soltar|Space\\n\"\n"
    ".popsection");

#define PUERTO_BOTONES ((LPC_GPIO_TypeDef*)(LPC_GPIO0_BASE + 0x20 * BOTONES_PUERTO))
static_assert(LPC_GPIO1_BASE - LPC_GPIO0_BASE == 0x20, "GPIO blocks 0x20 apart");

namespace {

constexpr uint32_t PERIODO_MUESTREO_MS = 5;
// A level counts once it has been read this many times in a row after a
// change: bounces shorter than that never reach the game.
constexpr uint8_t MUESTRAS_ESTABLES = 3;
constexpr uint16_t RETARDO_REPETICION = 250 / PERIODO_MUESTREO_MS;
constexpr uint16_t PERIODO_REPETICION = 75 / PERIODO_MUESTREO_MS;
constexpr uint16_t DURACION_DESTELLO = 150 / PERIODO_MUESTREO_MS;

constexpr int32_t FILAS_POR_NIVEL = 10;
constexpr int32_t X_INICIAL = 3;  // centres a 4-wide box in the 10 columns

// Side panel, right of the well's frame.
constexpr int32_t PANEL_X = 290;
constexpr int32_t SIGUIENTE_X = PANEL_X + 15;
constexpr int32_t SIGUIENTE_Y = 116;
// Messages, over the middle of the well.
constexpr int32_t MENSAJE_X = 109;
constexpr int32_t MENSAJE_Y = 100;

enum estado_t : uint8_t { ESTADO_INICIO = 0, ESTADO_JUGANDO = 1, ESTADO_FIN = 2 };
// Indexes of botones[] below, in this order.
enum accion_t : uint8_t { MOVER_IZQUIERDA, MOVER_DERECHA, GIRAR, SOLTAR, NUM_BOTONES };

struct boton_t {
  uint32_t mascara;
  bool_t repite;        // repeats while held
  bool_t leido;         // last raw sample: TRUE is pressed
  uint8_t estables;     // samples in a row equal to `leido`
  bool_t pulsado;       // the debounced state
  uint16_t repeticion;  // ticks left to the next repeat
};

boton_t botones[NUM_BOTONES] = {
    {1u << BOTON_IZQUIERDA, TRUE, FALSE, MUESTRAS_ESTABLES, FALSE, 0},
    {1u << BOTON_DERECHA, TRUE, FALSE, MUESTRAS_ESTABLES, FALSE, 0},
    {1u << BOTON_GIRAR, FALSE, FALSE, MUESTRAS_ESTABLES, FALSE, 0},
    {1u << BOTON_SOLTAR, FALSE, FALSE, MUESTRAS_ESTABLES, FALSE, 0},
};

constexpr uint32_t PUNTOS_POR_FILAS[PIEZA_MAX_TAM_MATRIZ + 1] = {0, 40, 100, 300, 1200};

}  // namespace

// Game state. The symbols keep their plain names so that a debugger (or the
// board simulator) finds them.
static estado_t estado __asm__("estado");
static cuveta_t cuveta __asm__("cuveta");
static pieza_t pieza __asm__("pieza");  // the falling piece
static int32_t pieza_x __asm__("pieza_x");
static int32_t pieza_y __asm__("pieza_y");
static pieza_t siguiente __asm__("siguiente");
static pieza_tipo_t bolsa[PIEZA_NUM_PIEZAS] __asm__("bolsa");
static uint32_t bolsa_sacadas __asm__("bolsa_sacadas");
static uint32_t puntos __asm__("puntos");
static uint32_t filas __asm__("filas");
static uint32_t nivel __asm__("nivel");
static uint32_t azar __asm__("azar");  // 0 until the first press seeds it
static uint32_t tics __asm__("tics");
static uint16_t destello;

static uint32_t periodo_de_nivel(uint32_t n) { return n < 10 ? 900 - 80 * n : 100; }

static uint32_t siguiente_azar(void) {
  // xorshift32: a full period over the non-zero states, a few cycles a number.
  azar ^= azar << 13;
  azar ^= azar >> 17;
  azar ^= azar << 5;
  return azar;
}

static pieza_tipo_t sacar_de_bolsa(void) {
  if (bolsa_sacadas >= PIEZA_NUM_PIEZAS) {
    for (uint32_t i = 0; i < PIEZA_NUM_PIEZAS; ++i) {
      bolsa[i] = static_cast<pieza_tipo_t>(i);
    }
    for (uint32_t i = PIEZA_NUM_PIEZAS - 1; i > 0; --i) {
      const uint32_t j = siguiente_azar() % (i + 1);
      const pieza_tipo_t t = bolsa[i];
      bolsa[i] = bolsa[j];
      bolsa[j] = t;
    }
    bolsa_sacadas = 0;
  }
  return bolsa[bolsa_sacadas++];
}

static bool cabe(const pieza_t* p, int32_t x, int32_t y) {
  bool_t choca = FALSE;
  cuveta_hay_interseccion(&cuveta, p, x, y, &choca);
  return choca == FALSE;
}

// Lowest occupied row of the piece's box.
static int32_t fila_inferior(const pieza_t* p) {
  for (int32_t i = p->tamano - 1; i > 0; --i) {
    for (int32_t j = 0; j < p->tamano; ++j) {
      if (p->matriz[i][j] != 0) {
        return i;
      }
    }
  }
  return 0;
}

static void mostrar_marcador(void) {
  glcd_xprintf(PANEL_X, 4, BLANCO, NEGRO, FONT12X24, "Puntos %-8u", (unsigned)puntos);
  glcd_xprintf(PANEL_X, 32, BLANCO, NEGRO, FONT12X24, "Nivel  %-8u", (unsigned)nivel);
  glcd_xprintf(PANEL_X, 60, BLANCO, NEGRO, FONT12X24, "Filas  %-8u", (unsigned)filas);
}

static void mostrar_panel_fijo(void) {
  glcd_xprintf(PANEL_X, 96, GRIS_CLARO, NEGRO, FONT8X16, "Siguiente:");
  glcd_xprintf(PANEL_X, 186, GRIS_CLARO, NEGRO, FONT8X16, "Controles:");
  glcd_xprintf(PANEL_X, 202, GRIS_CLARO, NEGRO, FONT8X16, "%s izquierda",
               BOTON_NOMBRE(BOTON_IZQUIERDA));
  glcd_xprintf(PANEL_X, 218, GRIS_CLARO, NEGRO, FONT8X16, "%s derecha",
               BOTON_NOMBRE(BOTON_DERECHA));
  glcd_xprintf(PANEL_X, 234, GRIS_CLARO, NEGRO, FONT8X16, "%s girar", BOTON_NOMBRE(BOTON_GIRAR));
  glcd_xprintf(PANEL_X, 250, GRIS_CLARO, NEGRO, FONT8X16, "%s soltar", BOTON_NOMBRE(BOTON_SOLTAR));
}

static void programar_gravedad(void) { timer_iniciar_ciclos_ms(TIMER0, periodo_de_nivel(nivel)); }

static void fin_de_partida(void) {
  estado = ESTADO_FIN;
  led_apagar(LED2);
  glcd_xprintf(MENSAJE_X, MENSAJE_Y, ROJO, NEGRO, FONT8X16, " FIN DE PARTIDA ");
  glcd_xprintf(MENSAJE_X, MENSAJE_Y + 16, BLANCO, NEGRO, FONT8X16, " Puntos %-8u",
               (unsigned)puntos);
  glcd_xprintf(MENSAJE_X, MENSAJE_Y + 32, GRIS_CLARO, NEGRO, FONT8X16, " Pulse un boton ");
}

// The next piece enters with its lowest row on the well's top row; when it
// does not fit there the game is over.
static void sacar_pieza(void) {
  pieza = siguiente;
  pieza_borrar(&siguiente, SIGUIENTE_X, SIGUIENTE_Y);
  pieza_inicializar(&siguiente, sacar_de_bolsa());
  pieza_pintar(&siguiente, SIGUIENTE_X, SIGUIENTE_Y);
  pieza_x = X_INICIAL;
  pieza_y = -fila_inferior(&pieza);
  if (!cabe(&pieza, pieza_x, pieza_y)) {
    fin_de_partida();
    return;
  }
  cuveta_pintar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
}

static void nueva_partida(void) {
  if (azar == 0) {
    // The first press comes at a time no one controls to a fraction of the
    // gravity period: a seed as good as any on a board without entropy.
    azar = (timer_leer(TIMER0) << 16) ^ tics ^ 0x9E3779B9u;
    if (azar == 0) {
      azar = 1;
    }
  }
  cuveta_inicializar(&cuveta);
  cuveta_pintar(&cuveta);
  puntos = 0;
  filas = 0;
  nivel = 1;
  mostrar_marcador();
  programar_gravedad();
  bolsa_sacadas = PIEZA_NUM_PIEZAS;
  pieza_borrar(&siguiente, SIGUIENTE_X, SIGUIENTE_Y);
  pieza_inicializar(&siguiente, sacar_de_bolsa());
  estado = ESTADO_JUGANDO;
  led_encender(LED2);
  sacar_pieza();
}

// The piece has landed: settle it, remove full rows (the only time the whole
// well is redrawn) and bring the next one.
static void asentar(void) {
  cuveta_fijar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
  bool_t desborda = FALSE;
  cuveta_hay_desbordamiento(&cuveta, &pieza, pieza_x, pieza_y, &desborda);
  if (desborda != FALSE) {
    fin_de_partida();
    return;
  }
  int32_t eliminadas = 0;
  cuveta_revisar_filas(&cuveta, &eliminadas);
  if (eliminadas > 0) {
    // One piece completes at most four rows; more only if the well was
    // written from outside, and the table must not be read past its end.
    const int32_t a_la_vez = eliminadas < PIEZA_MAX_TAM_MATRIZ ? eliminadas : PIEZA_MAX_TAM_MATRIZ;
    puntos += PUNTOS_POR_FILAS[a_la_vez] * nivel;
    filas += static_cast<uint32_t>(eliminadas);
    const uint32_t nivel_nuevo = 1 + filas / FILAS_POR_NIVEL;
    led_encender(LED1);
    destello = DURACION_DESTELLO;
    cuveta_pintar(&cuveta);
    if (nivel_nuevo != nivel) {
      nivel = nivel_nuevo;
      programar_gravedad();
    }
    mostrar_marcador();
  }
  sacar_pieza();
}

static bool mover(int32_t dx, int32_t dy) {
  if (!cabe(&pieza, pieza_x + dx, pieza_y + dy)) {
    return false;
  }
  cuveta_borrar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
  pieza_x += dx;
  pieza_y += dy;
  cuveta_pintar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
  return true;
}

static void girar(void) {
  pieza_t girada = pieza;
  pieza_rotar(&girada, DERECHA);
  if (!cabe(&girada, pieza_x, pieza_y)) {
    return;
  }
  cuveta_borrar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
  pieza = girada;
  cuveta_pintar_pieza(&cuveta, &pieza, pieza_x, pieza_y);
}

static void soltar(void) {
  int32_t y = pieza_y;
  while (cabe(&pieza, pieza_x, y + 1)) {
    ++y;
  }
  mover(0, y - pieza_y);
  asentar();
}

static void atender(uint32_t boton, bool repetida) {
  if (estado != ESTADO_JUGANDO) {
    if (!repetida) {
      nueva_partida();
    }
    return;
  }
  switch (boton) {
    case MOVER_IZQUIERDA:
      mover(-1, 0);
      break;
    case MOVER_DERECHA:
      mover(1, 0);
      break;
    case GIRAR:
      girar();
      break;
    default:
      soltar();
      break;
  }
}

extern "C" {
void TIMER0_IRQHandler(void);
void TIMER1_IRQHandler(void);
}

int main(void) {
  glcd_inicializar();
  leds_inicializar();
  gpio_ajustar_dir(
      PUERTO_BOTONES,
      botones[0].mascara | botones[1].mascara | botones[2].mascara | botones[3].mascara,
      DIR_ENTRADA);

  cuveta_inicializar(&cuveta);
  cuveta_pintar(&cuveta);
  nivel = 1;
  mostrar_marcador();
  mostrar_panel_fijo();
  glcd_xprintf(MENSAJE_X, MENSAJE_Y, BLANCO, NEGRO, FONT8X16, " Pulse un boton ");
  glcd_xprintf(MENSAJE_X, MENSAJE_Y + 16, BLANCO, NEGRO, FONT8X16, "  para empezar  ");

  timer_inicializar(TIMER0);
  programar_gravedad();
  timer_inicializar(TIMER1);
  timer_iniciar_ciclos_ms(TIMER1, PERIODO_MUESTREO_MS);
  const IRQn_Type interrupciones[] = {TIMER0_IRQn, TIMER1_IRQn};
  for (const IRQn_Type irq : interrupciones) {
    __NVIC_ClearPendingIRQ(irq);
    __NVIC_SetPriority(irq, 1);
    __NVIC_EnableIRQ(irq);
  }
  __enable_irq();

  for (;;) {
    __WFI();
  }
}

void TIMER0_IRQHandler(void) {
  timer_limpiar_interrupcion(LPC_TIM0, 0);
  if (estado == ESTADO_JUGANDO && !mover(0, 1)) {
    asentar();
  }
}

void TIMER1_IRQHandler(void) {
  timer_limpiar_interrupcion(LPC_TIM1, 0);
  ++tics;
  if (destello != 0 && --destello == 0) {
    led_apagar(LED1);
  }
  const uint32_t puerto = gpio_leer_puerto(PUERTO_BOTONES);
  for (uint32_t i = 0; i < NUM_BOTONES; ++i) {
    boton_t& b = botones[i];
    const bool_t abajo = (puerto & b.mascara) == 0 ? TRUE : FALSE;
    if (abajo != b.leido) {
      b.leido = abajo;
      b.estables = 0;
    } else if (b.estables < MUESTRAS_ESTABLES) {
      if (++b.estables == MUESTRAS_ESTABLES && abajo != b.pulsado) {
        b.pulsado = abajo;
        if (abajo != FALSE) {
          b.repeticion = RETARDO_REPETICION;
          atender(i, false);
        }
      }
    } else if (b.pulsado != FALSE && b.repite != FALSE && --b.repeticion == 0) {
      b.repeticion = PERIODO_REPETICION;
      atender(i, true);
    }
  }
}
