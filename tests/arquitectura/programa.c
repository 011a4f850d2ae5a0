// Architecture program: runs the scenarios of escenarios.h on the bare
// Cortex-M4F (NVIC, SCB, SysTick, FPU; no device peripheral) and logs what
// happens as (scenario, step, value) records in arq_registro, then sets
// arq_hecho. Built with ARQ_SEMIHOSTING it also prints the log as text lines
// ("ss.pp vvvvvvvv name") through semihosting and exits, for the reference
// machine. Only architecturally defined values are logged: addresses go
// relative to a symbol, never absolute, unless both memory maps share them.
// Handlers never log: they leave what they saw in variables, and the thread
// logs them once the scenario is back in thread mode.
#include <stdint.h>

#include "escenarios.h"

#define REG(a) (*(volatile uint32_t *)(a))
#define REG8(a) (*(volatile uint8_t *)(a))

#define SYST_CSR 0xE000E010u
#define SYST_RVR 0xE000E014u
#define SYST_CVR 0xE000E018u
#define NVIC_ISER 0xE000E100u
#define NVIC_ICER 0xE000E180u
#define NVIC_ISPR 0xE000E200u
#define NVIC_ICPR 0xE000E280u
#define NVIC_IABR 0xE000E300u
#define NVIC_IPR 0xE000E400u
#define ICSR 0xE000ED04u
#define VTOR 0xE000ED08u
#define AIRCR 0xE000ED0Cu
#define SCR 0xE000ED10u
#define CCR 0xE000ED14u
#define SHPR 0xE000ED18u  // byte n - 4 holds the priority of exception n
#define SHCSR 0xE000ED24u
#define CFSR 0xE000ED28u
#define HFSR 0xE000ED2Cu
#define DFSR 0xE000ED30u
#define BFAR 0xE000ED38u
#define CPACR 0xE000ED88u
#define DEMCR 0xE000EDFCu
#define FPCCR 0xE000EF34u
#define FPCAR 0xE000EF38u

#define ICSR_NMIPENDSET (1u << 31)
#define ICSR_PENDSVSET (1u << 28)
#define ICSR_PENDSTSET (1u << 26)
#define SHCSR_MEMFAULTENA (1u << 16)
#define SHCSR_BUSFAULTENA (1u << 17)
#define SHCSR_USGFAULTENA (1u << 18)
#define CCR_UNALIGN_TRP (1u << 3)
#define CCR_DIV_0_TRP (1u << 4)
#define CCR_STKALIGN (1u << 9)
#define CPACR_CP10_CP11 (0xFu << 20)
#define FPCCR_ASPEN (1u << 31)
#define FPCCR_LSPEN (1u << 30)

#define N_EXCEPCIONES 48
#define N_REGISTROS 512
// Fault address: unmapped, and a bus error, in both memory maps.
#define DIRECCION_SIN_MEMORIA 0x30000000u
// Execute-never by the default memory map (the System region).
#define DIRECCION_XN 0xF0000000u
// Bound of every wait for the SysTick counter: far above what it needs.
#define ESPERA_MAXIMA 2000000u

typedef uint32_t (*manejador_t)(uint32_t *marco, uint32_t exc_return);

struct registro {
  uint32_t clave;
  uint32_t valor;
};

// Read by the test and by arranque.S; not static.
manejador_t arq_manejadores[N_EXCEPCIONES];
struct registro arq_registro[N_REGISTROS];
volatile uint32_t arq_n;
volatile uint32_t arq_hecho;
volatile uint32_t arq_visto_ram;
uint32_t arq_punto[10];

extern const uint32_t arq_vectores[];
void arq_vector_ram(void);
void arq_abortar(void);
uint32_t arq_guardar(uint32_t *punto);
void arq_en_pila_proceso(void (*funcion)(void), uint32_t *tope, uint32_t control);
uint32_t arq_semihosting(uint32_t operacion, const void *argumento);
uint32_t arq_ram_cpsie(volatile uint32_t *leer);
uint32_t arq_ram_primask(volatile uint32_t *leer, uint32_t primask);
uint32_t arq_ram_basepri(volatile uint32_t *leer, uint32_t basepri);
int main(void);

// Labels inside the instruction sequences below (no Thumb bit).
extern const char arq_punto_bus[], arq_tras_bus[];
extern const char arq_tras_xn[];
extern const char arq_punto_udf[], arq_tras_udf[];
extern const char arq_destino_par[], arq_tras_inv[];
extern const char arq_punto_fp[], arq_tras_fp[];
extern const char arq_punto_div[], arq_tras_div[];
extern const char arq_punto_ldr[], arq_tras_ldr[];
extern const char arq_punto_ldrd[], arq_tras_ldrd[];
extern const char arq_punto_ldm[], arq_tras_ldm[];
extern const char arq_punto_bkpt[], arq_tras_bkpt[];
extern const char arq_tras_svc[];

// The scenario running, and those to leave out (bit n: scenario n), which a
// test may set once main is reached to get past a scenario its simulator
// cannot finish.
volatile uint32_t arq_escenario;
volatile uint32_t arq_omitir;

static void anotar(uint32_t paso, uint32_t valor) {
  if (arq_n < N_REGISTROS) {
    arq_registro[arq_n].clave = ARQ_CLAVE(arq_escenario, paso);
    arq_registro[arq_n].valor = valor;
    arq_n = arq_n + 1;
  }
}

// --- special registers --------------------------------------------------------
static inline void barrera(void) { __asm volatile("dsb\n\tisb" ::: "memory"); }
#define LEER_ESPECIAL(nombre)                              \
  static inline uint32_t leer_##nombre(void) {             \
    uint32_t v;                                            \
    __asm volatile("mrs %0, " #nombre : "=r"(v)::"memory"); \
    return v;                                              \
  }
