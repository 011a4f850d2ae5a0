// The LPC4088's peripherals as one board: the table that places every model
// at its base address with its interrupt line and power bit, the models it
// owns, the clocks they derive, and the tests' handles on the pins, the
// converter inputs, the LCD and the record of accesses the board did not
// answer.
//
// windows() covers the whole AHB peripheral range 0x20080000-0x200BFFFF and
// the APB ranges 0x40000000-0x400FFFFF without gaps or overlaps: every window
// is 16 KiB-aligned (one peripheral slot). The table names the slots nobody
// models ("UART1"), so the record says whose registers the firmware touched;
// slots the chip leaves empty are "reserved". Offsets a model does not
// implement inside its own window are recorded too.
#ifndef SIM_PLACA_LPC4088_PERIPHERALS_H
#define SIM_PLACA_LPC4088_PERIPHERALS_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sim/lpc4088/lcd.h"
#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class SystemControl;
class Iocon;
class Gpio;
class GpioInterrupts;
class Timer;
class Adc;
class Lcd;
class Emc;
class Uart;

// A change of level of a GPIO pin that is an output (LED, for instance).
struct PinChange {
  unsigned port;
  unsigned pin;
  bool level;
  Cycles time;
};
using OutputListener = std::function<void(const PinChange&)>;

// One window of the address map and what answers it.
struct Window {
  const char* name;  // "TIMER0", "UART1", "reserved"
  std::uint32_t base;
  std::uint32_t size;
  Peripheral* model;  // a catch-all for a window nobody models
  bool modelled;
};

class Lpc4088Peripherals {
 public:
  static constexpr unsigned kGpioPorts = 6;
  static constexpr unsigned kTimers = 4;
  static constexpr unsigned kAdcChannels = 8;

  Lpc4088Peripherals(IrqLines& irq, const MemoryBus& memory);
  ~Lpc4088Peripherals();
  Lpc4088Peripherals(const Lpc4088Peripherals&) = delete;
  Lpc4088Peripherals& operator=(const Lpc4088Peripherals&) = delete;

  // Every window to map, in ascending address order. The models live as
  // long as this object.
  const std::vector<Window>& windows() const { return windows_; }

  // CPU and peripheral clocks as the firmware programmed them.
  const Clocks& clocks() const;
  // Called with the access time before every write to the system-control
  // block (which may change a clock frequency or a power bit), so the caller
  // can settle time-dependent state at the old rate.
  void on_clock_change(std::function<void(Cycles)> listener);

  // GPIO pins. An input pin reads high until driven; drive_input schedules a
  // level for time `at` (applied by advance/read at or after that time, in
  // the order given for equal times).
  void drive_input(unsigned port, unsigned pin, bool level, Cycles at);
  bool pin_level(unsigned port, unsigned pin) const;
  bool pin_is_output(unsigned port, unsigned pin) const;
  void on_output_change(OutputListener listener);

  // A/D converter input, in volts (3.3 V reference); 0 V until set.
  void set_adc_voltage(unsigned channel, double volts);

  // LCD: frame-buffer address (UPBASE), whether the controller is enabled and
  // powered, and the 480 x 272 frame read from target memory (empty when the
  // buffer is not mapped).
  std::uint32_t lcd_frame_address() const;
  bool lcd_enabled() const;
  std::optional<Frame> lcd_frame() const;
  bool lcd_frame(Frame& into) const;

  // The record every model and window writes to (and the interrupt
  // controller, which the core owns). With a handler set, it is called on
  // each access as it happens (the core can stop the run there).
  AccessLog& access_log() { return log_; }
  const std::vector<RecordedAccess>& unmodelled_accesses() const { return log_.records(); }
  void fail_on_unmodelled(std::function<void(const RecordedAccess&)> handler);

  // The models, for state queries.
  SystemControl& system_control();
  Iocon& iocon();
  Gpio& gpio();
  GpioInterrupts& gpio_interrupts();
  Timer& timer(unsigned index);
  Adc& adc();
  Lcd& lcd();
  Emc& emc();
  Uart& uart0();

 private:
  // The clocks handed to every model, answered by the system-control model
  // once it exists.
  struct SystemClocks final : Clocks {
    const Clocks* source = nullptr;
    std::uint32_t cpu_hz() const override { return source->cpu_hz(); }
    std::uint32_t peripheral_hz() const override { return source->peripheral_hz(); }
  };
  // The `index`th model of type M in table order.
  template <typename M>
  M& model(unsigned index = 0) const;

  AccessLog log_;
  SystemClocks clocks_;
  std::vector<std::unique_ptr<Peripheral>> owned_;
  std::vector<Window> windows_;
  std::vector<Peripheral*> settle_on_clock_change_;
  SystemControl* system_control_ = nullptr;
};

}  // namespace sim

#endif
