// The clock image on the board simulator: reset to main, the time on the LCD
// (read back by matching the glyphs against the image's own fonts), the
// stop and resume buttons, LED 1 following P2.22, and the interrupt
// controller as main left it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sim/api/simulador.h"

namespace {

const std::string kImagen = std::string(FIRMWARE_IMAGES) + "/reloj.elf";
const sim::Pin kArrancar = sim::Pin::parse("P2.25");
const sim::Pin kParar = sim::Pin::parse("P2.27");
const sim::Pin kEspejo = sim::Pin::parse("P2.22");
const sim::Pin kLed1 = sim::Pin::parse("P1.18");
constexpr unsigned kTimer0Irq = 1;
constexpr unsigned kGpioIrq = 38;
constexpr std::uint32_t kEnf2 = 0x400280B4;
constexpr std::uint32_t kTimer0Tcr = 0x40004004;
constexpr std::uint32_t kLcdUpbase = 0x20088010;
constexpr std::uint32_t kLcdCtrl = 0x20088018;

class Reloj : public testing::Test {
 protected:
  // The time shown: eight 16 x 32 cells from the top-left corner.
  std::string hora() const { return placa.read_screen(2, 0, 0, 8); }

  // Runs through the next tick, redraw included, and returns the board time
  // at which the seconds counter changed.
  double siguiente_tic() {
    const auto antes = placa.read<std::uint32_t>("segundos");
    const auto r =
        placa.run_until([&] { return placa.read<std::uint32_t>("segundos") != antes; }, 1.5);
    EXPECT_EQ(r.reason, sim::StopReason::Condition);
    EXPECT_EQ(placa.run_until([&] { return !placa.irq_active(kTimer0Irq); }, 0.1).reason,
              sim::StopReason::Condition);
    return r.time;
  }

  void poner_hora(std::uint32_t h, std::uint32_t m, std::uint32_t s) {
    placa.write<std::uint32_t>("horas", h);
    placa.write<std::uint32_t>("minutos", m);
    placa.write<std::uint32_t>("segundos", s);
  }

  bool corriendo() { return (placa.read<std::uint32_t>(kTimer0Tcr) & 1) != 0; }