LEER_ESPECIAL(primask)
LEER_ESPECIAL(basepri)
LEER_ESPECIAL(faultmask)
LEER_ESPECIAL(control)
LEER_ESPECIAL(ipsr)
LEER_ESPECIAL(psp)
static inline void poner_basepri(uint32_t v) { __asm volatile("msr basepri, %0" ::"r"(v) : "memory"); }
static inline void poner_basepri_max(uint32_t v) {
  __asm volatile("msr basepri_max, %0" ::"r"(v) : "memory");
}
static inline void poner_control(uint32_t v) {
  __asm volatile("msr control, %0\n\tisb" ::"r"(v) : "memory");
}

// --- what handlers saw --------------------------------------------------------
static volatile uint32_t secuencia;  // one nibble per event, oldest first
static void evento(uint32_t e) { secuencia = (secuencia << 4) | e; }

struct visto_irq {
  uint32_t cuenta;
  uint32_t exc_return;
  uint32_t *marco;
  uint32_t icsr;  // after pending what it pends
  uint32_t iabr;
  uint32_t ipsr;
  uint32_t faultmask;
};
static volatile struct visto_irq irq_visto[8];
static volatile uint32_t pendientes_de[8];  // IRQs each IRQ pends on entry
static volatile uint32_t poner_faultmask_en_irq;

struct visto_fallo {
  uint32_t cuenta;
  uint32_t ipsr;
  uint32_t cfsr;
  uint32_t hfsr;
  uint32_t dfsr;
  uint32_t bfar;
  uint32_t pc;
  uint32_t xpsr;
};
static volatile struct visto_fallo fallo;
static volatile uint32_t reanudar;  // where a fault's handler resumes

static volatile uint32_t cuenta_nmi, cuenta_systick, ipsr_systick;

static void limpiar_vistos(void) {
  secuencia = 0;
  for (unsigned i = 0; i < 8; ++i) {
    irq_visto[i].cuenta = 0;
    irq_visto[i].exc_return = 0;
    irq_visto[i].marco = 0;
    irq_visto[i].icsr = 0;
    irq_visto[i].iabr = 0;
    irq_visto[i].ipsr = 0;
    irq_visto[i].faultmask = 0;
    pendientes_de[i] = 0;
  }
  fallo.cuenta = 0;
  fallo.ipsr = fallo.cfsr = fallo.hfsr = fallo.dfsr = fallo.bfar = fallo.pc = fallo.xpsr = 0;
  reanudar = 0;
  poner_faultmask_en_irq = 0;
  cuenta_nmi = cuenta_systick = ipsr_systick = 0;
}

// --- handlers -----------------------------------------------------------------
static uint32_t inesperada(uint32_t *marco, uint32_t exc_return) {
  const uint32_t n = leer_ipsr() & 0x1FFu;
  anotar(ARQ_PASO_INESPERADA, n);
  if (n >= 16) {
    REG(NVIC_ICER + 4 * ((n - 16) / 32)) = 1u << ((n - 16) % 32);
    REG(NVIC_ICPR + 4 * ((n - 16) / 32)) = 1u << ((n - 16) % 32);
    return exc_return;
  }
  if (n == 15) REG(SYST_CSR) = 0;
  REG(CFSR) = ~0u;
  REG(HFSR) = ~0u;
  REG(CPACR) |= CPACR_CP10_CP11;
  marco[6] = (uint32_t)arq_abortar & ~1u;
  marco[7] = 1u << 24;
  return exc_return;
}

static uint32_t irq_generico(uint32_t *marco, uint32_t exc_return) {
  const uint32_t irq = (leer_ipsr() & 0x1FFu) - 16;
  volatile struct visto_irq *v = &irq_visto[irq & 7];
  evento(2 * irq + 1);
  v->cuenta = v->cuenta + 1;
  v->exc_return = exc_return;
  v->marco = marco;
  v->ipsr = leer_ipsr();
  v->iabr = REG(NVIC_IABR);
  if (pendientes_de[irq & 7] != 0) {
    REG(NVIC_ISPR) = pendientes_de[irq & 7];
    barrera();
  }
  v->icsr = REG(ICSR);
  if (poner_faultmask_en_irq) {
    __asm volatile("cpsid f" ::: "memory");
    v->faultmask = leer_faultmask();
  }
  evento(2 * irq + 2);
  return exc_return;
}

static uint32_t fallo_generico(uint32_t *marco, uint32_t exc_return) {
  fallo.cuenta = fallo.cuenta + 1;
  fallo.ipsr = leer_ipsr();
  fallo.cfsr = REG(CFSR);
  fallo.hfsr = REG(HFSR);
  fallo.dfsr = REG(DFSR);
  fallo.bfar = REG(BFAR);
  fallo.pc = marco[6];
  fallo.xpsr = marco[7];
  REG(CFSR) = ~0u;
  REG(HFSR) = ~0u;
  REG(DFSR) = ~0u;
  REG(CPACR) |= CPACR_CP10_CP11;
  if (reanudar == 0) return inesperada(marco, exc_return);
  marco[6] = reanudar;
  marco[7] = (marco[7] & ~0x0600FC00u) | (1u << 24);  // Thumb, no IT state
  reanudar = 0;
  return exc_return;
}

static uint32_t nmi(uint32_t *marco, uint32_t exc_return) {
  (void)marco;
  cuenta_nmi = cuenta_nmi + 1;
  return exc_return;
}

static uint32_t systick(uint32_t *marco, uint32_t exc_return) {
  (void)marco;
  cuenta_systick = cuenta_systick + 1;
  ipsr_systick = leer_ipsr();
  REG(SYST_CSR) = 0;
  REG(ICSR) = 1u << 25;  // PENDSTCLR: a wrap during this handler must not count
  REG(SCR) = 0;          // ends the sleep-on-exit scenario's sleep
  return exc_return;
}

