// A board that runs on its own thread, paced to the wall clock, and that
// other threads drive and watch. Everything that touches the simulated
// board happens on that thread: requests are queued and carried out between
// two run slices, so a request waits at most one slice (a few ms).
//
// What it tells its listener (from the board's thread): LCD rows that
// changed (at most 60 times a second), output pin changes, UART0 bytes, and
// its status (10 times a second and at once when the run state changes).
#ifndef SIM_WEB_LIVE_BOARD_H
#define SIM_WEB_LIVE_BOARD_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/api/simulador.h"
#include "sim/lpc4088/lcd.h"
#include "sim/web/controls.h"
#include "sim/web/pacer.h"

namespace sim::web {

struct AdcChannel {
  double volts = 0;
  std::optional<double> celsius;  // channel 0: the thermistor's reading
};

struct Status {
  double time = 0;
  bool running = false;
  std::optional<double> speed;  // nothing: as fast as it goes
  double real_speed = 0;        // board seconds per wall second, lately
  bool leds[4] = {};
  std::vector<std::pair<Pin, bool>> pins;  // outputs seen and the buttons
  std::vector<AdcChannel> adc;
  std::string run_state;  // "running", "paused", "error stop", "fault", "parked", "exited"
  std::string message;
};

// Changed rows [first_row, first_row + rows) of the frame; rows 0 with the
// LCD off.
struct LcdUpdate {
  unsigned first_row = 0;
  unsigned rows = 0;
  bool on = false;
  std::vector<std::uint16_t> pixels;  // rows * Frame::kWidth
};

class LiveListener {
 public:
  virtual ~LiveListener() = default;
  virtual void on_status(const Status& status) = 0;
  virtual void on_pins(const std::vector<OutputChange>& changes) = 0;
  virtual void on_uart0(const std::string& bytes) = 0;
  virtual void on_lcd(const LcdUpdate& update) = 0;
};

class LiveBoard {
 public:
  static constexpr unsigned kAdcChannels = 8;
  static constexpr double kMaxVolts = 3.3;
  static constexpr double kMinSpeed = 0.01;
  static constexpr double kMaxSpeed = 100;

  // Loads the image (throws as Simulador does). `speed` nothing: full speed.
  LiveBoard(std::filesystem::path image, Options options, std::optional<double> speed);
  ~LiveBoard();
  LiveBoard(const LiveBoard&) = delete;
  LiveBoard& operator=(const LiveBoard&) = delete;

  const std::vector<Control>& controls() const { return controls_; }
  const std::filesystem::path& image() const { return image_; }

  // Before start(): inputs scheduled from the command line, and a board
  // time at which the run ends (`finished` is then called once, on the
  // board's thread).
  void prepare(const std::function<void(Simulador&)>& work) { work(*board_); }
  void end_at(double board_seconds, std::function<void()> finished);
  // Starts the board's thread; the listener must outlive stop().
  void start(LiveListener* listener);
  void stop();
  // After stop(): the board as the run left it.
  Simulador& board() { return *board_; }

  // --- from any thread --------------------------------------------------------
  Status status() const;
  // The whole frame, for a new page or a PNG; nothing while the LCD is off.
  std::optional<Frame> frame() const;
  // Runs `work` on the board's thread between two slices and returns its
  // result (exceptions included).
  template <typename F>
  auto on_board(F work) -> decltype(work(std::declval<Simulador&>())) {
    using R = decltype(work(std::declval<Simulador&>()));
    auto task = std::make_shared<std::packaged_task<R(Simulador&)>>(std::move(work));
    auto result = task->get_future();
    post([task](Simulador& s) { (*task)(s); });
    return result.get();
  }

  // Controls; false when the request does not apply (a step while running).
  void press(Pin pin, bool down);
  void set_level(Pin pin, bool level);
  void set_adc(unsigned channel, double volts);
  void send_uart0(const std::string& bytes);
  void pause();
  void resume();
  bool step(std::optional<double> seconds);
  void reset();
  void set_speed(std::optional<double> speed);

 private:
  void post(std::function<void(Simulador&)> task);
  void loop();
  void publish(bool force_status);
  void publish_lcd();
  Status make_status() const;
  void end_of_run(const RunResult& r);
  double wall() const;

  std::filesystem::path image_;
  Options options_;
  std::vector<Control> controls_;
  std::unique_ptr<Simulador> board_;  // only the board's thread uses it once started
  LiveListener* listener_ = nullptr;
  std::thread thread_;

  mutable std::mutex mutex_;  // guards what follows
  std::condition_variable wake_;
  std::deque<std::function<void(Simulador&)>> tasks_;
  bool quit_ = false;
  Status status_;
  std::optional<Frame> frame_;

  // Board thread only.
  Pacer pacer_;
  std::optional<double> end_at_;
  std::function<void()> finished_;
  bool ended_ = false;  // error stop, fault, parked handler, exit: waits for a reset
  std::string end_state_, end_message_;
  std::vector<AdcChannel> adc_ = std::vector<AdcChannel>(kAdcChannels);
  std::size_t pins_sent_ = 0;
  std::vector<Pin> outputs_seen_;
  std::size_t uart_sent_ = 0;
  double last_lcd_wall_ = -1;
  double last_status_wall_ = -1;
  bool last_running_ = false;
  std::string last_state_;
  struct Sample {
    double wall;
    double board;
  };
  std::deque<Sample> samples_;  // for the measured speed
  double chunk_ = 0.01;         // board seconds per slice at full speed
  Frame scratch_;               // the LCD as last looked at
};

}  // namespace sim::web

#endif
