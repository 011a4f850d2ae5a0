// Lab @NOMBRE@ on the board simulator: LED 1's blinking from the timer
// interrupt and LED 2 following the button, read on the LED pins at chosen
// board times (board time: the same run every time, whatever the host).
#include <gtest/gtest.h>

#include <initializer_list>

#include "sim/api/simulador.h"

namespace {

const sim::Pin kLed1 = sim::Pin::parse("P1.18");
const sim::Pin kLed2 = sim::Pin::parse("P0.13");
const sim::Pin kBoton = sim::Pin::parse("P2.22");

struct Muestra {
  double en;  // seconds of board time
  bool led1;
  bool led2;
};

class @CLASE@ : public testing::Test {
 protected:
  // Runs to each sample's time in turn and checks both LEDs there.
  void comprobar(std::initializer_list<Muestra> muestras) {
    for (const Muestra& m : muestras) {
      SCOPED_TRACE(testing::Message() << "at " << m.en << " s");
      ASSERT_EQ(placa.run_to_time(m.en).reason, sim::StopReason::TimeReached);
      EXPECT_EQ(placa.pin_level(kLed1), m.led1) << "LED 1";
      EXPECT_EQ(placa.pin_level(kLed2), m.led2) << "LED 2";
    }
    EXPECT_FALSE(placa.error_stop().has_value());
    EXPECT_FALSE(placa.fault().has_value());
  }

  sim::Simulador placa{FIRMWARE_IMAGES "/@NOMBRE@.elf"};
};

TEST_F(@CLASE@, Led1ChangesAtEveryHalfSecond) {
  comprobar({{0.3, false, false},
             {0.7, true, false},
             {1.2, false, false},
             {1.7, true, false},
             {2.2, false, false}});
}

TEST_F(@CLASE@, Led2IsLitWhileTheButtonIsHeld) {
  placa.press(kBoton, 0.8, 0.6);
  comprobar({{0.7, true, false},
             {0.9, true, true},
             {1.2, false, true},
             {1.35, false, true},
             {1.5, false, false}});
}

}  // namespace