// --- state every scenario starts from -----------------------------------------
static void restablecer(void) {
  __asm volatile("cpsid i" ::: "memory");
  poner_control(0);  // main stack, privileged, no FP context
  for (unsigned i = 0; i < 2; ++i) {
    REG(NVIC_ICER + 4 * i) = ~0u;
    REG(NVIC_ICPR + 4 * i) = ~0u;
  }
  for (unsigned i = 0; i < 8; ++i) REG8(NVIC_IPR + i) = 0;
  for (unsigned i = 0; i < 12; ++i) REG8(SHPR + i) = 0;
  REG(SYST_CSR) = 0;
  REG(SCR) = 0;
  REG(CCR) = (REG(CCR) & ~(CCR_UNALIGN_TRP | CCR_DIV_0_TRP)) | CCR_STKALIGN;
  REG(SHCSR) = 0;
  REG(CFSR) = ~0u;
  REG(HFSR) = ~0u;
  REG(DFSR) = ~0u;
  REG(AIRCR) = 0x05FA0000u;  // PRIGROUP 0
  REG(CPACR) |= CPACR_CP10_CP11;
  REG(FPCCR) = FPCCR_ASPEN | FPCCR_LSPEN;
  REG(VTOR) = (uint32_t)arq_vectores;
  REG(DEMCR) = 0;
  poner_basepri(0);
  __asm volatile("cpsie f" ::: "memory");
  for (unsigned i = 0; i < N_EXCEPCIONES; ++i) arq_manejadores[i] = inesperada;
  limpiar_vistos();
  barrera();
  __asm volatile("cpsie i" ::: "memory");
}

static void habilitar(unsigned irq, uint8_t prioridad) {
  REG8(NVIC_IPR + irq) = prioridad;
  arq_manejadores[16 + irq] = irq_generico;
  REG(NVIC_ICPR) = 1u << irq;
  REG(NVIC_ISER) = 1u << irq;
}

static void pender(uint32_t irqs) {
  REG(NVIC_ISPR) = irqs;
  barrera();
}

static void fallos_a(manejador_t m) {
  for (unsigned n = 3; n <= 6; ++n) arq_manejadores[n] = m;
}

// The fault's handler, status and stacked PC relative to `punto`
// (0xffffffff when no fault came).
static void anotar_fallo(uint32_t paso, const char *punto) {
  anotar(paso, fallo.ipsr);
  anotar(paso + 1, fallo.cfsr);
  anotar(paso + 2, fallo.hfsr);
  anotar(paso + 3, fallo.cuenta != 0 ? fallo.pc - (uint32_t)punto : 0xFFFFFFFFu);
}

// --- scenarios ------------------------------------------------------------------
// Order of handling by priority, grouping and exception number.
static void e_prioridades(void) {
  struct caso {
    uint32_t prigroup;
    uint8_t prio0, prio1;
  };
  // IRQ 0 pends IRQ 1: does 1 preempt 0?
  static const struct caso casos[] = {
      {0, 0x80, 0x40},  // higher priority: preempts
      {5, 0x60, 0x40},  // same group (bits 7:6), lower subpriority: waits
      {5, 0xA0, 0x40},  // higher group: preempts
      {7, 0x80, 0x00},  // no group bits at all: never preempts
  };
  for (unsigned i = 0; i < sizeof casos / sizeof casos[0]; ++i) {
    REG(AIRCR) = 0x05FA0000u | (casos[i].prigroup << 8);
    habilitar(0, casos[i].prio0);
    habilitar(1, casos[i].prio1);
    secuencia = 0;
    pendientes_de[0] = 1u << 1;
    pender(1u << 0);
    anotar(1 + i, secuencia);
  }
  REG(AIRCR) = 0x05FA0500u;
  anotar(5, REG(AIRCR) & 0xFFFF0700u);
  // All pending at once: lowest priority value first, then lowest number.
  pendientes_de[0] = 0;
  habilitar(0, 0x60);
  habilitar(1, 0x40);
  habilitar(2, 0x40);
  habilitar(3, 0x80);
  secuencia = 0;
  __asm volatile("cpsid i" ::: "memory");
  pender(0xFu);
  __asm volatile("cpsie i\n\tisb" ::: "memory");
  anotar(6, secuencia);
}

// A lower-priority interrupt pended in a handler follows it without
// returning to thread mode, on the same stack frame.
static void e_encadenamiento(void) {
  habilitar(0, 0x40);
  habilitar(1, 0x80);
  pendientes_de[0] = 1u << 1;
  pender(1u << 0);
  anotar(1, secuencia);
  const uint32_t icsr = irq_visto[0].icsr;
  anotar(2, icsr & 0x1FFu);           // VECTACTIVE
  anotar(3, (icsr >> 12) & 0x1FFu);   // VECTPENDING
  anotar(4, (icsr >> 11) & 1u);       // RETTOBASE
  anotar(5, (icsr >> 22) & 1u);       // ISRPENDING
  anotar(6, (uint32_t)(irq_visto[1].marco - irq_visto[0].marco));
  anotar(7, irq_visto[1].exc_return);
  anotar(8, irq_visto[1].ipsr);
}

