#include "sim/serial/uart.h"

#include <algorithm>
#include <utility>

#include "board/chip/lpc4088.h"

namespace sim {
namespace {

constexpr std::uint32_t kTriggerLevels[] = {1, 4, 8, 14};
constexpr unsigned kTimeoutCharacters = 4;
constexpr std::uint32_t kLineErrors =
    LPC_UART_LSR_OE | LPC_UART_LSR_PE | LPC_UART_LSR_FE | LPC_UART_LSR_BI;
constexpr std::uint32_t kIerBits = LPC_UART_IER_RBR | LPC_UART_IER_THRE | LPC_UART_IER_RLS |
                                   (3u << 8);  // and the auto-baud enables, stored only

}  // namespace

Cycles Uart::CharacterClock::end_of_one_starting(Cycles start, const Frame& f) {
  if (start != last_end || !(f == frame)) {
    anchor = start;
    count = 0;
    frame = f;
  }
  ++count;
  const Wide end = anchor + (Wide{count} * f.num + f.den - 1) / f.den;
  last_end = end >= kNever ? kNever - 1 : static_cast<Cycles>(end);
  return last_end;
}

Uart::Uart(const ModelContext& context)
    : irq_(context.irq), clocks_(context.clocks), powered_(context.powered), log_(context.log) {}

void Uart::connect_pins(std::function<bool()> tx_selected, std::function<bool()> rx_selected) {
  tx_selected_ = std::move(tx_selected);
  rx_selected_ = std::move(rx_selected);
}

// Half bits per character times 16 x divisor x (MULVAL + DIVADDVAL) PCLK
// periods per bit over MULVAL, in CPU cycles.
bool Uart::frame(Frame& out) const {
  const std::uint64_t cpu = clocks_.cpu_hz();
  const std::uint64_t pclk = clocks_.peripheral_hz();
  if (cpu == 0 || pclk == 0) return false;
  const std::uint64_t divisor = std::max<std::uint64_t>(1, (dlm_ << 8) | dll_);
  std::uint64_t mul = LPC_UART_FDR_MULVAL(fdr_);
  std::uint64_t divadd = LPC_UART_FDR_DIVADDVAL(fdr_);
  if (mul == 0 || divadd >= mul) {
    mul = 1;
    divadd = 0;
  }
  const unsigned data_bits = 5 + (lcr_ & LPC_UART_LCR_WORD_LENGTH_MASK);
  const unsigned parity = (lcr_ & LPC_UART_LCR_PARITY_ENABLE) ? 1 : 0;
  unsigned stop_halves = 2;
  if (lcr_ & LPC_UART_LCR_TWO_STOP_BITS) stop_halves = data_bits == 5 ? 3 : 4;
  const unsigned half_bits = 2 * (1 + data_bits + parity) + stop_halves;
  out.num = Wide{half_bits} * 16 * divisor * (mul + divadd) * cpu;
  out.den = Wide{2} * mul * pclk;
  return true;
}

Cycles Uart::character_times_after(Cycles start, unsigned n) const {
  Frame f;
  if (!frame(f)) return kNever;
  const Wide at = start + (n * f.num + f.den - 1) / f.den;
  return at >= kNever ? kNever : static_cast<Cycles>(at);
}

bool Uart::known(std::uint32_t offset) const {
  switch (offset) {
    case kRbrThrDll:
    case kIerDlm:
    case kIirFcr:
    case kLcr:
    case kLsr:
    case kScr:
    case kAcr:
    case kFdr:
    case kTer:
      return true;
    default:
      return false;
  }
}

std::uint32_t Uart::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  if (!known(word)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  if (!powered_()) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnpowered);
    return 0;
  }
  advance(now);
  const std::uint32_t value = register_read(word, now);
  update_irq();
  return lane_value(value, offset, width);
}

void Uart::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  if (!known(lanes.offset)) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  if (!powered_()) {
    log_.record(offset, width, true, value, now, AccessKind::kUnpowered);
    return;
  }
  advance(now);
  register_write(lanes.offset, (value << lanes.shift) & lanes.mask, now);
  start_transmitter(now);
  start_receiver(now);
  update_irq();
}

