// A 16C550-style UART of the LPC408x (UART0), computed from virtual time: a
// character occupies the line for its frame (start bit, 5 to 8 data bits,
// parity, 1, 1.5 or 2 stop bits, as LCR says) at the bit rate
// PCLK / (16 x divisor x (1 + DIVADDVAL / MULVAL)), and the model is called
// only when a character ends on either side or a receive time-out falls due.
// A divisor of 0 counts as 1. The rate and format are taken when a character
// starts; a change affects the next one.
//
// Transmitter: THR feeds a 16-byte FIFO (one byte with FCR's FIFO enable
// clear); a byte moves to the shift register as soon as it is free and TER's
// TXEN is set, so back-to-back bytes end one frame apart. A byte is sent when
// its stop bit ends. It reaches the board's TXD line only while the board's
// pin check says the TXD function is selected; otherwise it is shifted out
// with the same timing and lost (counted in lost_on_pin()).
//
// Receiver: input bytes given with receive() arrive one frame apart at the
// format and rate programmed when each starts, and go into a 16-byte FIFO;
// one that finds it full is lost and sets OE. Bytes that arrive while the
// UART is unpowered or the RXD function is not selected are lost too.
// Interrupts in IIR's priority order: line status (OE), receive data at the
// FCR trigger level (1, 4, 8, 14), character time-out (FIFO mode: data in
// the FIFO and no byte received or read for 4 character times), THR empty
// (set when the FIFO empties and when IER enables it while empty, cleared by
// a THR write or by reading IIR when it is the one reported). The line to
// the interrupt controller is high while IIR reports one. A THR write that
// finds the FIFO full is dropped.
//
// Not modelled: auto-baud (ACR written with START is recorded as
// unsupported and never completes), IrDA (ICR) and RS-485 registers (recorded
// as unmodelled), DMA mode and break (FCR/LCR writes that set them are
// recorded as unsupported), input with parity, framing or break errors (PE,
// FE, BI and RXFE are never set), the THRE interrupt's start-up delay of one
// character, the time-out's 3.5 to 4.5 character spread (always 4), and a
// FDR value out of its range (recorded as unsupported, run as DIVADDVAL 0).
//
// Power: while the UART's PCONP bit is clear, reads give 0 and writes are
// dropped, both recorded as unpowered accesses; a character already on the
// line still ends at its time.
#ifndef SIM_SERIAL_UART_H
#define SIM_SERIAL_UART_H

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class Uart final : public Peripheral {
 public:
  static constexpr std::uint32_t kRbrThrDll = 0x00;
  static constexpr std::uint32_t kIerDlm = 0x04;
  static constexpr std::uint32_t kIirFcr = 0x08;
  static constexpr std::uint32_t kLcr = 0x0C;
  static constexpr std::uint32_t kLsr = 0x14;
  static constexpr std::uint32_t kScr = 0x1C;
  static constexpr std::uint32_t kAcr = 0x20;
  static constexpr std::uint32_t kFdr = 0x28;
  static constexpr std::uint32_t kTer = 0x30;
  static constexpr std::size_t kFifoBytes = 16;

  struct SentByte {
    std::uint8_t byte;
    Cycles time;  // when its stop bit ended
  };

  explicit Uart(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;
  Cycles next_event(Cycles now) const override;
  void advance(Cycles now) override;

  // The board's wiring: whether the TXD and RXD pin functions are selected
  // (both are until set).
  void connect_pins(std::function<bool()> tx_selected, std::function<bool()> rx_selected);
  // Bytes on the receive line from `now`, after any still arriving.
  void receive(const std::string& bytes, Cycles now);

  const std::vector<SentByte>& sent() const { return sent_; }
  std::uint64_t lost_on_pin() const { return lost_on_pin_; }

 private:
  __extension__ typedef unsigned __int128 Wide;
  // CPU cycles per character: num / den.
  struct Frame {
    Wide num = 0;
    Wide den = 1;
    bool operator==(const Frame&) const = default;
  };
  // Ends of characters sent back to back, exact however long the run: the
  // k-th after the anchor ends at anchor + ceil(k x frame).
  struct CharacterClock {
    Cycles anchor = 0;
    Cycles last_end = kNever;
    std::uint64_t count = 0;
    Frame frame;
    Cycles end_of_one_starting(Cycles start, const Frame& f);
  };

  bool frame(Frame& out) const;
  Cycles character_times_after(Cycles start, unsigned n) const;
  bool fifo_enabled() const { return (fcr_ & 1u) != 0; }
  std::size_t capacity() const { return fifo_enabled() ? kFifoBytes : 1; }
  bool known(std::uint32_t offset) const;
  void start_transmitter(Cycles now);
  void start_receiver(Cycles now);
  void deliver(std::uint8_t byte, Cycles at);
  void restart_timeout(Cycles from);
  std::uint32_t interrupt_id() const;
  std::uint32_t line_status() const;
  std::uint32_t register_read(std::uint32_t offset, Cycles now);
  void register_write(std::uint32_t offset, std::uint32_t value, Cycles now);
  void update_irq();

  IrqLine irq_;
  const Clocks& clocks_;
  std::function<bool()> powered_;
  RegisterLog log_;
  std::function<bool()> tx_selected_ = [] { return true; };
  std::function<bool()> rx_selected_ = [] { return true; };

  std::uint32_t dll_ = 1, dlm_ = 0, ier_ = 0, fcr_ = 0, lcr_ = 0, scr_ = 0, acr_ = 0;
  std::uint32_t fdr_ = 0x10, ter_ = 0x80;
  std::uint32_t line_errors_ = 0;  // OE until LSR is read

  std::deque<std::uint8_t> tx_fifo_;
  bool shifting_ = false;
  std::uint8_t shift_byte_ = 0;
  Cycles tx_end_ = kNever;
  CharacterClock tx_clock_;
  bool thre_interrupt_ = false;

  std::deque<std::uint8_t> rx_fifo_;
  std::deque<std::uint8_t> incoming_;
  Cycles rx_end_ = kNever;
  CharacterClock rx_clock_;
  Cycles timeout_at_ = kNever;
  bool timeout_ = false;

  std::vector<SentByte> sent_;
  std::uint64_t lost_on_pin_ = 0;
  bool irq_high_ = false;
};

}  // namespace sim

#endif
