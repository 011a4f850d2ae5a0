#include "sim/web/live_board.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <utility>

#include "sim/core/elf_image.h"
#include "sim/placa/board.h"
#include "sonda_temperatura.h"

namespace sim::web {
namespace {

constexpr double kFramePeriod = 1.0 / 60;  // LCD updates and pacing ticks, wall seconds
constexpr double kStatusPeriod = 0.1;
// Wall seconds of board time one slice may take at a paced speed, so a
// request waits little even when the firmware is heavy.
constexpr double kSliceWall = 0.02;
// Behind by more than this (wall seconds' worth), the board stops trying
// to catch up and goes on from where it is.
constexpr double kMaxLagWall = 0.25;
constexpr double kSpeedWindow = 1.0;  // wall seconds the measured speed covers
constexpr double kMaxStepSeconds = 10;

const Pin kLedPins[4] = {{1, 18}, {0, 13}, {1, 13}, {2, 19}};

std::string describe_error_stop(const ErrorStopInfo& e) {
  return e.message + " (" + e.function + ", " + e.file + ":" + std::to_string(e.line) + ")";
}

// What the firmware's own conversion makes of the voltage on channel 0;
// nothing where it has no meaning (a shorted or open thermistor).
std::optional<double> thermistor_celsius(double volts) {
  const double c = ntc_traducir_tension_a_temperatura(static_cast<float32_t>(volts));
  return std::isfinite(c) ? std::optional<double>(c) : std::nullopt;
}

std::string hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

}  // namespace

LiveBoard::LiveBoard(std::filesystem::path image, Options options, std::optional<double> speed)
    : image_(std::move(image)), options_(std::move(options)) {
  board_ = std::make_unique<Simulador>(image_, options_);
  if (const auto text = board_->board().image().unloaded_section(".controles")) {
    try {
      controls_ = parse_controls(*text);
    } catch (const std::invalid_argument& e) {
      throw ImageError(image_.string() + ": " + e.what());
    }
  } else {
    controls_ = default_controls();
  }
  pacer_.set_speed(speed, 0, 0);
  adc_[0].celsius = thermistor_celsius(0);
  status_ = make_status();
}

LiveBoard::~LiveBoard() { stop(); }

double LiveBoard::wall() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void LiveBoard::end_at(double board_seconds, std::function<void()> finished) {
  end_at_ = board_seconds;
  finished_ = std::move(finished);
}

void LiveBoard::start(LiveListener* listener) {
  listener_ = listener;
  pacer_.start(wall(), board_->time());
  thread_ = std::thread([this] { loop(); });
}

void LiveBoard::stop() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

Status LiveBoard::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::optional<Frame> LiveBoard::frame() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

void LiveBoard::post(std::function<void(Simulador&)> task) {
  {
    std::lock_guard lock(mutex_);
    if (quit_) throw std::runtime_error("the board has stopped");
    tasks_.push_back(std::move(task));
  }
  wake_.notify_all();
}

void LiveBoard::press(Pin pin, bool down) { set_level(pin, !down); }

void LiveBoard::set_level(Pin pin, bool level) {
  on_board([pin, level](Simulador& s) { s.set_pin(pin, level, s.time()); });
}

void LiveBoard::set_adc(unsigned channel, double volts) {
  if (channel >= kAdcChannels || !(volts >= 0 && volts <= kMaxVolts)) {
    throw std::invalid_argument("no such A/D channel or voltage");
  }
  on_board([this, channel, volts](Simulador& s) {
    s.set_adc_voltage(channel, volts, s.time());
    adc_[channel].volts = volts;
    if (channel == 0) adc_[0].celsius = thermistor_celsius(volts);
    publish(true);
  });
}

void LiveBoard::send_uart0(const std::string& bytes) {
  on_board([bytes](Simulador& s) { s.uart0_input(bytes, s.time()); });
}

void LiveBoard::pause() {
  on_board([this](Simulador& s) {
    pacer_.pause(s.time());
    publish(true);
  });
}

void LiveBoard::resume() {
  on_board([this](Simulador& s) {
    pacer_.resume(wall(), s.time());
    samples_.clear();
    publish(true);
  });
}

bool LiveBoard::step(std::optional<double> seconds) {
  if (seconds && !(*seconds > 0 && *seconds <= kMaxStepSeconds)) {
    throw std::invalid_argument("a step is more than 0 and at most 10 s of board time");
  }
  return on_board([this, seconds](Simulador& s) {
    if (pacer_.running() || ended_) return false;
    const RunResult r = seconds ? s.run_for(*seconds) : s.step();
    if (r.reason != StopReason::TimeReached && r.reason != StopReason::Stepped) end_of_run(r);
    pacer_.pause(s.time());
    publish(true);
    return true;
  });
}

void LiveBoard::reset() {
  on_board([this](Simulador&) {
    auto fresh = std::make_unique<Simulador>(image_, options_);
    // The knobs stay where the person left them; buttons are let go.
    for (unsigned ch = 0; ch < kAdcChannels; ++ch) fresh->set_adc_voltage(ch, adc_[ch].volts, 0);
    board_ = std::move(fresh);
    ended_ = false;
    end_state_.clear();
    end_message_.clear();
    pins_sent_ = uart_sent_ = 0;
    outputs_seen_.clear();
    samples_.clear();
    if (pacer_.running()) pacer_.start(wall(), 0);
    else pacer_.pause(0);
    last_lcd_wall_ = -1;
    publish(true);
  });
}

void LiveBoard::set_speed(std::optional<double> speed) {
  if (speed && !(*speed >= kMinSpeed && *speed <= kMaxSpeed)) {
    throw std::invalid_argument("the speed is 0.01 to 100, or max");
  }
  on_board([this, speed](Simulador& s) {
    pacer_.set_speed(speed, wall(), s.time());
    samples_.clear();
    chunk_ = 0.01;
    publish(true);
  });
}

void LiveBoard::end_of_run(const RunResult& r) {
  Simulador& s = *board_;
  ended_ = true;
  switch (r.reason) {
    case StopReason::ErrorStop:
      end_state_ = "error stop";
      end_message_ = s.error_stop() ? describe_error_stop(*s.error_stop()) : "error stop";
      break;
    case StopReason::Fault: {
      end_state_ = "fault";
      const auto& f = s.fault();
      end_message_ = f ? f->kind + " at " + hex(f->address) + ", pc " + hex(f->pc) : "fault";
      if (const auto p = s.parking()) end_message_ += "; parked in " + p->function;
      break;
    }
    case StopReason::Exited:
      end_state_ = "exited";
      end_message_ = "the firmware exited with status " + std::to_string(s.exit_status().value_or(1));
      break;
    case StopReason::Parked: {
      end_state_ = "parked";
      const auto p = s.parking();
      end_message_ = p ? "parked in " + p->function + " (" + p->exception_name + ")" : "parked";
      break;
    }
    default:
      ended_ = false;
      break;
  }
}

Status LiveBoard::make_status() const {
  const Simulador& s = *board_;
  Status st;
  st.time = s.time();
  st.running = pacer_.running() && !ended_;
  st.speed = pacer_.speed();
  if (samples_.size() >= 2 && samples_.back().wall > samples_.front().wall) {
    st.real_speed = (samples_.back().board - samples_.front().board) /
                    (samples_.back().wall - samples_.front().wall);
  }
  for (unsigned i = 0; i < 4; ++i) {
    st.leds[i] = s.pin_is_output(kLedPins[i]) && s.pin_level(kLedPins[i]);
  }
  std::set<std::pair<unsigned, unsigned>> seen;
  auto add = [&](Pin p) {
    if (seen.insert({p.port, p.bit}).second) st.pins.emplace_back(p, s.pin_level(p));
  };
  for (const Pin& p : kLedPins) add(p);
  for (const Pin& p : outputs_seen_) add(p);
  for (const Control& c : controls_) add(c.pin);
  st.adc = adc_;
  st.run_state = ended_ ? end_state_ : st.running ? "running" : "paused";
  st.message = ended_ ? end_message_ : "";
  return st;
}

void LiveBoard::publish_lcd() {
  Board& b = board_->board();
  const bool on = b.peripherals().lcd_enabled() && b.peripherals().lcd_frame(scratch_);
  LcdUpdate u;
  {
    std::lock_guard lock(mutex_);
    if (!on) {
      if (!frame_ && last_lcd_wall_ >= 0) return;
      frame_.reset();
    } else {
      const unsigned w = Frame::kWidth;
      unsigned first = Frame::kHeight, last = 0;
      for (unsigned y = 0; y < Frame::kHeight; ++y) {
        const bool same = frame_ && std::equal(scratch_.pixels.begin() + y * w,
                                               scratch_.pixels.begin() + (y + 1) * w,
                                               frame_->pixels.begin() + y * w);
        if (!same) {
          first = std::min(first, y);
          last = y;
        }
      }
      if (first == Frame::kHeight && last_lcd_wall_ >= 0) return;
      if (first == Frame::kHeight) first = 0, last = Frame::kHeight - 1;
      u.on = true;
      u.first_row = first;
      u.rows = last - first + 1;
      u.pixels.assign(scratch_.pixels.begin() + first * w, scratch_.pixels.begin() + (last + 1) * w);
      if (frame_) {
        frame_->pixels = scratch_.pixels;  // into the storage it has
      } else {
        frame_ = scratch_;
      }
    }
  }
  if (listener_) listener_->on_lcd(u);
}

void LiveBoard::publish(bool force_status) {
  Simulador& s = *board_;
  const double w = wall();
  const auto& changes = s.pin_changes();
  for (std::size_t i = pins_sent_; i < changes.size(); ++i) {
    if (std::find(outputs_seen_.begin(), outputs_seen_.end(), changes[i].pin) ==
        outputs_seen_.end()) {
      outputs_seen_.push_back(changes[i].pin);
    }
  }
  if (changes.size() > pins_sent_ && listener_) {
    listener_->on_pins({changes.begin() + static_cast<std::ptrdiff_t>(pins_sent_), changes.end()});
  }
  pins_sent_ = changes.size();
  const std::string text = s.uart0_text();
  if (text.size() > uart_sent_ && listener_) listener_->on_uart0(text.substr(uart_sent_));
  uart_sent_ = text.size();
  if (last_lcd_wall_ < 0 || w - last_lcd_wall_ >= kFramePeriod) {
    publish_lcd();
    last_lcd_wall_ = w;
  }
  const bool running = pacer_.running() && !ended_;
  const std::string state = ended_ ? end_state_ : running ? "running" : "paused";
  if (force_status || w - last_status_wall_ >= kStatusPeriod || running != last_running_ ||
      state != last_state_) {
    Status st = make_status();
    {
      std::lock_guard lock(mutex_);
      status_ = st;
    }
    if (listener_) listener_->on_status(st);
    last_status_wall_ = w;
    last_running_ = running;
    last_state_ = state;
  }
}

void LiveBoard::loop() {
  publish(true);
  for (;;) {
    std::deque<std::function<void(Simulador&)>> todo;
    {
      std::lock_guard lock(mutex_);
      if (quit_) return;
      todo.swap(tasks_);
    }
    for (auto& task : todo) task(*board_);

    const double w = wall();
    const bool can_run = pacer_.running() && !ended_;
    bool behind = false;
    if (can_run) {
      Simulador& s = *board_;
      const double now = s.time();
      if (pacer_.speed()) pacer_.catch_up_limit(w, now, kMaxLagWall * *pacer_.speed());
      const double target = *pacer_.target(w);
      if (target > now && now < end_at_.value_or(kMaxBoardSeconds)) {
        double end = pacer_.speed() ? std::min(target, now + kSliceWall * *pacer_.speed())
                                    : now + chunk_;
        end = std::min(end, end_at_.value_or(kMaxBoardSeconds));
        const double started = wall();
        const RunResult r = s.run_to_time(end);
        const double took = wall() - started;
        if (!pacer_.speed()) {
          // Full speed: slices of about kSliceWall, whatever the firmware costs.
          chunk_ = std::clamp(took > 0 ? chunk_ * kSliceWall / took : chunk_ * 2, 1e-4, 10.0);
        }
        if (r.reason != StopReason::TimeReached) end_of_run(r);
        if (end_at_ && s.time() >= *end_at_ && finished_) {
          pacer_.pause(s.time());
          std::exchange(finished_, nullptr)();
        }
        // Behind by a tick or more (a slice cut short, a heavy firmware): no
        // sleep. Less than that is the next tick's work.
        behind = !pacer_.speed() || s.time() < *pacer_.target(wall()) - kFramePeriod * *pacer_.speed();
        samples_.push_back({wall(), s.time()});
        while (samples_.size() > 2 && samples_.back().wall - samples_.front().wall > kSpeedWindow) {
          samples_.pop_front();
        }
      }
    }
    publish(false);
    if (behind) continue;
    // Caught up, paused or ended: sleep to the next tick or the next request.
    const double period = can_run ? kFramePeriod : kStatusPeriod;
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::duration<double>(period),
                   [this] { return quit_ || !tasks_.empty(); });
  }
}

}  // namespace sim::web