Cycles Uart::next_event(Cycles now) const {
  const Cycles tx = shifting_ ? tx_end_ : kNever;
  return std::max(now, std::min({tx, rx_end_, timeout_at_}));
}

// Events in time order, each at its own time, so a byte that arrives and the
// time-out it cancels are seen as the chip would.
void Uart::advance(Cycles now) {
  for (;;) {
    const Cycles tx = shifting_ ? tx_end_ : kNever;
    const Cycles next = std::min({tx, rx_end_, timeout_at_});
    if (next > now) break;
    if (next == tx) {
      shifting_ = false;
      if (tx_selected_()) {
        sent_.push_back({shift_byte_, tx_end_});
      } else {
        ++lost_on_pin_;
      }
      start_transmitter(tx_end_);
    } else if (next == rx_end_) {
      const std::uint8_t byte = incoming_.front();
      incoming_.pop_front();
      rx_end_ = kNever;
      deliver(byte, next);
      start_receiver(next);
    } else {
      timeout_at_ = kNever;
      timeout_ = true;
    }
    update_irq();
  }
}

void Uart::receive(const std::string& bytes, Cycles now) {
  advance(now);
  incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
  start_receiver(now);
  update_irq();
}

void Uart::start_transmitter(Cycles now) {
  if (shifting_ || tx_fifo_.empty() || !(ter_ & LPC_UART_TER_TXEN)) return;
  Frame f;
  if (!frame(f)) return;
  shift_byte_ = tx_fifo_.front();
  tx_fifo_.pop_front();
  shifting_ = true;
  tx_end_ = tx_clock_.end_of_one_starting(now, f);
  if (tx_fifo_.empty()) thre_interrupt_ = true;
}

void Uart::start_receiver(Cycles now) {
  if (rx_end_ != kNever || incoming_.empty()) return;
  Frame f;
  if (!frame(f)) return;
  rx_end_ = rx_clock_.end_of_one_starting(now, f);
}

void Uart::deliver(std::uint8_t byte, Cycles at) {
  if (!powered_() || !rx_selected_()) return;  // nobody listens on the line
  if (rx_fifo_.size() < capacity()) {
    rx_fifo_.push_back(byte);
  } else {
    line_errors_ |= LPC_UART_LSR_OE;
  }
  timeout_ = false;
  restart_timeout(at);
}

void Uart::restart_timeout(Cycles from) {
  const bool armed = fifo_enabled() && !rx_fifo_.empty();
  timeout_at_ = armed ? character_times_after(from, kTimeoutCharacters) : kNever;
}

std::uint32_t Uart::interrupt_id() const {
  const bool enabled_rx = (ier_ & LPC_UART_IER_RBR) != 0;
  const std::size_t trigger = fifo_enabled() ? kTriggerLevels[(fcr_ >> 6) & 3u] : 1;
  if ((ier_ & LPC_UART_IER_RLS) && (line_errors_ & kLineErrors)) return LPC_UART_IIR_INTID_RLS;
  if (enabled_rx && rx_fifo_.size() >= trigger) return LPC_UART_IIR_INTID_RDA;
  if (enabled_rx && timeout_) return LPC_UART_IIR_INTID_CTI;
  if ((ier_ & LPC_UART_IER_THRE) && thre_interrupt_) return LPC_UART_IIR_INTID_THRE;
  return LPC_UART_IIR_NONE;
}

std::uint32_t Uart::line_status() const {
  std::uint32_t lsr = line_errors_;
  if (!rx_fifo_.empty()) lsr |= LPC_UART_LSR_RDR;
  if (tx_fifo_.empty()) lsr |= LPC_UART_LSR_THRE;
  if (tx_fifo_.empty() && !shifting_) lsr |= LPC_UART_LSR_TEMT;
  return lsr;
}

