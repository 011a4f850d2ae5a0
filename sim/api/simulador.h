// Test API of the LPC4088 board simulator: one object is one board running
// one firmware image on the simulated Cortex-M4F.
//
// Time. The board keeps a virtual time counted in CPU cycles since reset at
// the CPU clock the firmware programmed (12 MHz until SystemInit changes it);
// the API speaks seconds (double) and converts through the clock history, so
// "1.5 s" means 1.5 s of board time whatever the clock was. Nothing depends on
// the wall clock: the same image and the same inputs give the same run.
//
// Running. Every run_* call resumes where the last one stopped and returns
// why it stopped. A run stops early at an error stop (a call to
// parar_con_error), at a fault whose handler parks the CPU, or when the CPU
// is parked in a handler loop no event can leave (a thread-mode loop that
// nothing can change any more just waits out the run). Waiting firmware
// (WFI, or a polling loop whose every pass leaves the board unchanged) costs
// no host time: the board jumps to the next scheduled event.
//
// Typical test:
//   sim::Simulador board(FIRMWARE_IMAGES "/reloj.elf");
//   board.press(sim::Pin::parse("P2.27"), 1.5);
//   board.run_for(3.0);
//   EXPECT_EQ(board.read<uint32_t>("segundos"), 1u);
//   float t = board.call("ntc_traducir_tension_a_temperatura", {1.65f}).as_float();
#ifndef SIM_API_SIMULADOR_H
#define SIM_API_SIMULADOR_H

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/modelo/peripheral.h"
#include "sim/placa/results.h"

namespace sim {

class Board;

struct UartByte {
  std::uint8_t byte = 0;
  double time = 0;  // seconds of board time
  Cycles cycle = 0;
};

class Simulador {
 public:
  // Loads the ELF image (throws std::runtime_error when it cannot) and
  // resets the board: SP and PC from vector slots 0 and 1, time 0.
  explicit Simulador(const std::filesystem::path& image, Options options = {});
  ~Simulador();
  Simulador(const Simulador&) = delete;
  Simulador& operator=(const Simulador&) = delete;

  // --- running --------------------------------------------------------------
  // Every run ends by time on the first CPU cycle at or after the board time
  // asked for. Times that are not finite or lie beyond kMaxBoardSeconds
  // throw std::invalid_argument.
  RunResult run_for(double seconds);
  // Runs until board time `board_seconds` (absolute, since reset).
  RunResult run_to_time(double board_seconds);
  // Runs until `condition` holds (checked before every translated block of
  // code and after every skipped wait) or `max_seconds` pass.
  RunResult run_until(const std::function<bool()>& condition, double max_seconds);
  // Runs until the CPU is about to execute the first instruction of
  // `function` (e.g. "main"), or `max_seconds` pass.
  RunResult run_to(const std::string& function, double max_seconds);

  double time() const;    // board time, seconds
  Cycles cycles() const;  // board time, CPU cycles since reset
  double time_at(Cycles cycle) const;  // board time of any cycle so far
  std::uint32_t cpu_hz() const;
  std::uint64_t instructions() const;  // instructions executed (not skipped)