// Preemption inside a handler, and what the nested handler sees.
static void e_expropiacion(void) {
  habilitar(0, 0x80);
  habilitar(1, 0x40);
  habilitar(2, 0xC0);
  pendientes_de[0] = (1u << 1) | (1u << 2);
  pender(1u << 0);
  anotar(1, secuencia);
  anotar(2, irq_visto[0].exc_return);
  anotar(3, irq_visto[1].exc_return);
  anotar(4, irq_visto[2].exc_return);
  anotar(5, irq_visto[1].iabr & 0xFu);
  anotar(6, (irq_visto[1].icsr >> 11) & 1u);      // RETTOBASE
  anotar(7, (irq_visto[1].icsr >> 12) & 0x1FFu);  // VECTPENDING
  anotar(8, irq_visto[1].ipsr);
}

static uint32_t cpsie_y_leer(volatile uint32_t *p) {
  uint32_t v;
  __asm volatile("cpsie i\n\tldr %0, [%1]" : "=r"(v) : "r"(p) : "memory");
  return v;
}

static uint32_t primask_y_leer(volatile uint32_t *p, uint32_t primask) {
  uint32_t v;
  __asm volatile("msr primask, %2\n\tldr %0, [%1]" : "=r"(v) : "r"(p), "r"(primask) : "memory");
  return v;
}

static void e_primask(void) {
  habilitar(0, 0x80);
  __asm volatile("cpsid i" ::: "memory");
  pender(1u << 0);
  anotar(1, irq_visto[0].cuenta);
  anotar(2, REG(NVIC_ISPR) & 1u);
  anotar(3, leer_primask());
  anotar(4, cpsie_y_leer(&irq_visto[0].cuenta));
  __asm volatile("cpsid i" ::: "memory");
  pender(1u << 0);
  anotar(5, primask_y_leer(&irq_visto[0].cuenta, 0));
}

static uint32_t basepri_y_leer(volatile uint32_t *p, uint32_t basepri) {
  uint32_t v;
  __asm volatile("msr basepri, %2\n\tldr %0, [%1]" : "=r"(v) : "r"(p), "r"(basepri) : "memory");
  return v;
}

static void e_basepri(void) {
  // Only the implemented high-order priority bits hold a value.
  poner_basepri(0xFF);
  anotar(1, leer_basepri());
  REG8(NVIC_IPR + 0) = 0xFF;
  anotar(2, REG8(NVIC_IPR + 0));
  REG8(SHPR + 15 - 4) = 0xFF;
  anotar(3, REG8(SHPR + 15 - 4));
  REG8(SHPR + 15 - 4) = 0;
  poner_basepri(0x40);
  habilitar(0, 0x40);
  habilitar(1, 0x20);
  pender(1u << 0);
  anotar(4, irq_visto[0].cuenta);  // not above BASEPRI: held
  pender(1u << 1);
  anotar(5, irq_visto[1].cuenta);  // above: taken
  poner_basepri_max(0x80);
  anotar(6, leer_basepri());  // only raises the masking
  poner_basepri_max(0x20);
  anotar(7, leer_basepri());
  poner_basepri_max(0);
  anotar(8, leer_basepri());
  anotar(9, basepri_y_leer(&irq_visto[0].cuenta, 0));
}

static uint32_t cpsie_f_y_leer(volatile uint32_t *p) {
  uint32_t v;
  __asm volatile("cpsie f\n\tldr %0, [%1]" : "=r"(v) : "r"(p) : "memory");
  return v;
}

static void e_faultmask(void) {
  habilitar(0, 0x00);
  __asm volatile("cpsid f" ::: "memory");
  pender(1u << 0);
  anotar(1, irq_visto[0].cuenta);
  anotar(2, leer_faultmask());
  anotar(3, cpsie_f_y_leer(&irq_visto[0].cuenta));
  // Set in a handler: its return clears it.
  poner_faultmask_en_irq = 1;
  pender(1u << 0);
  anotar(4, irq_visto[0].faultmask);
  anotar(5, leer_faultmask());
  __asm volatile("cpsie f" ::: "memory");
  // Set in thread mode: a return from NMI keeps it.
  arq_manejadores[2] = nmi;
  __asm volatile("cpsid f" ::: "memory");
  REG(ICSR) = ICSR_NMIPENDSET;
  barrera();
  anotar(6, cuenta_nmi);
  anotar(7, leer_faultmask());
  __asm volatile("cpsie f" ::: "memory");
}

// FP context: what the handler sees before and after its first FP
// instruction.
static volatile uint32_t fp_exc, fp_fpccr_antes, fp_fpcar, fp_control_antes, fp_fpccr_despues,
    fp_s0_apilado, fp_control_despues;
static volatile uint32_t fp_usar_fpu;

static uint32_t irq_fp(uint32_t *marco, uint32_t exc_return) {
  fp_exc = exc_return;
  fp_fpccr_antes = REG(FPCCR);
  fp_fpcar = REG(FPCAR) - (uint32_t)marco;
  fp_control_antes = leer_control();
  if (fp_usar_fpu) {
    __asm volatile("vmov s0, %0" ::"r"(0x40000000u) : "s0", "memory");
    fp_fpccr_despues = REG(FPCCR);
    fp_control_despues = leer_control();
  }
  fp_s0_apilado = marco[8];
  return exc_return;
}

static uint32_t leer_s0(void) {
  uint32_t v;
  __asm volatile("vmov %0, s0" : "=r"(v));
  return v;
}