std::uint32_t Uart::register_read(std::uint32_t offset, Cycles now) {
  const bool dlab = (lcr_ & LPC_UART_LCR_DLAB) != 0;
  switch (offset) {
    case kRbrThrDll: {
      if (dlab) return dll_;
      if (rx_fifo_.empty()) return 0;
      const std::uint8_t byte = rx_fifo_.front();
      rx_fifo_.pop_front();
      timeout_ = false;
      restart_timeout(now);
      return byte;
    }
    case kIerDlm:
      return dlab ? dlm_ : ier_;
    case kIirFcr: {
      const std::uint32_t id = interrupt_id();
      if (id == LPC_UART_IIR_INTID_THRE) thre_interrupt_ = false;
      return id | (fifo_enabled() ? LPC_UART_IIR_FIFO_ENABLED : 0);
    }
    case kLcr:
      return lcr_;
    case kLsr: {
      const std::uint32_t lsr = line_status();
      line_errors_ = 0;
      return lsr;
    }
    case kScr:
      return scr_;
    case kAcr:
      return acr_;
    case kFdr:
      return fdr_;
    default:
      return ter_;
  }
}

void Uart::register_write(std::uint32_t offset, std::uint32_t value, Cycles now) {
  const bool dlab = (lcr_ & LPC_UART_LCR_DLAB) != 0;
  const auto record = [&](AccessKind kind) { log_.record(offset, 4, true, value, now, kind); };
  switch (offset) {
    case kRbrThrDll:
      if (dlab) {
        dll_ = value & 0xFFu;
      } else {
        if (tx_fifo_.size() < capacity()) tx_fifo_.push_back(static_cast<std::uint8_t>(value));
        thre_interrupt_ = false;
      }
      break;
    case kIerDlm:
      if (dlab) {
        dlm_ = value & 0xFFu;
      } else {
        // Enabling the THRE interrupt with THR empty raises it at once.
        if ((value & ~ier_ & LPC_UART_IER_THRE) && tx_fifo_.empty()) thre_interrupt_ = true;
        ier_ = value & kIerBits;
      }
      break;
    case kIirFcr: {
      // A change of the FIFO enable empties both FIFOs, as a reset would.
      const bool toggled = ((value ^ fcr_) & LPC_UART_FCR_FIFO_ENABLE) != 0;
      fcr_ = value & (LPC_UART_FCR_FIFO_ENABLE | LPC_UART_FCR_DMA_MODE | LPC_UART_FCR_TRIGGER_MASK);
      if (toggled || (value & LPC_UART_FCR_RX_RESET)) {
        rx_fifo_.clear();
        timeout_ = false;
        timeout_at_ = kNever;
      }
      if (toggled || (value & LPC_UART_FCR_TX_RESET)) tx_fifo_.clear();
      if (value & LPC_UART_FCR_DMA_MODE) record(AccessKind::kUnsupported);
      break;
    }
    case kLcr:
      lcr_ = value & 0xFFu;
      if (lcr_ & LPC_UART_LCR_BREAK) record(AccessKind::kUnsupported);
      break;
    case kLsr:
      record(AccessKind::kReadOnly);
      break;
    case kScr:
      scr_ = value & 0xFFu;
      break;
    case kAcr:
      acr_ = value & 7u;
      if (acr_ & LPC_UART_ACR_START) record(AccessKind::kUnsupported);
      break;
    case kFdr: {
      fdr_ = value & 0xFFu;
      const std::uint32_t mul = LPC_UART_FDR_MULVAL(fdr_);
      if (mul == 0 || LPC_UART_FDR_DIVADDVAL(fdr_) >= mul) record(AccessKind::kUnsupported);
      break;
    }
    default:
      ter_ = value & LPC_UART_TER_TXEN;
      break;
  }
}

void Uart::update_irq() {
  const bool high = interrupt_id() != LPC_UART_IIR_NONE;
  if (high == irq_high_) return;
  irq_high_ = high;
  irq_.set(high);
}

}  // namespace sim
