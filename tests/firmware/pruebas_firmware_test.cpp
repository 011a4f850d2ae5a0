// The pruebas_firmware image on the board simulator: the run-time start's
// data set-up, parking in the default and fault handlers, the error stop,
// and driver and thermistor functions called on the target's own
// instruction set, floating point and library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/api/simulador.h"

namespace {

const std::string kImagen = std::string(FIRMWARE_IMAGES) + "/pruebas_firmware.elf";
constexpr std::uint32_t kTim1 = 0x40008000;
constexpr std::uint32_t kTim2 = 0x40090000;
constexpr std::uint32_t kIr = 0x00;
constexpr std::uint32_t kTcr = 0x04;
constexpr std::uint32_t kTc = 0x08;
constexpr std::uint32_t kMcr = 0x14;
constexpr std::uint32_t kNvicIser = 0xE000E100;
constexpr std::uint32_t kScbShcsr = 0xE000ED24;
constexpr unsigned kTimer1Irq = 2;
// Peripheral SRAM: nothing of the image lives there, so a test can put code
// and strings in it.
constexpr std::uint32_t kLibre = 0x20000000;

class PruebasFirmware : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(placa.run_to("main", 0.01).reason, sim::StopReason::Condition);
    placa.run_for(0.01);  // board services up, asleep in main
  }

  std::uint32_t reg_timer(std::uint32_t base, std::uint32_t offset) {
    return placa.read<std::uint32_t>(base + offset);
  }

  sim::Simulador placa{kImagen};
};

// Stops the fresh board at the return from __user_initial_stackheap, when
// __main has set up the data and is about to take the stack and heap.
void hasta_pila_y_heap(sim::Simulador& placa) {
  ASSERT_EQ(placa.run_to("__user_initial_stackheap", 0.01).reason, sim::StopReason::Condition);
  const std::uint32_t vuelta = placa.reg(14) & ~1u;
  ASSERT_EQ(placa.run_until([&] { return placa.pc() == vuelta; }, 0.01).reason,
            sim::StopReason::Condition);
}

TEST(ArranquePruebas, RunTimeStartCopiesDataAndClearsBss) {
  sim::Simulador placa(kImagen);
  const std::uint32_t datos = placa.symbol("__data_start");
  const std::uint32_t fin_datos = placa.symbol("__data_end");
  const std::uint32_t bss = placa.symbol("__bss_start");
  const std::uint32_t fin_bss = placa.symbol("__bss_end");
  ASSERT_LT(datos, fin_datos) << "the image has initialised data";
  ASSERT_LT(bss, fin_bss);
  const std::vector<std::uint8_t> basura(fin_bss - datos, 0xA5);
  placa.write_memory(datos, basura.data(), basura.size());

  hasta_pila_y_heap(placa);
  std::vector<std::uint8_t> en_ram(fin_datos - datos), en_flash(fin_datos - datos);
  placa.read_memory(datos, en_ram.data(), en_ram.size());
  placa.read_memory(placa.symbol("__data_load"), en_flash.data(), en_flash.size());
  EXPECT_EQ(en_ram, en_flash);
  std::vector<std::uint8_t> ceros(fin_bss - bss);
  placa.read_memory(bss, ceros.data(), ceros.size());
  EXPECT_EQ(ceros, std::vector<std::uint8_t>(fin_bss - bss, 0));
}

TEST(ArranquePruebas, TheStackHeapRoutineGivesAnEmptyHeapBesideTheStack) {
  sim::Simulador placa(kImagen);
  hasta_pila_y_heap(placa);
  EXPECT_EQ(placa.reg(0), placa.symbol("Heap_Mem"));
  EXPECT_EQ(placa.reg(1), placa.symbol("Stack_Mem") + 1024);
  EXPECT_EQ(placa.reg(2), placa.reg(0)) << "heap limit == heap base";
  EXPECT_EQ(placa.reg(3), placa.symbol("Stack_Mem"));
  ASSERT_EQ(placa.run_to("main", 0.01).reason, sim::StopReason::Condition);
  EXPECT_EQ(placa.reg(13), placa.symbol("Stack_Mem") + 1024) << "main starts on an empty stack";
  EXPECT_EQ(placa.read<std::uint32_t>("PeripheralClock"), 60000000u);
}