  // --- debugging ------------------------------------------------------------
  // One instruction (or the entry of an exception that is due).
  RunResult step();
  // A run stops before the instruction at `address` runs; a run
  // that starts there runs it first.
  void add_breakpoint(std::uint32_t address);
  void remove_breakpoint(std::uint32_t address);
  // A run stops at the end of the block that accessed [address, address + length).
  void add_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind);
  void remove_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind);

  // --- inputs (scheduled at a board time; `at` before now means "now") ------
  void set_pin(Pin pin, bool level, double at);
  // A press: falling edge at `at`, rising edge `hold` seconds later.
  void press(Pin pin, double at, double hold = 0.05);
  void set_adc_voltage(unsigned channel, double volts, double at = 0);
  // UART0's receive line (P0.3, RXD0): `bytes` arrive one per character
  // time, at the format and rate UART0 is programmed for, the first ending one
  // character time after `at` (after any bytes still arriving).
  void uart0_input(const std::string& bytes, double at);

  // --- outputs --------------------------------------------------------------
  bool pin_level(Pin pin) const;
  bool pin_is_output(Pin pin) const;
  // Every change of an output pin since reset, in time order.
  const std::vector<OutputChange>& pin_changes() const;
  // Every byte UART0 sent on P0.2 (TXD0) since reset, with the board time
  // its stop bit ended, in time order; and the same bytes as a string.
  std::vector<UartByte> uart0_sent() const;
  std::string uart0_text() const;
  // LCD: 480 x 272 RGB565 frame buffer as PNG; false when the LCD is off.
  bool screenshot(const std::filesystem::path& png) const;
  // Text on the LCD, read by matching glyph cells against the image's font
  // tables (glcd_fuentes; font 0 8x16, 1 12x24, 2 16x32): `n_chars` cells
  // from the cell whose top-left pixel is (x, y), '\x1A' for a cell that
  // matches no glyph; and whether `text` is drawn anywhere in any font.
  std::string read_screen(unsigned font, unsigned x, unsigned y, unsigned n_chars) const;
  bool screen_shows(const std::string& text) const;

  // --- memory and symbols ---------------------------------------------------
  // Symbol address (local symbols included; Thumb bit cleared for functions);
  // throws std::out_of_range when the image has no such symbol.
  std::uint32_t symbol(const std::string& name) const;
  bool has_symbol(const std::string& name) const;
  // The function or object holding `address`, "" when none.
  std::string symbol_at(std::uint32_t address) const;

  // Memory as the firmware sees it (flash is writable from here). Addresses
  // in a peripheral go to its model, with its read side effects.
  void read_memory(std::uint32_t address, void* out, std::size_t size) const;
  void write_memory(std::uint32_t address, const void* in, std::size_t size);
  template <typename T>
  T read(std::uint32_t address) const {
    T v{};
    read_memory(address, &v, sizeof v);
    return v;
  }
  template <typename T>
  T read(const std::string& symbol_name) const {
    return read<T>(symbol(symbol_name));
  }
  template <typename T>
  void write(std::uint32_t address, const T& v) {
    write_memory(address, &v, sizeof v);
  }
  template <typename T>
  void write(const std::string& symbol_name, const T& v) {
    write(symbol(symbol_name), v);
  }
  std::string read_c_string(std::uint32_t address, std::size_t max = 256) const;

  // --- CPU ------------------------------------------------------------------
  std::uint32_t reg(unsigned n) const;  // r0..r15
  void set_reg(unsigned n, std::uint32_t value);
  std::uint32_t pc() const { return reg(15); }
  std::uint32_t xpsr() const;
  bool primask() const;
  float fp_reg(unsigned n) const;  // s0..s31

  // --- calling firmware functions -------------------------------------------
  // Calls `function` on the simulated CPU from the current state (interrupts
  // may be taken while it runs) and returns its result registers; the CPU
  // state before the call is restored afterwards. Board time goes on.
  CallResult call(const std::string& function, std::initializer_list<CallArg> args = {},
                  double max_seconds = 10.0);

  // --- what happened ----------------------------------------------------------
  const std::optional<ErrorStopInfo>& error_stop() const;
  const std::optional<FaultInfo>& fault() const;
  // Set while parked: in a handler no event can leave (the run stopped), or
  // in thread mode with nothing left that could ever happen.
  std::optional<Parking> parking() const;
  bool sleeping() const;  // waiting in WFI
  // Semihosting (Options::semihosting): what the firmware wrote to handle 1
  // (standard output) or 2 (error) when no output function was given, bytes
  // its SYS_READC calls will get, and the status it exited with.
  const std::string& semihosting_output(int handle = 1) const;
  void semihosting_input(const std::string& bytes);
  std::optional<int> exit_status() const;
  // Interrupt controller (device IRQ numbers).
  bool irq_enabled(unsigned irq) const;
  bool irq_pending(unsigned irq) const;
  bool irq_active(unsigned irq) const;
  std::uint8_t irq_priority(unsigned irq) const;  // the raw priority byte
  // Accesses to registers nobody modelled ("ADDRESS r|w VALUE" lines).
  std::vector<std::string> unmodelled_accesses() const;

  // The board behind this API (peripheral models, core), for what the
  // methods above do not cover.
  Board& board();

 private:
  std::unique_ptr<Board> board_;
};

}  // namespace sim

#endif
