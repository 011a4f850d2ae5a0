#include "sim/placa/lpc4088_peripherals.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "sim/lpc4088/adc.h"
#include "sim/modelo/access_log.h"
#include "sim/lpc4088/emc.h"
#include "sim/lpc4088/gpio.h"
#include "sim/lpc4088/gpio_interrupts.h"
#include "sim/lpc4088/iocon.h"
#include "sim/lpc4088/lcd.h"
#include "sim/lpc4088/system_control.h"
#include "sim/lpc4088/timer.h"

namespace sim {
namespace {

struct TimerSlot {
  const char* name;
  std::uint32_t base;
  unsigned irq;
  unsigned power_bit;
};
constexpr TimerSlot kTimerSlots[Lpc4088Peripherals::kTimers] = {
    {"timer0", 0x40004000, 1, SystemControl::kPowerTimer0},
    {"timer1", 0x40008000, 2, SystemControl::kPowerTimer1},
    {"timer2", 0x40090000, 3, SystemControl::kPowerTimer2},
    {"timer3", 0x40094000, 4, SystemControl::kPowerTimer3},
};

struct Range {
  std::uint32_t begin;
  std::uint32_t end;
};
// The AHB peripherals and the two APB buses (contiguous).
constexpr Range kPeripheralRanges[] = {{0x20080000, 0x200C0000}, {0x40000000, 0x40100000}};

}  // namespace

Lpc4088Peripherals::Lpc4088Peripherals(IrqLines& irq, const MemoryBus& memory)
    : catch_all_(std::make_unique<CatchAll>()),
      system_control_(std::make_unique<SystemControl>(*catch_all_)),
      iocon_(std::make_unique<Iocon>(*catch_all_)),
      gpio_interrupts_(std::make_unique<GpioInterrupts>(irq, *catch_all_)),
      gpio_(std::make_unique<Gpio>(*catch_all_)),
      lcd_(std::make_unique<Lcd>(memory, *catch_all_)),
      emc_(std::make_unique<Emc>(*catch_all_)) {
  const SystemControl& sc = *system_control_;
  for (unsigned n = 0; n < kTimers; ++n) {
    const TimerSlot& slot = kTimerSlots[n];
    timers_[n] = std::make_unique<Timer>(
        slot.name, slot.base, slot.irq, irq, sc,
        [&sc, bit = slot.power_bit] { return sc.powered(bit); }, *catch_all_);
  }
  adc_ = std::make_unique<Adc>(
      irq, sc, [&sc] { return sc.powered(SystemControl::kPowerAdc); }, *catch_all_);

  system_control_->on_change([this](Cycles now) {
    for (auto& timer : timers_) timer->advance(now);
  });
  gpio_->add_listener([this](const PinEvent& event) {
    gpio_interrupts_->pin_changed(event.port, event.pin, event.level);
  });

  std::vector<Peripheral*> models = all();
  for (const Range& range : kPeripheralRanges) {
    std::uint32_t cursor = range.begin;
    for (Peripheral* model : models) {
      if (model->base() < range.begin || model->base() >= range.end) continue;
      if (model->base() > cursor) {
        windows_.push_back(
            std::make_unique<CatchAllWindow>(*catch_all_, cursor, model->base() - cursor));
      }
      cursor = model->base() + model->size();
    }
    if (cursor < range.end) {
      windows_.push_back(std::make_unique<CatchAllWindow>(*catch_all_, cursor, range.end - cursor));
    }
  }
}

Lpc4088Peripherals::~Lpc4088Peripherals() = default;

std::vector<Peripheral*> Lpc4088Peripherals::all() const {
  std::vector<Peripheral*> list{system_control_.get(),
                                iocon_.get(),
                                gpio_interrupts_.get(),
                                gpio_.get(),
                                adc_.get(),
                                lcd_.get(),
                                emc_.get()};
  for (const auto& timer : timers_) list.push_back(timer.get());
  for (const auto& window : windows_) list.push_back(window.get());
  std::sort(list.begin(), list.end(),
            [](const Peripheral* a, const Peripheral* b) { return a->base() < b->base(); });
  return list;
}

const Clocks& Lpc4088Peripherals::clocks() const { return *system_control_; }

void Lpc4088Peripherals::on_clock_change(std::function<void(Cycles)> listener) {
  system_control_->on_change(std::move(listener));
}

void Lpc4088Peripherals::drive_input(unsigned port, unsigned pin, bool level, Cycles at) {
  gpio_->drive_input(port, pin, level, at);
}

bool Lpc4088Peripherals::pin_level(unsigned port, unsigned pin) const {
  return gpio_->level(port, pin);
}

bool Lpc4088Peripherals::pin_is_output(unsigned port, unsigned pin) const {
  return gpio_->is_output(port, pin);
}

void Lpc4088Peripherals::on_output_change(OutputListener listener) {
  gpio_->add_listener([listener = std::move(listener)](const PinEvent& event) {
    if (event.output) listener({event.port, event.pin, event.level, event.time});
  });
}

void Lpc4088Peripherals::set_adc_voltage(unsigned channel, double volts) {
  adc_->set_voltage(channel, volts);
}

std::uint32_t Lpc4088Peripherals::lcd_frame_address() const { return lcd_->frame_address(); }
bool Lpc4088Peripherals::lcd_enabled() const { return lcd_->enabled(); }
std::optional<Frame> Lpc4088Peripherals::lcd_frame() const { return lcd_->capture(); }

const std::vector<RecordedAccess>& Lpc4088Peripherals::unmodelled_accesses() const {
  return catch_all_->records();
}

void Lpc4088Peripherals::fail_on_unmodelled(std::function<void(const RecordedAccess&)> handler) {
  catch_all_->set_failure_handler(std::move(handler));
}

SystemControl& Lpc4088Peripherals::system_control() { return *system_control_; }
Iocon& Lpc4088Peripherals::iocon() { return *iocon_; }
Gpio& Lpc4088Peripherals::gpio() { return *gpio_; }
GpioInterrupts& Lpc4088Peripherals::gpio_interrupts() { return *gpio_interrupts_; }
Timer& Lpc4088Peripherals::timer(unsigned index) { return *timers_.at(index); }
Adc& Lpc4088Peripherals::adc() { return *adc_; }
Lcd& Lpc4088Peripherals::lcd() { return *lcd_; }
Emc& Lpc4088Peripherals::emc() { return *emc_; }
CatchAll& Lpc4088Peripherals::catch_all() { return *catch_all_; }

}  // namespace sim
