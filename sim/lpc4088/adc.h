// The 12-bit A/D converter in software-started mode: a write of CR with
// START = 001 samples the lowest selected channel's input voltage and
// completes 31 converter clocks later (converter clock = peripheral clock /
// (CLKDIV + 1)), setting DONE in GDR and in the channel's DRn, and raising
// its interrupt line when INTEN enables it. Reading GDR or DRn clears its DONE bit; a
// write of CR clears GDR's. A new start aborts a conversion in progress.
//
// Not simulated, and recorded as unsupported when asked for: burst mode, the
// edge-triggered start modes, a start with no channel selected, a converter
// clock above 12.4 MHz (converts anyway). The conversion time is fixed at the
// start from the clocks of that moment. Power: CR.PDN must be set for a start
// to convert; while PCONP bit 12 is clear, reads give 0 and writes are
// dropped, recorded as unpowered accesses.
#ifndef SIM_LPC4088_ADC_H
#define SIM_LPC4088_ADC_H

#include <array>
#include <cstdint>
#include <functional>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class Adc final : public Peripheral {
 public:
  static constexpr unsigned kChannels = 8;
  static constexpr double kReferenceVolts = 3.3;
  static constexpr unsigned kClocksPerConversion = 31;
  static constexpr std::uint32_t kMaxClockHz = 12'400'000;

  static constexpr std::uint32_t kCr = 0x00;
  static constexpr std::uint32_t kGdr = 0x04;
  static constexpr std::uint32_t kInten = 0x0C;
  static constexpr std::uint32_t kDr0 = 0x10;
  static constexpr std::uint32_t kStat = 0x30;
  static constexpr std::uint32_t kTrm = 0x34;

  static constexpr std::uint32_t kDone = 1u << 31;

  explicit Adc(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;
  Cycles next_event(Cycles now) const override;
  void advance(Cycles now) override;

  void set_voltage(unsigned channel, double volts);
  double voltage(unsigned channel) const { return volts_[channel]; }
  // floor(V / 3.3 V x 4096), clamped to 0..4095.
  static std::uint32_t result_for(double volts);

  std::uint32_t cr() const { return cr_; }
  bool converting() const { return end_ != kNever; }

 private:
  void start(Cycles now);
  std::uint32_t register_read(std::uint32_t offset);
  void register_write(std::uint32_t offset, std::uint32_t value, Cycles now);
  void update_irq();
  void unsupported(std::uint32_t offset, std::uint32_t value, Cycles now);

  IrqLine irq_;
  const Clocks& clocks_;
  std::function<bool()> powered_;
  RegisterLog log_;
  std::array<double, kChannels> volts_{};
  std::uint32_t cr_ = 1;
  std::uint32_t gdr_ = 0;
  std::uint32_t inten_ = 0x100;
  std::uint32_t trm_ = 0xF00;
  std::array<std::uint32_t, kChannels> dr_{};
  // The conversion in progress: channel and sampled result, done at end_.
  Cycles end_ = kNever;
  unsigned channel_ = 0;
  std::uint32_t sample_ = 0;
  bool irq_high_ = false;
};

}  // namespace sim

#endif
