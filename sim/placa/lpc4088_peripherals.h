// The LPC4088's peripherals as one board: owns every model, lists them for the
// core to map, derives the clocks and gives tests their handles on the pins,
// the converter inputs, the LCD and the record of unmodelled accesses.
//
// all() covers the whole AHB peripheral range 0x20080000-0x200BFFFF and the
// APB ranges 0x40000000-0x400FFFFF without gaps or overlaps: every region is
// 16 KiB-aligned (one peripheral slot), the slots nobody models are catch-all
// windows. Offsets a model does not implement inside its own slot are recorded
// by the catch-all too.
#ifndef SIM_PLACA_LPC4088_PERIPHERALS_H
#define SIM_PLACA_LPC4088_PERIPHERALS_H

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sim/lpc4088/lcd.h"
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
class CatchAll;
struct RecordedAccess;

// A change of level of a GPIO pin that is an output (LED, for instance).
struct PinChange {
  unsigned port;
  unsigned pin;
  bool level;
  Cycles time;
};
using OutputListener = std::function<void(const PinChange&)>;

class Lpc4088Peripherals {
 public:
  static constexpr unsigned kGpioPorts = 6;
  static constexpr unsigned kTimers = 4;
  static constexpr unsigned kAdcChannels = 8;

  Lpc4088Peripherals(IrqLines& irq, const MemoryBus& memory);
  ~Lpc4088Peripherals();
  Lpc4088Peripherals(const Lpc4088Peripherals&) = delete;
  Lpc4088Peripherals& operator=(const Lpc4088Peripherals&) = delete;

  // Every region to map, in ascending address order (models and catch-all
  // windows). The pointers live as long as this object.
  std::vector<Peripheral*> all() const;

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

  // Accesses nobody modelled, or refused (unpowered peripheral, a setting
  // the models do not support). With a handler set, it is called on each
  // one as it happens (the core can stop the run there).
  const std::vector<RecordedAccess>& unmodelled_accesses() const;
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
  CatchAll& catch_all();

 private:
  std::unique_ptr<CatchAll> catch_all_;
  std::unique_ptr<SystemControl> system_control_;
  std::unique_ptr<Iocon> iocon_;
  std::unique_ptr<GpioInterrupts> gpio_interrupts_;
  std::unique_ptr<Gpio> gpio_;
  std::array<std::unique_ptr<Timer>, kTimers> timers_;
  std::unique_ptr<Adc> adc_;
  std::unique_ptr<Lcd> lcd_;
  std::unique_ptr<Emc> emc_;
  std::vector<std::unique_ptr<Peripheral>> windows_;
};

}  // namespace sim

#endif