static void e_fp_perezoso(void) {
  REG8(NVIC_IPR + 0) = 0x80;
  arq_manejadores[16] = irq_fp;
  REG(NVIC_ISER) = 1u;
  struct caso {
    uint32_t fpccr;
    uint32_t usar_fpu;
  };
  static const struct caso casos[] = {
      {FPCCR_ASPEN | FPCCR_LSPEN, 1},  // lazy, the handler uses the FPU
      {FPCCR_ASPEN | FPCCR_LSPEN, 0},  // lazy, it does not
      {FPCCR_ASPEN, 1},                // stacked at once
  };
  for (unsigned i = 0; i < sizeof casos / sizeof casos[0]; ++i) {
    const uint32_t base = 0x10 * (i + 1);
    poner_control(0);
    REG(FPCCR) = casos[i].fpccr;
    fp_usar_fpu = casos[i].usar_fpu;
    fp_fpccr_despues = fp_control_despues = 0;
    __asm volatile("vmov s0, %0" ::"r"(0x3F800000u) : "s0", "memory");
    anotar(base + 0, leer_control());
    pender(1u << 0);
    anotar(base + 1, fp_exc);
    anotar(base + 2, fp_fpccr_antes & 0xC000000Bu);  // ASPEN LSPEN THREAD USER LSPACT
    anotar(base + 3, fp_control_antes);
    if (casos[i].fpccr & FPCCR_LSPEN) anotar(base + 4, fp_fpcar);
    if (casos[i].usar_fpu) {
      anotar(base + 5, fp_fpccr_despues & 0xC000000Bu);
      anotar(base + 6, fp_control_despues);
      anotar(base + 7, fp_s0_apilado);
    }
    anotar(base + 8, leer_s0());
    anotar(base + 9, REG(FPCCR) & 0xC000000Bu);
  }
}

// Stack realignment: the frame starts 8-byte aligned below an SP that was
// 4 mod 8, xPSR bit 9 says so, and the return gives the SP back.
static volatile uint32_t *volatile marco_realineado;
static volatile uint32_t xpsr_realineado;

static uint32_t irq_realineado(uint32_t *marco, uint32_t exc_return) {
  marco_realineado = marco;
  xpsr_realineado = marco[7];
  return exc_return;
}

static void e_realineado(void) {
  habilitar(0, 0x80);
  arq_manejadores[16] = irq_realineado;
  for (uint32_t desalinear = 0; desalinear <= 4; desalinear += 4) {
    uint32_t antes, despues;
    __asm volatile(
        "mov r12, sp\n\t"
        "bic r3, r12, #7\n\t"
        "sub r3, r3, %[d]\n\t"
        "mov sp, r3\n\t"
        "mov %[antes], sp\n\t"
        "str %[bit], [%[ispr]]\n\t"
        "dsb\n\t"
        "isb\n\t"
        "mov %[despues], sp\n\t"
        "mov sp, r12"
        : [antes] "=&r"(antes), [despues] "=&r"(despues)
        : [d] "r"(desalinear), [bit] "r"(1u), [ispr] "r"(NVIC_ISPR)
        : "r3", "r12", "memory");
    const uint32_t paso = desalinear == 0 ? 1 : 4;
    anotar(paso, antes - (uint32_t)marco_realineado);
    anotar(paso + 1, (xpsr_realineado >> 9) & 1u);
    anotar(paso + 2, despues - antes);
  }
}

// Thread mode on the process stack, privileged and not.
static volatile uint32_t psp_svc_imm, psp_svc_exc;
static uint32_t pila_proceso[128] __attribute__((aligned(8)));

static uint32_t svc_privilegiar(uint32_t *marco, uint32_t exc_return) {
  psp_svc_imm = ((const uint16_t *)marco[6])[-1] & 0xFFu;
  psp_svc_exc = exc_return;
  poner_control(leer_control() & ~1u);  // nPRIV = 0
  return exc_return;
}

static void en_proceso(void) {
  uint32_t sp;
  __asm volatile("mov %0, sp" : "=r"(sp));
  anotar(1, leer_control());
  anotar(2, sp - leer_psp());
  __asm volatile(
      "mrs %0, psp\n\t"
      "str %1, [%2]\n\t"
      "dsb\n\t"
      "isb"
      : "=&r"(sp)
      : "r"(1u), "r"(NVIC_ISPR)
      : "memory");
  anotar(3, irq_visto[0].exc_return);
  anotar(4, sp - (uint32_t)irq_visto[0].marco);
  poner_control(3);  // unprivileged from here
  anotar(5, leer_control());
  poner_basepri(0x40);  // ignored unprivileged
  __asm volatile("svc #3" ::: "memory");
  anotar(7, psp_svc_imm);
  anotar(8, psp_svc_exc);
  anotar(9, leer_control());
}

static void e_pila_proceso(void) {
  habilitar(0, 0x80);
  arq_manejadores[11] = svc_privilegiar;
  arq_en_pila_proceso(en_proceso, &pila_proceso[128], 2);
  anotar(6, leer_basepri());
  anotar(10, leer_control());
}

// SVC with arguments and a result through the frame; PendSV set in the SVC
// handler follows it, tail-chained.
static volatile uint32_t svc_imm, svc_ipsr, svc_icsr, pendsv_ipsr, pendsv_exc;
static volatile uint32_t *volatile svc_marco, *volatile pendsv_marco;

static uint32_t svc_sumar(uint32_t *marco, uint32_t exc_return) {
  evento(9);
  svc_imm = ((const uint16_t *)marco[6])[-1] & 0xFFu;
  svc_ipsr = leer_ipsr();
  svc_marco = marco;
  marco[0] = marco[0] + marco[1] + marco[2] + marco[3];
  REG(ICSR) = ICSR_PENDSVSET;
  svc_icsr = REG(ICSR);
  return exc_return;
}

static uint32_t pendsv(uint32_t *marco, uint32_t exc_return) {
  evento(0xA);
  pendsv_ipsr = leer_ipsr();
  pendsv_exc = exc_return;
  pendsv_marco = marco;
  return exc_return;
}

