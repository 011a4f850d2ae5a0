#include "sim/placa/lpc4088_peripherals.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "board/chip/lpc4088.h"
#include "board/chip/lpc4088_emc.h"
#include "board/chip/lpc4088_lcd.h"
#include "sim/lpc4088/adc.h"
#include "sim/lpc4088/emc.h"
#include "sim/lpc4088/gpio.h"
#include "sim/lpc4088/gpio_interrupts.h"
#include "sim/lpc4088/iocon.h"
#include "sim/lpc4088/lcd.h"
#include "sim/lpc4088/system_control.h"
#include "sim/lpc4088/timer.h"
#include "sim/serial/uart.h"

namespace sim {
namespace {

using Factory = std::unique_ptr<Peripheral> (*)(const ModelContext&);
template <typename M>
std::unique_ptr<Peripheral> make(const ModelContext& context) {
  return std::make_unique<M>(context);
}

constexpr std::uint32_t kSlot = 0x4000;
constexpr int kNoIrq = -1;

// One peripheral slot: the model that answers it (none: the catch-all
// records every access), its interrupt line, its PCONP bit (0: always
// powered), and whether it must be brought up to date before a clock or
// power change (models that count time).
struct Row {
  const char* name;
  std::uint32_t base;
  Factory make;
  int irq;
  std::uint32_t power;
  bool settles_on_clock_change;
};

// In ascending address order. Adding a model: its own files and one row.
constexpr Row kTable[] = {
    // AHB
    {"GPDMA", LPC_GPDMA_BASE, nullptr, DMA_IRQn, 0, false},
    {"ENET", LPC_ENET_BASE, nullptr, ENET_IRQn, 0, false},
    {"LCD", LPC_LCD_BASE, &make<Lcd>, LCD_IRQn, 0, false},
    {"USB", LPC_USB_BASE, nullptr, USB_IRQn, 0, false},
    {"CRC", LPC_CRC_BASE, nullptr, kNoIrq, 0, false},
    {"GPIO", LPC_GPIO0_BASE, &make<Gpio>, kNoIrq, 0, false},
    {"EMC", LPC_EMC_BASE, &make<Emc>, kNoIrq, 0, false},
    // APB0
    {"WDT", LPC_WDT_BASE, nullptr, WDT_IRQn, 0, false},
    {"TIMER0", LPC_TIM0_BASE, &make<Timer>, TIMER0_IRQn, LPC_SC_PCONP_PCTIM0, true},
    {"TIMER1", LPC_TIM1_BASE, &make<Timer>, TIMER1_IRQn, LPC_SC_PCONP_PCTIM1, true},
    {"UART0", LPC_UART0_BASE, &make<Uart>, UART0_IRQn, LPC_SC_PCONP_PCUART0, false},
    {"UART1", LPC_UART1_BASE, nullptr, UART1_IRQn, 0, false},
    {"PWM0", LPC_PWM0_BASE, nullptr, PWM0_IRQn, 0, false},
    {"PWM1", LPC_PWM1_BASE, nullptr, PWM1_IRQn, 0, false},
    {"I2C0", LPC_I2C0_BASE, nullptr, I2C0_IRQn, 0, false},
    {"CMP", LPC_CMP_BASE, nullptr, kNoIrq, 0, false},
    {"RTC", LPC_RTC_BASE, nullptr, RTC_IRQn, 0, false},
    // The interrupt registers sit 0x80 into their slot.
    {"GPIOINT", LPC_GPIOINT_BASE & ~(kSlot - 1), &make<GpioInterrupts>, GPIO_IRQn, 0, false},
    {"IOCON", LPC_IOCON_BASE, &make<Iocon>, kNoIrq, 0, false},
    {"SSP1", LPC_SSP1_BASE, nullptr, SSP1_IRQn, 0, false},
    {"ADC", LPC_ADC_BASE, &make<Adc>, ADC_IRQn, LPC_SC_PCONP_PCADC, false},
    {"CANAF_RAM", LPC_CANAF_RAM_BASE, nullptr, kNoIrq, 0, false},
    {"CANAF", LPC_CANAF_BASE, nullptr, kNoIrq, 0, false},
    {"CANCR", LPC_CANCR_BASE, nullptr, kNoIrq, 0, false},
    {"CAN1", LPC_CAN1_BASE, nullptr, CAN_IRQn, 0, false},
    {"CAN2", LPC_CAN2_BASE, nullptr, CAN_IRQn, 0, false},
    {"I2C1", LPC_I2C1_BASE, nullptr, I2C1_IRQn, 0, false},
    // APB1
    {"SSP0", LPC_SSP0_BASE, nullptr, SSP0_IRQn, 0, false},
    {"DAC", LPC_DAC_BASE, nullptr, kNoIrq, 0, false},
    {"TIMER2", LPC_TIM2_BASE, &make<Timer>, TIMER2_IRQn, LPC_SC_PCONP_PCTIM2, true},
    {"TIMER3", LPC_TIM3_BASE, &make<Timer>, TIMER3_IRQn, LPC_SC_PCONP_PCTIM3, true},
    {"UART2", LPC_UART2_BASE, nullptr, UART2_IRQn, 0, false},
    {"UART3", LPC_UART3_BASE, nullptr, UART3_IRQn, 0, false},
    {"I2C2", LPC_I2C2_BASE, nullptr, I2C2_IRQn, 0, false},
    {"UART4", LPC_UART4_BASE, nullptr, UART4_IRQn, 0, false},
    {"I2S", LPC_I2S_BASE, nullptr, I2S_IRQn, 0, false},
    {"SSP2", LPC_SSP2_BASE, nullptr, SSP2_IRQn, 0, false},
    {"MCPWM", LPC_MCPWM_BASE, nullptr, MCPWM_IRQn, 0, false},
    {"QEI", LPC_QEI_BASE, nullptr, QEI_IRQn, 0, false},
    {"MCI", LPC_MCI_BASE, nullptr, MCI_IRQn, 0, false},
    {"SC", LPC_SC_BASE, &make<SystemControl>, kNoIrq, 0, false},
};

struct Range {
  std::uint32_t begin;
  std::uint32_t end;
};
// The AHB peripherals and the two APB buses (contiguous).
constexpr Range kPeripheralRanges[] = {{0x20080000, 0x200C0000}, {0x40000000, 0x40100000}};

constexpr bool table_in_order() {
  for (std::size_t i = 1; i < std::size(kTable); ++i) {
    if (kTable[i].base < kTable[i - 1].base + kSlot || kTable[i].base % kSlot != 0) return false;
  }
  return kTable[0].base % kSlot == 0;
}
static_assert(table_in_order(), "one 16 KiB slot per row, in ascending address order");

constexpr const char* kReserved = "reserved";

}  // namespace

Lpc4088Peripherals::Lpc4088Peripherals(IrqLines& irq, const MemoryBus& memory) {
  const auto context = [&](const char* name, std::uint32_t base, int line, std::uint32_t power) {
    std::function<bool()> powered = [] { return true; };
    if (power != 0) powered = [this, power] { return system_control_->powered(power); };
    return ModelContext{line < 0 ? IrqLine{} : IrqLine{irq, static_cast<unsigned>(line)}, clocks_,
                        memory, std::move(powered), RegisterLog{log_, name, base}};
  };
  const auto add = [&](const char* name, std::uint32_t base, std::uint32_t size, Factory factory,
                       int line, std::uint32_t power) {
    const ModelContext c = context(name, base, line, power);
    owned_.push_back(factory != nullptr ? factory(c) : std::make_unique<CatchAllWindow>(c));
    windows_.push_back({name, base, size, owned_.back().get(), factory != nullptr});
    return owned_.back().get();
  };

  const Row* row = std::begin(kTable);
  for (const Range& range : kPeripheralRanges) {
    std::uint32_t cursor = range.begin;
    for (; row != std::end(kTable) && row->base < range.end; ++row) {
      if (row->base > cursor) add(kReserved, cursor, row->base - cursor, nullptr, kNoIrq, 0);
      Peripheral* p = add(row->name, row->base, kSlot, row->make, row->irq, row->power);
      if (row->settles_on_clock_change) settle_on_clock_change_.push_back(p);
      cursor = row->base + kSlot;
    }
    if (cursor < range.end) add(kReserved, cursor, range.end - cursor, nullptr, kNoIrq, 0);
  }
  if (row != std::end(kTable)) throw std::logic_error("peripheral table row outside the map");

  system_control_ = &model<SystemControl>();
  clocks_.source = system_control_;
  system_control_->on_change([this](Cycles now) {
    for (Peripheral* p : settle_on_clock_change_) p->advance(now);
  });
  // UART0's lines are P0.2 (TXD0) and P0.3 (RXD0) when IOCON selects them.
  const auto selects = [this](unsigned pin, std::uint32_t function) {
    return [this, pin, function] {
      return (iocon().pin_register(0, pin) & LPC_IOCON_FUNC_MASK) == function;
    };
  };
  uart0().connect_pins(selects(2, LPC_IOCON_P0_2_U0_TXD), selects(3, LPC_IOCON_P0_3_U0_RXD));
  // The interrupt block watches the pins' edges.
  gpio().add_listener([this](const PinEvent& event) {
    gpio_interrupts().pin_changed(event.port, event.pin, event.level);
  });
}

Lpc4088Peripherals::~Lpc4088Peripherals() = default;

template <typename M>
M& Lpc4088Peripherals::model(unsigned index) const {
  for (const Window& w : windows_) {
    if (auto* m = dynamic_cast<M*>(w.model); m != nullptr && index-- == 0) return *m;
  }
  throw std::out_of_range("no such model on the board");
}

const Clocks& Lpc4088Peripherals::clocks() const { return *system_control_; }

void Lpc4088Peripherals::on_clock_change(std::function<void(Cycles)> listener) {
  system_control_->on_change(std::move(listener));
}

void Lpc4088Peripherals::drive_input(unsigned port, unsigned pin, bool level, Cycles at) {
  gpio().drive_input(port, pin, level, at);
}

bool Lpc4088Peripherals::pin_level(unsigned port, unsigned pin) const {
  return model<Gpio>().level(port, pin);
}

bool Lpc4088Peripherals::pin_is_output(unsigned port, unsigned pin) const {
  return model<Gpio>().is_output(port, pin);
}

void Lpc4088Peripherals::on_output_change(OutputListener listener) {
  gpio().add_listener([listener = std::move(listener)](const PinEvent& event) {
    if (event.output) listener({event.port, event.pin, event.level, event.time});
  });
}

void Lpc4088Peripherals::set_adc_voltage(unsigned channel, double volts) {
  adc().set_voltage(channel, volts);
}

std::uint32_t Lpc4088Peripherals::lcd_frame_address() const { return model<Lcd>().frame_address(); }
bool Lpc4088Peripherals::lcd_enabled() const { return model<Lcd>().enabled(); }
std::optional<Frame> Lpc4088Peripherals::lcd_frame() const { return model<Lcd>().capture(); }
bool Lpc4088Peripherals::lcd_frame(Frame& into) const { return model<Lcd>().capture(into); }

void Lpc4088Peripherals::fail_on_unmodelled(std::function<void(const RecordedAccess&)> handler) {
  log_.set_failure_handler(std::move(handler));
}

SystemControl& Lpc4088Peripherals::system_control() { return *system_control_; }
Iocon& Lpc4088Peripherals::iocon() { return model<Iocon>(); }
Gpio& Lpc4088Peripherals::gpio() { return model<Gpio>(); }
GpioInterrupts& Lpc4088Peripherals::gpio_interrupts() { return model<GpioInterrupts>(); }
Timer& Lpc4088Peripherals::timer(unsigned index) { return model<Timer>(index); }
Adc& Lpc4088Peripherals::adc() { return model<Adc>(); }
Lcd& Lpc4088Peripherals::lcd() { return model<Lcd>(); }
Emc& Lpc4088Peripherals::emc() { return model<Emc>(); }
Uart& Lpc4088Peripherals::uart0() { return model<Uart>(); }

}  // namespace sim