  sim::Simulador placa{kImagen};
};

TEST_F(Reloj, ResetReachesMainThroughSystemInitAndTheRunTimeStart) {
  placa.write<std::uint32_t>("segundos", 0xDEADBEEF);  // the start must clear it
  ASSERT_EQ(placa.run_to("SystemInit", 0.01).reason, sim::StopReason::Condition);
  ASSERT_EQ(placa.run_to("__main", 0.01).reason, sim::StopReason::Condition);
  EXPECT_EQ(placa.cpu_hz(), 120000000u);
  ASSERT_EQ(placa.run_to("main", 0.01).reason, sim::StopReason::Condition);
  EXPECT_EQ(placa.read<std::uint32_t>("PeripheralClock"), 60000000u);
  EXPECT_EQ(placa.read<std::uint32_t>("segundos"), 0u);
  EXPECT_EQ(placa.read<std::uint32_t>("inicio_heap_base"), placa.symbol("Heap_Mem"));
  EXPECT_EQ(placa.read<std::uint32_t>("inicio_heap_limite"), placa.symbol("Heap_Mem"));
  EXPECT_EQ(placa.reg(13), placa.symbol("Stack_Mem") + 1024) << "sp in main";
}

TEST_F(Reloj, MainEnablesBothInterruptsAtPriorityOneAndOnlyFallingEdges) {
  placa.run_for(0.1);
  for (const unsigned irq : {kTimer0Irq, kGpioIrq}) {
    SCOPED_TRACE(irq);
    EXPECT_TRUE(placa.irq_enabled(irq));
    EXPECT_EQ(placa.irq_priority(irq), 0x08u);
  }
  EXPECT_FALSE(placa.irq_enabled(kTimer0Irq + 1));
  EXPECT_EQ(placa.read<std::uint32_t>(kEnf2), 0x0A000000u);
  EXPECT_FALSE(placa.primask());
}

TEST_F(Reloj, TheLcdScansTheSdramFrameBufferAsA16BitTftPanel) {
  placa.run_for(0.1);
  EXPECT_EQ(placa.read<std::uint32_t>(kLcdUpbase), 0xA0000000u);
  EXPECT_EQ(placa.symbol("glcd_marco"), 0xA0000000u);
  const std::uint32_t ctrl = placa.read<std::uint32_t>(kLcdCtrl);
  EXPECT_EQ(ctrl & 1, 1u) << "enabled";
  EXPECT_EQ((ctrl >> 1) & 7, 6u) << "16 bpp 5:6:5";
  EXPECT_EQ((ctrl >> 5) & 1, 1u) << "TFT";
  EXPECT_EQ((ctrl >> 11) & 1, 1u) << "powered";
  EXPECT_TRUE(placa.unmodelled_accesses().empty())
      << "first: " << placa.unmodelled_accesses().front();
}

TEST_F(Reloj, ShowsZeroAtStartAndOneSecondLater) {
  placa.run_for(0.5);
  EXPECT_EQ(hora(), "00:00:00");
  placa.run_for(1.0);
  EXPECT_EQ(hora(), "00:00:01");
}

TEST_F(Reloj, RollsSecondsMinutesAndHoursOver) {
  const struct {
    std::uint32_t h, m, s;
    const char* despues;
  } casos[] = {{0, 0, 58, "00:00:59"},  {0, 0, 59, "00:01:00"},   {0, 58, 59, "00:59:00"},
               {0, 59, 59, "01:00:00"}, {22, 59, 59, "23:00:00"}, {23, 59, 59, "00:00:00"},
               {12, 34, 56, "12:34:57"}};
  placa.run_for(0.5);
  for (const auto& c : casos) {
    SCOPED_TRACE(c.despues);
    poner_hora(c.h, c.m, c.s);
    siguiente_tic();
    EXPECT_EQ(hora(), c.despues);
  }
}

TEST_F(Reloj, StopFreezesAndResumeFinishesTheInterruptedSecond) {
  const double t1 = siguiente_tic();  // 00:00:01
  const double parada = t1 + 0.3;
  placa.press(kParar, parada);
  placa.run_for(parada + 2.5 - placa.time());
  EXPECT_EQ(hora(), "00:00:01");
  EXPECT_FALSE(corriendo());

  const double reanudacion = placa.time();
  placa.press(kArrancar, reanudacion);
  const double t2 = siguiente_tic();
  EXPECT_EQ(hora(), "00:00:02");
  // 0.7 s of the interrupted second were left, to the timer's 0.1 ms step.
  EXPECT_NEAR(t2 - reanudacion, 0.7, 0.0002);
}

TEST_F(Reloj, EdgesThatChangeNothing) {
  const double t1 = siguiente_tic();
  placa.press(kArrancar, t1 + 0.5);  // already running
  const double t2 = siguiente_tic();
  EXPECT_NEAR(t2 - t1, 1.0, 0.0002);

  placa.press(kParar, t2 + 0.25);
  placa.press(kParar, t2 + 0.6);  // already stopped
  placa.run_for(t2 + 1.5 - placa.time());
  EXPECT_FALSE(corriendo());
  const double reanudacion = placa.time();
  placa.press(kArrancar, reanudacion);
  EXPECT_NEAR(siguiente_tic() - reanudacion, 0.75, 0.0002);
}

TEST_F(Reloj, RisingEdgesCauseNoInterrupt) {
  placa.set_pin(kParar, false, 0);  // low before main enables the edges
  placa.set_pin(kArrancar, false, 0);
  placa.run_for(0.5);
  placa.set_pin(kParar, true, 0.6);
  placa.set_pin(kArrancar, true, 0.7);
  EXPECT_EQ(placa.run_to("GPIO_IRQHandler", 1.0).reason, sim::StopReason::TimeReached);
  EXPECT_TRUE(corriendo());
}

TEST_F(Reloj, BothFallingEdgesTogetherEndStopped) {
  placa.run_for(0.5);
  placa.set_pin(kArrancar, false, 0.6);
  placa.set_pin(kParar, false, 0.6);
  placa.run_for(2.0);
  EXPECT_FALSE(corriendo());
  EXPECT_FALSE(placa.irq_pending(kGpioIrq));
  EXPECT_EQ(hora(), "00:00:00");
}

TEST_F(Reloj, Led1IsOnWhileP2_22IsLowRunningOrStopped) {
  placa.run_for(0.2);
  EXPECT_TRUE(placa.pin_is_output(kLed1));
  EXPECT_FALSE(placa.pin_level(kLed1));
  const struct {
    double en;
    bool p2_22;
    bool led;
  } pasos[] = {{0.3, false, true}, {0.6, true, false}, {1.2, false, true}};
  for (const auto& p : pasos) {
    placa.set_pin(kEspejo, p.p2_22, p.en);
  }
  for (const auto& p : pasos) {
    placa.run_for(p.en + 0.1 - placa.time());
    EXPECT_EQ(placa.pin_level(kLed1), p.led) << "at " << p.en;
  }
  placa.press(kParar, placa.time());
  placa.set_pin(kEspejo, true, placa.time() + 0.2);
  placa.run_for(0.5);
  EXPECT_FALSE(corriendo());
  EXPECT_FALSE(placa.pin_level(kLed1));
}

}  // namespace