static void e_svc_pendsv(void) {
  REG8(SHPR + 11 - 4) = 0x80;
  REG8(SHPR + 14 - 4) = 0xE0;
  arq_manejadores[11] = svc_sumar;
  arq_manejadores[14] = pendsv;
  uint32_t resultado;
  __asm volatile(
      "movs r0, #0x11\n\t"
      "movs r1, #0x22\n\t"
      "movs r2, #0x33\n\t"
      "movs r3, #0x44\n\t"
      "svc #7\n\t"
      "mov %0, r0"
      : "=r"(resultado)
      :
      : "r0", "r1", "r2", "r3", "memory");
  evento(0xB);
  anotar(1, resultado);
  anotar(2, svc_imm);
  anotar(3, svc_ipsr);
  anotar(4, (svc_icsr >> 28) & 1u);
  anotar(5, secuencia);
  anotar(6, pendsv_ipsr);
  anotar(7, pendsv_exc);
  anotar(8, (uint32_t)(pendsv_marco - svc_marco));
}

static uint32_t tabla_ram[64] __attribute__((aligned(256)));

static void e_vtor_ram(void) {
  for (unsigned i = 0; i < N_EXCEPCIONES; ++i) tabla_ram[i] = arq_vectores[i];
  tabla_ram[16 + 3] = (uint32_t)arq_vector_ram;
  habilitar(3, 0x80);
  arq_visto_ram = 0;
  REG(VTOR) = (uint32_t)tabla_ram + 0x7Fu;  // bits 6:0 are not part of the offset
  barrera();
  anotar(1, REG(VTOR) - (uint32_t)tabla_ram);
  pender(1u << 3);
  anotar(2, arq_visto_ram);
  anotar(3, irq_visto[3].cuenta);
  REG(VTOR) = (uint32_t)arq_vectores;
  barrera();
}

// --- instruction sequences that fault, each at a label ------------------------
__attribute__((noinline)) static uint32_t cargar_sin_memoria(void) {
  uint32_t v;
  __asm volatile(
      "movs r2, #1\n\t"
      "adds r2, r2, #1\n\t"
      ".global arq_punto_bus\n"
      "arq_punto_bus: ldr %0, [%1]\n"
      ".global arq_tras_bus\n"
      "arq_tras_bus:"
      : "=r"(v)
      : "r"(DIRECCION_SIN_MEMORIA)
      : "r2", "memory");
  return v;
}

__attribute__((noinline)) static void ejecutar_xn(void) {
  __asm volatile(
      "ldr r0, =%c0\n\t"
      "blx r0\n"
      ".global arq_tras_xn\n"
      "arq_tras_xn:"
      :
      : "i"(DIRECCION_XN | 1u)
      : "r0", "r1", "r2", "r3", "r12", "lr", "memory");
}

__attribute__((noinline)) static void indefinida(void) {
  __asm volatile(
      "nop\n"
      ".global arq_punto_udf\n"
      "arq_punto_udf: udf #0\n"
      ".global arq_tras_udf\n"
      "arq_tras_udf:" ::
          : "memory");
}

__attribute__((noinline)) static void saltar_sin_thumb(void) {
  __asm volatile(
      "adr r0, arq_destino_par\n\t"
      "bx r0\n\t"
      ".align 2\n"
      ".global arq_destino_par\n"
      "arq_destino_par: nop\n"
      ".global arq_tras_inv\n"
      "arq_tras_inv:" ::
          : "r0", "memory");
}

__attribute__((noinline)) static void usar_fpu(void) {
  __asm volatile(
      "nop\n"
      ".global arq_punto_fp\n"
      "arq_punto_fp: vmov s2, r0\n"
      ".global arq_tras_fp\n"
      "arq_tras_fp:" ::
          : "s2", "memory");
}

__attribute__((noinline)) static uint32_t dividir(uint32_t a, uint32_t b) {
  uint32_t v = 0xFFFFFFFFu;
  __asm volatile(
      "nop\n"
      ".global arq_punto_div\n"
      "arq_punto_div: udiv %0, %1, %2\n"
      ".global arq_tras_div\n"
      "arq_tras_div:"
      : "+r"(v)
      : "r"(a), "r"(b)
      : "memory");
  return v;
}

static const uint8_t bytes[16] __attribute__((aligned(8))) = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05,
                                                             0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                                                             0x0C, 0x0D, 0x0E, 0x0F};

__attribute__((noinline)) static uint32_t cargar_palabra(const void *p) {
  uint32_t v = 0;
  __asm volatile(
      "nop\n"
      ".global arq_punto_ldr\n"
      "arq_punto_ldr: ldr %0, [%1]\n"
      ".global arq_tras_ldr\n"
      "arq_tras_ldr:"
      : "+r"(v)
      : "r"(p)
      : "memory");
  return v;
}

__attribute__((noinline)) static void cargar_doble(const void *p) {
  __asm volatile(
      "nop\n"
      ".global arq_punto_ldrd\n"
      "arq_punto_ldrd: ldrd r2, r3, [%0]\n"
      ".global arq_tras_ldrd\n"
      "arq_tras_ldrd:" ::"r"(p)
      : "r2", "r3", "memory");
}

__attribute__((noinline)) static void cargar_multiple(const void *p) {
  __asm volatile(
      "nop\n"
      ".global arq_punto_ldm\n"
      "arq_punto_ldm: ldm %0, {r2, r3}\n"
      ".global arq_tras_ldm\n"
      "arq_tras_ldm:" ::"r"(p)
      : "r2", "r3", "memory");
}

__attribute__((noinline)) static void punto_de_ruptura(void) {
  __asm volatile(
      "nop\n"
      ".global arq_punto_bkpt\n"
      "arq_punto_bkpt: bkpt #1\n"
      ".global arq_tras_bkpt\n"
      "arq_tras_bkpt:" ::
          : "memory");
}

__attribute__((noinline)) static void svc_en_espera(void) {
  __asm volatile(
      "svc #1\n"
      ".global arq_tras_svc\n"
      "arq_tras_svc:" ::
          : "memory");
}