TEST_F(PruebasFirmware, AStrayEnabledInterruptParksInTheDefaultHandler) {
  placa.call("timer_inicializar", {kTim1});
  placa.call("timer_iniciar_ciclos_ms", {kTim1, 5u});
  placa.write<std::uint32_t>(kNvicIser, 1u << kTimer1Irq);
  const auto r = placa.run_for(0.1);
  ASSERT_EQ(r.reason, sim::StopReason::Parked);
  // Every default interrupt name is this one address.
  EXPECT_EQ(placa.parking()->pc & ~1u, placa.symbol("Default_Handler"));
  EXPECT_EQ(placa.parking()->function, "Default_Handler");  // not one of its weak aliases
  EXPECT_EQ(placa.parking()->exception, 16 + kTimer1Irq);
}

TEST_F(PruebasFirmware, AFaultParksInItsOwnHandler) {
  // An undefined instruction and a read of unmapped memory, run from thread
  // mode: with their fault enabled in SHCSR each lands in its own handler,
  // otherwise both escalate to the hard fault's.
  constexpr std::uint16_t kUdf = 0xDE00;
  constexpr std::uint16_t kLdrR0R0 = 0x6800;  // r0 = 0x60000000, outside the map
  constexpr std::uint32_t kUsgFaultEna = 1u << 18;
  constexpr std::uint32_t kBusFaultEna = 1u << 17;
  const struct {
    std::uint16_t instruccion;
    std::uint32_t shcsr;
    const char* manejador;
  } casos[] = {{kUdf, 0, "HardFault_Handler"},
               {kUdf, kUsgFaultEna, "UsageFault_Handler"},
               {kLdrR0R0, 0, "HardFault_Handler"},
               {kLdrR0R0, kBusFaultEna, "BusFault_Handler"}};
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << c.instruccion << " " << c.manejador);
    sim::Simulador otra(kImagen);
    otra.run_to("main", 0.01);
    otra.write<std::uint32_t>(kScbShcsr, c.shcsr);
    otra.write<std::uint16_t>(kLibre, c.instruccion);
    otra.set_reg(0, 0x60000000);
    otra.set_reg(15, kLibre | 1);
    EXPECT_EQ(otra.run_for(0.01).reason, sim::StopReason::Fault);
    ASSERT_TRUE(otra.parking());
    EXPECT_EQ(otra.parking()->function, c.manejador);
  }
}

TEST_F(PruebasFirmware, AFailedDriverCheckStopsWithItsMessage) {
  try {
    placa.call("timer_inicializar", {0x400FC0C4u});
    FAIL() << "the check did not stop";
  } catch (const sim::ErrorStopped& e) {
    EXPECT_EQ(e.info.file, "temporizador.cpp");
    EXPECT_EQ(e.info.function, "timer_inicializar");
    EXPECT_EQ(e.info.message, "timer_regs incorrecto");
  }
}

// The simulator stops every run at the entry of parar_con_error. To see what
// the error stop itself does, carry out its first instruction (a push of
// the registers it keeps) here and let the board run on from the next one.
void pasar_la_entrada_de_la_parada(sim::Simulador& placa) {
  const std::uint32_t pc = placa.pc();
  const auto push = placa.read<std::uint16_t>(pc);
  ASSERT_EQ(push & 0xFE00, 0xB400) << "parar_con_error starts with a 16-bit push";
  std::vector<unsigned> registros;
  for (unsigned r = 0; r < 8; ++r) {
    if ((push & (1u << r)) != 0) registros.push_back(r);
  }
  if ((push & 0x100) != 0) registros.push_back(14);
  std::uint32_t sp = placa.reg(13) - 4 * static_cast<std::uint32_t>(registros.size());
  placa.set_reg(13, sp);
  for (const unsigned r : registros) {
    placa.write<std::uint32_t>(sp, placa.reg(r));
    sp += 4;
  }
  placa.set_reg(15, (pc + 2) | 1);
}

