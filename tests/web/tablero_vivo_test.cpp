// The live board's own behaviour, without a server: pacing controls on its
// thread, what it tells a listener, and the buttons an image describes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "sim/web/controls.h"
#include "sim/web/live_board.h"

namespace {

const std::filesystem::path kReloj = FIRMWARE_IMAGES "/reloj.elf";

class Recorder final : public sim::web::LiveListener {
 public:
  void on_status(const sim::web::Status&) override {}
  void on_pins(const std::vector<sim::OutputChange>&) override {}
  void on_uart0(const std::string&) override {}
  void on_lcd(const sim::web::LcdUpdate& u) override {
    std::lock_guard lock(mutex);
    updates.push_back(u);
  }
  std::mutex mutex;
  std::vector<sim::web::LcdUpdate> updates;
};

class LiveBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  }
};

// The clock redraws only its digits: after the first whole frame, every
// update is rows of the 32-pixel-high text at the top, and one comes each
// board second.
TEST_F(LiveBoardTest, SendsTheWholeFrameOnceThenOnlyChangedRows) {
  sim::web::LiveBoard live(kReloj, {}, 4.0);  // paced: ticks between the seconds
  Recorder rec;
  std::atomic<bool> done = false;
  live.end_at(3.5, [&] { done = true; });
  live.start(&rec);
  while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  live.stop();
  std::lock_guard lock(rec.mutex);
  ASSERT_FALSE(rec.updates.empty());
  std::size_t whole = 0, digits = 0;
  for (const auto& u : rec.updates) {
    ASSERT_EQ(u.pixels.size(), std::size_t{u.rows} * sim::Frame::kWidth);
    if (u.rows == sim::Frame::kHeight) {
      ++whole;
    } else if (u.on) {
      EXPECT_LE(u.first_row + u.rows, 32u);
      ++digits;
    }
  }
  EXPECT_LE(whole, 2u);  // the LCD coming on, then perhaps its first clear
  EXPECT_GE(digits, 3u);
}

TEST_F(LiveBoardTest, PausedBoardStandsStillAndStepsExactly) {
  sim::web::LiveBoard live(kReloj, {}, 1.0);
  Recorder rec;
  live.start(&rec);
  live.pause();
  const double t = live.status().time;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(live.status().time, t);
  ASSERT_TRUE(live.step(0.125));
  EXPECT_NEAR(live.status().time, t + 0.125, 1e-7);
  live.resume();
  EXPECT_FALSE(live.step(std::nullopt));  // running: nothing to step
  live.stop();
}

TEST_F(LiveBoardTest, ResetStartsFromPowerOnAndKeepsTheKnobs) {
  sim::web::LiveBoard live(kReloj, {}, std::nullopt);
  Recorder rec;
  live.start(&rec);
  live.set_adc(0, 1.65);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  live.pause();
  ASSERT_GT(live.status().time, 0.01);
  live.reset();
  const sim::web::Status s = live.status();
  EXPECT_EQ(s.time, 0);
  EXPECT_EQ(s.adc[0].volts, 1.65);
  ASSERT_TRUE(s.adc[0].celsius);
  EXPECT_NEAR(*s.adc[0].celsius, 25, 1.5);  // 10 kOhm at 25 degrees: half the supply
  live.stop();
}

struct BadControls {
  const char* text;
  const char* says;
};

void PrintTo(const BadControls& b, std::ostream* os) { *os << b.says; }

class ControlsTest : public ::testing::TestWithParam<BadControls> {};

TEST_P(ControlsTest, RefusesWithTheLine) {
  try {
    sim::web::parse_controls(GetParam().text);
    FAIL() << "accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ControlsTest,
    ::testing::Values(BadControls{"P2.1|a|b\nP2.2|c\n", "line 2: not PIN|LABEL|KEY"},
                      BadControls{"Q2.1|a|b\n", "line 1: not a pin"},
                      BadControls{"P2.1||b\n", "label"},
                      BadControls{"P2.1|<script>|b\n", "label"},
                      BadControls{"P2.1|a|b\nP2.1|c|d\n", "has a button already"},
                      BadControls{"P2.1|a|b|c\n", "not PIN|LABEL|KEY"}));

TEST(Controls, ReadsEachButtonInOrder) {
  const auto c = sim::web::parse_controls("P2.10|izquierda|ArrowLeft\n\nP2.11|soltar|Space\n");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].pin, (sim::Pin{2, 10}));
  EXPECT_EQ(c[0].label, "izquierda");
  EXPECT_EQ(c[1].key, "Space");
}

}  // namespace
