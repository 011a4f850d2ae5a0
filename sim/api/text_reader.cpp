#include "sim/api/text_reader.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace sim {
namespace {

constexpr std::uint32_t kFontRecordBytes = 20;
constexpr unsigned kMaxGlyphWidth = 64;
constexpr unsigned kMaxGlyphHeight = 128;

std::uint32_t le32(const std::uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

Font read_font(const MemoryBus& memory, std::uint32_t address) {
  std::uint8_t record[kFontRecordBytes];
  if (!memory.read_memory(address, record, sizeof record)) {
    throw std::runtime_error("font table not readable");
  }
  Font font;
  font.width = le32(record);
  font.height = le32(record + 4);
  font.first = le32(record + 8);
  font.last = le32(record + 12);
  if (font.width == 0 || font.width > kMaxGlyphWidth || font.height == 0 ||
      font.height > kMaxGlyphHeight || font.first > font.last || font.last > 0xFF) {
    throw std::runtime_error("font table holds no font");
  }
  font.glyphs.resize(std::size_t{font.last - font.first + 1} * font.height * font.row_bytes());
  if (!memory.read_memory(le32(record + 16), font.glyphs.data(), font.glyphs.size())) {
    throw std::runtime_error("font glyphs not readable");
  }
  return font;
}

unsigned ink_pixels(const Font& font, unsigned code) {
  unsigned ink = 0;
  for (unsigned y = 0; y < font.height; ++y) {
    for (unsigned x = 0; x < font.width; ++x) ink += font.bit(code, x, y) ? 1 : 0;
  }
  return ink;
}

}  // namespace

TextReader::TextReader(const MemoryBus& memory, std::uint32_t glcd_fuentes_address,
                       unsigned font_count) {
  for (unsigned n = 0; n < font_count; ++n) {
    fonts_.push_back(read_font(memory, glcd_fuentes_address + n * kFontRecordBytes));
  }
}

std::vector<TextReader::Candidate> TextReader::candidates(const Frame& frame, const Font& font,
                                                          unsigned x, unsigned y) const {
  std::vector<Candidate> found;
  for (unsigned code = font.first; code <= font.last; ++code) {
    std::optional<std::uint16_t> paper;
    if (matches(frame, font, code, x, y, &paper)) {
      found.push_back({static_cast<char>(code), paper, ink_pixels(font, code)});
    }
  }
  return found;
}

// Of a glyph and its negative, which fit the same cell, the one drawn on the
// line's background is taken; without one, the one with less ink (strokes
// are thinner than the background around them).
std::optional<char> TextReader::pick(const std::vector<Candidate>& found,
                                     std::optional<std::uint16_t> line_paper) {
  const bool on_line_paper = std::any_of(found.begin(), found.end(), [&](const Candidate& c) {
    return line_paper && c.paper == line_paper;
  });
  const Candidate* best = nullptr;
  for (const Candidate& c : found) {
    if (on_line_paper && c.paper != line_paper) continue;
    if (!best || c.ink < best->ink) best = &c;
  }
  return best ? std::optional<char>(best->code) : std::nullopt;
}

std::optional<char> TextReader::read_char(const Frame& frame, unsigned font, unsigned x,
                                          unsigned y) const {
  return pick(candidates(frame, fonts_.at(font), x, y), std::nullopt);
}

std::string TextReader::read_line(const Frame& frame, unsigned font, unsigned x, unsigned y,
                                  unsigned n_chars) const {
  const Font& f = fonts_.at(font);
  std::vector<std::vector<Candidate>> cells;
  std::map<std::uint16_t, unsigned> papers;  // background of the cells read without doubt
  for (unsigned i = 0; i < n_chars; ++i) {
    cells.push_back(candidates(frame, f, x + i * f.width, y));
    const auto& found = cells.back();
    if (!found.empty() && found.front().paper &&
        std::all_of(found.begin(), found.end(),
                    [&](const Candidate& c) { return c.paper == found.front().paper; })) {
      ++papers[*found.front().paper];
    }
  }
  std::optional<std::uint16_t> line_paper;
  unsigned votes = 0;
  for (const auto& [colour, count] : papers) {
    if (count > votes) {
      line_paper = colour;
      votes = count;
    }
  }
  std::string text;
  for (const auto& found : cells) text += pick(found, line_paper).value_or(kUnknown);
  return text;
}

std::optional<TextPosition> TextReader::find(const Frame& frame, std::string_view text) const {
  if (text.empty()) return std::nullopt;
  for (unsigned n = 0; n < fonts_.size(); ++n) {
    const Font& font = fonts_[n];
    const std::size_t span = std::size_t{font.width} * text.size();
    if (span > Frame::kWidth || font.height > Frame::kHeight) continue;
    for (unsigned y = 0; y + font.height <= Frame::kHeight; ++y) {
      for (unsigned x = 0; x + span <= Frame::kWidth; ++x) {
        if (matches_text(frame, font, text, x, y)) return TextPosition{n, x, y};
      }
    }
  }
  return std::nullopt;
}

bool TextReader::matches_text(const Frame& frame, const Font& font, std::string_view text,
                              unsigned x, unsigned y) const {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned code = static_cast<unsigned char>(text[i]);
    const unsigned drawn = font.covers(code) ? code : '?';
    if (!matches(frame, font, drawn, x + static_cast<unsigned>(i) * font.width, y)) return false;
  }
  return true;
}

bool TextReader::matches(const Frame& frame, const Font& font, unsigned code, unsigned x,
                         unsigned y, std::optional<std::uint16_t>* paper_colour) const {
  if (!font.covers(code) || x + font.width > Frame::kWidth || y + font.height > Frame::kHeight) {
    return false;
  }
  std::optional<std::uint16_t> ink;
  std::optional<std::uint16_t> paper;
  for (unsigned row = 0; row < font.height; ++row) {
    for (unsigned col = 0; col < font.width; ++col) {
      const std::uint16_t pixel = frame.at(x + col, y + row);
      std::optional<std::uint16_t>& colour = font.bit(code, col, row) ? ink : paper;
      if (!colour) {
        colour = pixel;
        if (ink && paper && *ink == *paper) return false;
      } else if (*colour != pixel) {
        return false;
      }
    }
  }
  if (paper_colour) *paper_colour = paper;
  return true;
}

}  // namespace sim
