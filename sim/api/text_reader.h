// Reads text off the LCD frame by matching character cells against the
// firmware's own bitmap fonts, read from target memory at `glcd_fuentes`
// (an array of font_t: width, height, first and last character, glyph data
// pointer, 20 bytes each on the target).
//
// A cell matches a glyph when every pixel of the glyph's set bits has one
// colour, every pixel of its clear bits another one, and the two differ (a
// glyph with no set bits, the space, matches any one-colour cell). When
// several glyphs match (a glyph and its negative, or identical glyphs),
// read_line takes the one drawn on the background the line's unambiguous
// cells share; otherwise the one with fewer set pixels wins, then the lowest
// character code. Text is Latin-1 bytes.
#ifndef SIM_API_TEXT_READER_H
#define SIM_API_TEXT_READER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/lpc4088/lcd.h"
#include "sim/modelo/peripheral.h"

namespace sim {

struct Font {
  unsigned width = 0;
  unsigned height = 0;
  unsigned first = 0;
  unsigned last = 0;
  std::vector<std::uint8_t> glyphs;  // (last - first + 1) x height rows

  unsigned row_bytes() const { return (width + 7) / 8; }
  bool covers(unsigned code) const { return code >= first && code <= last; }
  bool bit(unsigned code, unsigned x, unsigned y) const {
    const std::size_t row = ((code - first) * height + y) * row_bytes();
    return (glyphs[row + x / 8] >> (7 - x % 8)) & 1u;
  }
};

struct TextPosition {
  unsigned font;
  unsigned x;
  unsigned y;
  bool operator==(const TextPosition&) const = default;
};

class TextReader {
 public:
  // Stands in read_line for a cell that matches no glyph.
  static constexpr char kUnknown = '\x1A';

  // Throws std::runtime_error when the table cannot be read or does not look
  // like fonts (a wrong address).
  TextReader(const MemoryBus& memory, std::uint32_t glcd_fuentes_address, unsigned font_count = 3);

  const std::vector<Font>& fonts() const { return fonts_; }

  // The character drawn in font `font` with its cell's top-left corner at
  // (x, y); nothing when no glyph matches or the cell leaves the screen.
  std::optional<char> read_char(const Frame& frame, unsigned font, unsigned x, unsigned y) const;
  // n_chars cells from (x, y) rightwards; kUnknown for cells that match none.
  std::string read_line(const Frame& frame, unsigned font, unsigned x, unsigned y,
                        unsigned n_chars) const;
  // The first place, scanning fonts in order, then rows, then columns, where
  // `text` is drawn; characters a font lacks are looked for as '?', as the
  // firmware draws them.
  std::optional<TextPosition> find(const Frame& frame, std::string_view text) const;

 private:
  struct Candidate {
    char code;
    std::optional<std::uint16_t> paper;  // colour of the clear bits, if any
    unsigned ink;                        // set pixels of the glyph
  };
  std::vector<Candidate> candidates(const Frame& frame, const Font& font, unsigned x,
                                    unsigned y) const;
  static std::optional<char> pick(const std::vector<Candidate>& found,
                                  std::optional<std::uint16_t> line_paper);
  bool matches(const Frame& frame, const Font& font, unsigned code, unsigned x, unsigned y,
               std::optional<std::uint16_t>* paper_colour = nullptr) const;
  bool matches_text(const Frame& frame, const Font& font, std::string_view text, unsigned x,
                    unsigned y) const;

  std::vector<Font> fonts_;
};

}  // namespace sim

#endif