// A driver check that fails, before and after the application brought the
// LCD up: the report shows on the LCD and the processor stays in the stop
// with interrupts masked.
TEST(ParadaConError, AFailedDriverCheckShowsItsReportOnTheLcdAndHalts) {
  for (const char* hasta : {"main", "leds_inicializar"}) {
    SCOPED_TRACE(hasta);
    sim::Simulador placa(kImagen);
    ASSERT_EQ(placa.run_to(hasta, 0.01).reason, sim::StopReason::Condition);
    placa.set_reg(0, 0x400FC0C4);  // not a timer
    placa.set_reg(15, placa.symbol("timer_inicializar") | 1);
    ASSERT_EQ(placa.run_for(0.01).reason, sim::StopReason::ErrorStop);
    const int linea = placa.error_stop()->line;
    pasar_la_entrada_de_la_parada(placa);
    placa.run_for(0.05);
    EXPECT_EQ(placa.symbol_at(placa.pc()), "parar_con_error");
    EXPECT_TRUE(placa.primask());
    const struct {
      unsigned fila;
      std::string texto;
    } lineas[] = {{0, "Fichero: temporizador.cpp"},
                  {1, "Funci\xF3n: timer_inicializar"},
                  {2, "L\xEDnea: " + std::to_string(linea)},
                  {3, "Mensaje: timer_regs incorrecto"}};
    for (const auto& l : lineas) {
      EXPECT_EQ(
          placa.read_screen(0, 0, 272 - 64 + 16 * l.fila, static_cast<unsigned>(l.texto.size())),
          l.texto);
    }
  }
}

TEST_F(PruebasFirmware, TimerDelayEndsStoppedWithTheMatchFlagStillSet) {
  placa.call("timer_inicializar", {kTim2});
  placa.write<std::uint32_t>(kTim2 + kMcr, 0x200);  // interrupt on match 3, kept by the delay
  const double antes = placa.time();
  placa.call("timer_retardo_ms", {kTim2, 5u});
  EXPECT_NEAR(placa.time() - antes, 0.005, 0.0001);
  EXPECT_EQ(reg_timer(kTim2, kIr) & 1, 1u);
  EXPECT_EQ(reg_timer(kTim2, kTcr) & 1, 0u);
  EXPECT_EQ(reg_timer(kTim2, kTc), 0u);
  EXPECT_EQ(reg_timer(kTim2, kMcr), 0x207u);
}

TEST_F(PruebasFirmware, TimerCyclesEndOncePerPeriod) {
  placa.call("timer_inicializar", {kTim1});
  placa.call("timer_iniciar_ciclos_us", {kTim1, 50u});
  placa.call("timer_esperar_fin_ciclo", {kTim1});
  const double primero = placa.time();
  placa.call("timer_esperar_fin_ciclo", {kTim1});
  placa.call("timer_esperar_fin_ciclo", {kTim1});
  EXPECT_NEAR(placa.time() - primero, 100e-6, 2e-6);
  EXPECT_EQ(reg_timer(kTim1, kTcr) & 1, 1u) << "cycles go on";
}

TEST_F(PruebasFirmware, ConvertsTheVoltageSetOnAnAdcChannel) {
  const struct {
    unsigned canal;
    double voltios;
    std::uint32_t resultado;
  } casos[] = {{0, 1.65, 2048}, {4, 0.0, 0}, {2, 3.3, 4095}, {7, 0.825, 1024}};
  placa.call("adc_inicializar", {12000000u, 0xFFu});
  for (const auto& c : casos) {
    SCOPED_TRACE(c.canal);
    placa.set_adc_voltage(c.canal, c.voltios);
    const auto r = placa.call("adc_convertir", {static_cast<std::uint32_t>(c.canal)});
    EXPECT_NEAR(static_cast<double>(r.as_u32()), c.resultado, 1.0);
  }
  EXPECT_FLOAT_EQ(placa.call("adc_traducir_a_tension", {2048u}).as_float(), 1.65f);
}

TEST_F(PruebasFirmware, ThermistorConversionGivesTheWorkedValuesOnTheTarget) {
  const struct {
    float voltios;
    float grados;
  } casos[] = {{0.5f, 69.46495f},  {1.0f, 45.13887f},   {1.65f, 25.023577f}, {2.0f, 15.477544f},
               {2.5f, 0.8818889f}, {3.0f, -20.504656f}, {0.0f, -273.16f}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.voltios);
    const float t = placa.call("ntc_traducir_tension_a_temperatura", {c.voltios}).as_float();
    EXPECT_FLOAT_EQ(t, c.grados);
  }
  for (const float fuera : {-0.1f, 3.5f}) {
    EXPECT_TRUE(std::isnan(placa.call("ntc_traducir_tension_a_temperatura", {fuera}).as_float()));
  }
}

}  // namespace