#define RESUME_EN(etiqueta) (reanudar = (uint32_t)(etiqueta))

// Precise bus error on a load: BusFault when enabled, else HardFault.
static void e_fallo_bus(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_BUSFAULTENA;
  RESUME_EN(arq_tras_bus);
  cargar_sin_memoria();
  anotar_fallo(1, arq_punto_bus);
  anotar(5, fallo.bfar);
  REG(SHCSR) = 0;
  RESUME_EN(arq_tras_bus);
  cargar_sin_memoria();
  anotar_fallo(6, arq_punto_bus);
  anotar(10, fallo.bfar);
}

// Execution from an execute-never region of the default memory map.
static void e_fallo_memmanage(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_MEMFAULTENA;
  RESUME_EN(arq_tras_xn);
  ejecutar_xn();
  anotar(1, fallo.ipsr);
  anotar(2, fallo.cfsr);
  anotar(3, fallo.hfsr);
  anotar(4, fallo.pc);
}

static void e_instr_indefinida(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_USGFAULTENA;
  RESUME_EN(arq_tras_udf);
  indefinida();
  anotar_fallo(1, arq_punto_udf);
}

// A branch to an address with bit 0 clear faults at its target with T = 0.
static void e_estado_invalido(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_USGFAULTENA;
  RESUME_EN(arq_tras_inv);
  saltar_sin_thumb();
  anotar_fallo(1, arq_destino_par);
  anotar(5, (fallo.xpsr >> 24) & 1u);
}

static void e_sin_coprocesador(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_USGFAULTENA;
  REG(CPACR) &= ~CPACR_CP10_CP11;
  barrera();
  RESUME_EN(arq_tras_fp);
  usar_fpu();
  anotar_fallo(1, arq_punto_fp);
}

static void e_division_cero(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_USGFAULTENA;
  anotar(1, dividir(7, 0));  // not trapped: the quotient is 0
  anotar(2, fallo.cuenta);
  REG(CCR) |= CCR_DIV_0_TRP;
  RESUME_EN(arq_tras_div);
  dividir(7, 0);
  anotar_fallo(3, arq_punto_div);
}

static void e_desalineado(void) {
  fallos_a(fallo_generico);
  REG(SHCSR) = SHCSR_USGFAULTENA;
  anotar(1, cargar_palabra(bytes + 1));  // not trapped: loads across words
  anotar(2, fallo.cuenta);
  RESUME_EN(arq_tras_ldrd);
  cargar_doble(bytes + 2);  // always trapped
  anotar_fallo(3, arq_punto_ldrd);
  RESUME_EN(arq_tras_ldm);
  cargar_multiple(bytes + 2);  // always trapped
  anotar_fallo(7, arq_punto_ldm);
  REG(CCR) |= CCR_UNALIGN_TRP;
  RESUME_EN(arq_tras_ldr);
  cargar_palabra(bytes + 1);
  anotar_fallo(11, arq_punto_ldr);
}

// Faults that cannot be taken as themselves become HardFault (FORCED).
static uint32_t irq_con_fallo(uint32_t *marco, uint32_t exc_return) {
  (void)marco;
  RESUME_EN(arq_tras_udf);
  indefinida();
  return exc_return;
}

static void e_escalado(void) {
  fallos_a(fallo_generico);
  // UsageFault disabled.
  RESUME_EN(arq_tras_udf);
  indefinida();
  anotar_fallo(1, arq_punto_udf);
  // UsageFault enabled, but not above the handler that faults.
  REG(SHCSR) = SHCSR_USGFAULTENA;
  REG8(SHPR + 6 - 4) = 0x20;
  REG8(NVIC_IPR + 0) = 0x00;
  arq_manejadores[16] = irq_con_fallo;
  REG(NVIC_ISER) = 1u;
  pender(1u << 0);
  anotar_fallo(5, arq_punto_udf);
  // SVC while PRIMASK holds every configurable priority.
  arq_manejadores[11] = fallo_generico;
  __asm volatile("cpsid i" ::: "memory");
  RESUME_EN(arq_tras_svc);
  svc_en_espera();
  __asm volatile("cpsie i" ::: "memory");
  anotar(9, fallo.ipsr);
  anotar(10, fallo.cfsr);
  anotar(11, fallo.hfsr);
}

// BKPT with no debugger and the debug monitor off.
static void e_bkpt(void) {
  fallos_a(fallo_generico);
  arq_manejadores[12] = fallo_generico;  // DebugMonitor, should it come
  RESUME_EN(arq_tras_bkpt);
  punto_de_ruptura();
  anotar_fallo(1, arq_punto_bkpt);
  anotar(5, fallo.dfsr & 0x1Fu);
}

// Waits until the counter has wrapped from 1 to 0 at least once, seen
// through VAL alone (a read of CTRL would clear COUNTFLAG): the first rise
// may be the reload after VAL was written, the second is a wrap.
static uint32_t esperar_vueltas(void) {
  uint32_t anterior = REG(SYST_CVR), subidas = 0;
  for (uint32_t i = 0; i < ESPERA_MAXIMA && subidas < 2; ++i) {
    const uint32_t v = REG(SYST_CVR);
    if (v > anterior) ++subidas;
    anterior = v;
  }
  return subidas >= 2;
}

