#include "sonda_temperatura.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Worked values of the conversion. Host (glibc) and firmware (newlib, soft
// double) log and pow are separate implementations and may differ in the last
// bit of a double; after the final rounding to float that moves a result by at
// most one float step, so the comparison allows one unit in the last place
// (about 8e-6 at 69 degC, 2e-6 at -20 degC). Measured on 26 601 voltages
// between 0 and 3.3 V, the two builds gave identical bits.
struct Caso {
  float32_t tension;
  float32_t temperatura;
};

constexpr Caso kValores[] = {
    {0.5f, 69.46495f},  {1.0f, 45.13887f},  {1.65f, 25.023577f},
    {2.0f, 15.477544f}, {2.5f, 0.8818889f}, {3.0f, -20.504656f},
};

float32_t paso(float32_t x) { return std::nextafter(std::fabs(x), INFINITY) - std::fabs(x); }

TEST(SondaTemperatura, WorkedValuesWithinOneFloatStep) {
  for (const Caso& caso : kValores) {
    const float32_t t = ntc_traducir_tension_a_temperatura(caso.tension);
    EXPECT_NEAR(t, caso.temperatura, paso(caso.temperatura)) << caso.tension;
  }
}

TEST(SondaTemperatura, ZeroVoltsIsMinusTheKelvinOffset) {
  EXPECT_EQ(ntc_traducir_tension_a_temperatura(0.0f), static_cast<float32_t>(-273.16));
}

// 3.3f lies about 4.8e-8 below the double 3.3: no division by zero, a huge
// resistance (about 6.92e11 Ohm) and a finite temperature.
TEST(SondaTemperatura, FloatSupplyVoltageGivesAFiniteResult) {
  EXPECT_NEAR(ntc_traducir_tension_a_temperatura(3.3f), -165.49f, 0.01f);
}

TEST(SondaTemperatura, VoltagesOutsideTheSupplyGiveNaN) {
  for (float32_t v : {-0.001f, -1.0f, 3.31f, 5.0f}) {
    EXPECT_TRUE(std::isnan(ntc_traducir_tension_a_temperatura(v))) << v;
  }
}

TEST(SondaTemperatura, TemperatureFallsAsTheVoltageRises) {
  float32_t anterior = ntc_traducir_tension_a_temperatura(0.05f);
  for (float32_t v = 0.1f; v < 3.25f; v += 0.05f) {
    const float32_t t = ntc_traducir_tension_a_temperatura(v);
    EXPECT_LT(t, anterior) << v;
    anterior = t;
  }
}

}  // namespace