static void e_systick(void) {
  arq_manejadores[15] = systick;
  REG(SYST_RVR) = 0xFFFFFFFFu;
  anotar(1, REG(SYST_RVR) & 0x00FFFFFFu);  // RELOAD: 24 bits, all writable
  REG(SYST_CVR) = 123;
  anotar(2, REG(SYST_CVR) & 0x00FFFFFFu);  // any write clears CURRENT
  REG(SYST_RVR) = 0x00FFFFFFu;
  REG(SYST_CSR) = 5;  // enabled, processor clock
  anotar(3, REG(SYST_CSR) & 7u);
  const uint32_t primero = REG(SYST_CVR);
  uint32_t cambio = 0;
  for (uint32_t i = 0; i < ESPERA_MAXIMA && !cambio; ++i) cambio = REG(SYST_CVR) != primero;
  anotar(4, cambio);
  // COUNTFLAG: set by a wrap, cleared by the read that returns it (the
  // counter stopped first, so no wrap can come between the two reads).
  REG(SYST_CSR) = 0;
  REG(SYST_RVR) = 1000;
  REG(SYST_CVR) = 0;
  (void)REG(SYST_CSR);
  REG(SYST_CSR) = 5;
  anotar(5, esperar_vueltas());
  REG(SYST_CSR) = 4;
  const uint32_t bandera = (REG(SYST_CSR) >> 16) & 1u;
  const uint32_t otra_vez = (REG(SYST_CSR) >> 16) & 1u;
  anotar(6, bandera);
  anotar(7, otra_vez);
  REG(SYST_RVR) = 10000;
  REG(SYST_CSR) = 0;
  REG(SYST_CVR) = 0;
  REG(SYST_CSR) = 7;  // and its exception
  for (uint32_t i = 0; i < ESPERA_MAXIMA && cuenta_systick == 0; ++i) {
  }
  anotar(8, cuenta_systick);
  anotar(9, ipsr_systick);
  REG(SYST_CSR) = 0;
  REG(ICSR) = ICSR_PENDSTSET;  // pended by software, counter off
  barrera();
  anotar(10, cuenta_systick);
}

// Sleep on return to thread mode: only the SysTick wakes the thread.
static void e_dormir_al_salir(void) {
  habilitar(0, 0x80);
  arq_manejadores[15] = systick;
  REG(SYST_RVR) = 0x00FFFFFFu;  // long: a thread that does not sleep reads 0 first
  REG(SYST_CVR) = 0;
  REG(SCR) = 1u << 1;
  REG(SYST_CSR) = 7;
  pender(1u << 0);
  const uint32_t visto = cuenta_systick;
  REG(SYST_CSR) = 0;
  REG(SCR) = 0;
  anotar(1, irq_visto[0].cuenta);
  anotar(2, visto);
}

// Unmasking from code in RAM lets a pending interrupt in before the next
// instruction.
static void e_cpsie_ram(void) {
  habilitar(0, 0x80);
  __asm volatile("cpsid i" ::: "memory");
  pender(1u << 0);
  anotar(1, arq_ram_cpsie(&irq_visto[0].cuenta));
  __asm volatile("cpsid i" ::: "memory");
  pender(1u << 0);
  anotar(2, arq_ram_primask(&irq_visto[0].cuenta, 0));
  poner_basepri(0x80);
  pender(1u << 0);
  anotar(3, arq_ram_basepri(&irq_visto[0].cuenta, 0));
}

// --- running and printing -------------------------------------------------------
struct escenario_def {
  uint32_t numero;
  const char *nombre;
  void (*funcion)(void);
};
#define ARQ_DEF(n, nombre) {n, #nombre, e_##nombre},
static const struct escenario_def escenarios[] = {ARQ_ESCENARIOS(ARQ_DEF)};

static const char *nombre_de(uint32_t numero) {
  for (unsigned i = 0; i < sizeof escenarios / sizeof escenarios[0]; ++i) {
    if (escenarios[i].numero == numero) return escenarios[i].nombre;
  }
  return "?";
}

#ifdef ARQ_SEMIHOSTING
static char *hex(char *p, uint32_t v, unsigned cifras) {
  for (unsigned i = cifras; i-- > 0;) *p++ = "0123456789abcdef"[(v >> (4 * i)) & 0xFu];
  return p;
}

static void imprimir_registro(void) {
  // Standard output is ":tt" opened for writing (mode 4, "w").
  static const char tt[] = ":tt";
  const uint32_t abrir[3] = {(uint32_t)tt, 4, 3};
  const uint32_t salida = arq_semihosting(0x01, abrir);  // SYS_OPEN
  for (uint32_t i = 0; i < arq_n; ++i) {
    char linea[64];
    char *p = linea;
    p = hex(p, arq_registro[i].clave >> 8, 2);
    *p++ = '.';
    p = hex(p, arq_registro[i].clave & 0xFFu, 2);
    *p++ = ' ';
    p = hex(p, arq_registro[i].valor, 8);
    *p++ = ' ';
    for (const char *n = nombre_de(arq_registro[i].clave >> 8); *n && p < linea + 60;) *p++ = *n++;
    *p++ = '\n';
    const uint32_t escribir[3] = {salida, (uint32_t)linea, (uint32_t)(p - linea)};
    arq_semihosting(0x05, escribir);  // SYS_WRITE
  }
  arq_semihosting(0x18, (const void *)0x20026u);  // SYS_EXIT, application exit
}
#endif

int main(void) {
  for (unsigned i = 0; i < sizeof escenarios / sizeof escenarios[0]; ++i) {
    if (arq_omitir & (1u << escenarios[i].numero)) continue;
    arq_escenario = escenarios[i].numero;
    restablecer();
    if (arq_guardar(arq_punto) == 0) {
      escenarios[i].funcion();
    } else {
      anotar(ARQ_PASO_ABORTADO, 0);
    }
  }
  arq_escenario = 0;
  restablecer();
  (void)nombre_de;
  arq_hecho = 1;
#ifdef ARQ_SEMIHOSTING
  imprimir_registro();
#endif
  for (;;) {
  }
}
