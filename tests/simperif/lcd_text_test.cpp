// LCD registers and frame capture, PNG screenshots, and reading text off a
// frame with fonts laid out in target memory as the firmware holds them.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "board/chip/lpc4088_lcd.h"
#include "sim/api/png_writer.h"
#include "sim/api/text_reader.h"
#include "sim/lpc4088/lcd.h"
#include "tests/simperif/fakes.h"

namespace {

using sim::Frame;
using sim::Lcd;
using sim::TextReader;

constexpr std::uint32_t kSdram = 0xA0000000;

TEST(Lcd, CapturesTheFrameAtUpbase) {
  simperif::FakeMemory memory;
  memory.map(kSdram, Frame::kWidth * Frame::kHeight * 2);
  memory.store32(kSdram, 0xF800'07E0);                          // pixels (0,0) green, (1,0) red
  memory.store32(kSdram + (480 * 271 + 478) * 2, 0x001F'FFFF);  // last two: white, blue
  sim::AccessLog log;
  Lcd lcd(simperif::ContextOf{log, "LCD", LPC_LCD_BASE, {}, simperif::reset_clocks(), memory});
  EXPECT_FALSE(lcd.capture().has_value()) << "UPBASE 0 is not mapped here";
  lcd.write(Lcd::kUpBase, kSdram, 4, 0);
  const auto frame = lcd.capture();
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->at(0, 0), 0x07E0);
  EXPECT_EQ(frame->at(1, 0), 0xF800);
  EXPECT_EQ(frame->at(478, 271), 0xFFFF);
  EXPECT_EQ(frame->at(479, 271), 0x001F);
  EXPECT_EQ(lcd.read(Lcd::kUpCurr, 4, 0), kSdram);
}

TEST(Lcd, EnabledNeedsBothEnableAndPowerBits) {
  simperif::FakeMemory memory;
  sim::AccessLog log;
  Lcd lcd(simperif::ContextOf{log, "LCD", LPC_LCD_BASE, {}, simperif::reset_clocks(), memory});
  const std::pair<std::uint32_t, bool> cases[] = {
      {0, false},
      {LCD_CTRL_EN, false},
      {LCD_CTRL_PWR, false},
      {LCD_CTRL_EN | LCD_CTRL_PWR | (6u << 1) | (1u << 5), true}};
  for (const auto& [ctrl, enabled] : cases) {
    lcd.write(Lcd::kCtrl, ctrl, 4, 0);
    EXPECT_EQ(lcd.enabled(), enabled) << std::hex << ctrl;
  }
  lcd.write(0x200, 0x1234, 2, 0);  // palette
  EXPECT_EQ(lcd.read(0x200, 4, 0), 0x1234u);
  lcd.read(0x100, 4, 5);
  ASSERT_EQ(log.records().size(), 1u);
  EXPECT_EQ(log.records()[0].address, 0x20088100u);
}

TEST(Png, WrittenFrameReadsBackPixelForPixel) {
  Frame frame;
  for (unsigned y = 0; y < Frame::kHeight; ++y) {
    for (unsigned x = 0; x < Frame::kWidth; ++x) {
      frame.at(x, y) = static_cast<std::uint16_t>(x * 131 + y * 977);
    }
  }
  const std::string path = testing::TempDir() + "simperif_frame.png";
  sim::write_png(path, frame);
  const sim::RgbImage image = sim::read_png(path);
  std::filesystem::remove(path);
  ASSERT_EQ(image.width, Frame::kWidth);
  ASSERT_EQ(image.height, Frame::kHeight);
  for (unsigned i = 0; i < frame.pixels.size(); ++i) {
    const auto rgb = sim::rgb565_to_rgb888(frame.pixels[i]);
    ASSERT_EQ(image.rgb[3 * i], rgb[0]) << i;
    ASSERT_EQ(image.rgb[3 * i + 1], rgb[1]) << i;
    ASSERT_EQ(image.rgb[3 * i + 2], rgb[2]) << i;
  }
}

TEST(Png, FailuresAreReported) {
  EXPECT_THROW(sim::write_png("/nonexistent-dir/x.png", Frame{}), std::runtime_error);
  EXPECT_THROW(sim::read_png("/nonexistent-dir/x.png"), std::runtime_error);
}

// Two small fonts: 3x5 digits '0'..'?' (one byte per row) and 10x4 'A'..'C'
// (two bytes per row, to cover rows wider than a byte).
constexpr std::uint32_t kTable = 0x1000;
constexpr std::uint32_t kDigitsData = 0x2000;
constexpr std::uint32_t kLettersData = 0x3000;

constexpr std::array<std::array<std::uint8_t, 5>, 16> kDigits = {{
    {0xE0, 0xA0, 0xA0, 0xA0, 0xE0},  // 0
    {0x40, 0xC0, 0x40, 0x40, 0xE0},  // 1
    {0xE0, 0x20, 0xE0, 0x80, 0xE0},  // 2
    {0xE0, 0x20, 0x60, 0x20, 0xE0},  // 3
    {0xA0, 0xA0, 0xE0, 0x20, 0x20},  // 4
    {0xE0, 0x80, 0xE0, 0x20, 0xE0},  // 5
    {0xE0, 0x80, 0xE0, 0xA0, 0xE0},  // 6
    {0xE0, 0x20, 0x40, 0x40, 0x40},  // 7
    {0xE0, 0xA0, 0xE0, 0xA0, 0xE0},  // 8
    {0xE0, 0xA0, 0xE0, 0x20, 0xE0},  // 9
    {0x00, 0x40, 0x00, 0x40, 0x00},  // :
    {0x00, 0x40, 0x00, 0x40, 0x80},  // ;
    {0x20, 0x40, 0x80, 0x40, 0x20},  // <
    {0x00, 0xE0, 0x00, 0xE0, 0x00},  // =
    {0x80, 0x40, 0x20, 0x40, 0x80},  // >
    {0xE0, 0x20, 0x60, 0x00, 0x40},  // ?
}};
constexpr std::array<std::array<std::uint16_t, 4>, 3> kLetters = {{
    {0x3F00, 0xC0C0, 0xFFC0, 0xC0C0},  // A (bits 15..6 are the 10 columns)
    {0xFF00, 0xC0C0, 0xFF00, 0xFFC0},  // B
    {0x7FC0, 0xC000, 0xC000, 0x7FC0},  // C
}};

struct TextFixture {
  simperif::FakeMemory memory;
  Frame frame;

  TextFixture() {
    memory.map(kTable, 64);
    memory.map(kDigitsData, 16 * 5);
    memory.map(kLettersData, 3 * 4 * 2);
    const std::uint32_t records[2][5] = {{3, 5, '0', '?', kDigitsData},
                                         {10, 4, 'A', 'C', kLettersData}};
    for (unsigned f = 0; f < 2; ++f) {
      for (unsigned i = 0; i < 5; ++i) memory.store32(kTable + f * 20 + i * 4, records[f][i]);
    }
    memory.store(kDigitsData, kDigits.data(), sizeof kDigits);
    for (unsigned c = 0; c < 3; ++c) {
      for (unsigned row = 0; row < 4; ++row) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(kLetters[c][row] >> 8),
                                       static_cast<std::uint8_t>(kLetters[c][row])};
        memory.store(kLettersData + (c * 4 + row) * 2, bytes, 2);
      }
    }
  }

  bool glyph_bit(unsigned font, unsigned code, unsigned x, unsigned y) const {
    if (font == 0) return (kDigits[code - '0'][y] >> (7 - x)) & 1u;
    return (kLetters[code - 'A'][y] >> (15 - x)) & 1u;
  }

  // What the firmware's text drawing does: whole cells, '?' for characters
  // the font lacks, clipped at the right edge.
  void draw(unsigned font, unsigned x, unsigned y, std::uint16_t ink, std::uint16_t paper,
            const std::string& text) {
    const unsigned width = font == 0 ? 3 : 10, height = font == 0 ? 5 : 4;
    const unsigned first = font == 0 ? '0' : 'A', last = font == 0 ? '?' : 'C';
    for (const char ch : text) {
      unsigned code = static_cast<unsigned char>(ch);
      if (code < first || code > last) code = '?';
      for (unsigned row = 0; row < height; ++row) {
        for (unsigned col = 0; col < width && x + col < Frame::kWidth; ++col) {
          frame.at(x + col, y + row) = glyph_bit(font, code, col, row) ? ink : paper;
        }
      }
      x += width;
    }
  }
};

TEST(TextReader, ReadsTheFontsFromTargetMemory) {
  TextFixture f;
  const TextReader reader(f.memory, kTable, 2);
  ASSERT_EQ(reader.fonts().size(), 2u);
  EXPECT_EQ(reader.fonts()[1].width, 10u);
  EXPECT_EQ(reader.fonts()[1].row_bytes(), 2u);
  EXPECT_TRUE(reader.fonts()[1].bit('C', 9, 0));
  EXPECT_FALSE(reader.fonts()[1].bit('C', 0, 0));
}

TEST(TextReader, ReadsLinesInAnyColours) {
  TextFixture f;
  f.draw(0, 10, 20, 0x07E0, 0x0000, "12:59");
  f.draw(0, 100, 200, 0x0000, 0xFFFF, "0987");
  f.draw(1, 300, 100, 0xF800, 0x001F, "CAB");
  const TextReader reader(f.memory, kTable, 2);
  EXPECT_EQ(reader.read_line(f.frame, 0, 10, 20, 5), "12:59");
  EXPECT_EQ(reader.read_line(f.frame, 0, 100, 200, 4), "0987");
  EXPECT_EQ(reader.read_line(f.frame, 1, 300, 100, 3), "CAB");
  EXPECT_EQ(reader.read_line(f.frame, 0, 10, 20, 6), std::string("12:59") + TextReader::kUnknown)
      << "a blank cell is no glyph of this font";
  EXPECT_EQ(reader.read_line(f.frame, 0, 11, 20, 1)[0], TextReader::kUnknown) << "off the grid";
}

TEST(TextReader, NegativeGlyphsAreToldApartByTheLineBackground) {
  // In this font ':' is the exact negative of '8'.
  TextFixture f;
  f.draw(0, 0, 0, 0xFFFF, 0x0000, "18:8");
  f.draw(0, 0, 10, 0x0000, 0xFFFF, "08:80");
  f.draw(0, 0, 20, 0xFFFF, 0x0000, "8");
  const TextReader reader(f.memory, kTable, 2);
  EXPECT_EQ(reader.read_line(f.frame, 0, 0, 0, 4), "18:8") << "the 1 gives the background";
  EXPECT_EQ(reader.read_line(f.frame, 0, 0, 10, 5), "08:80");
  EXPECT_EQ(reader.read_char(f.frame, 0, 0, 20), ':') << "alone: the lighter glyph";
}

TEST(TextReader, FindsTextAndItsFont) {
  TextFixture f;
  f.draw(0, 40, 30, 0xFFFF, 0x0000, "23:45");
  f.draw(1, 7, 250, 0xFFFF, 0x0000, "BAC");
  f.draw(0, 470, 100, 0xFFFF, 0x0000, "1234");  // clipped after three cells
  const TextReader reader(f.memory, kTable, 2);
  EXPECT_EQ(reader.find(f.frame, "23:45"), (sim::TextPosition{0, 40, 30}));
  EXPECT_EQ(reader.find(f.frame, "3:4"), (sim::TextPosition{0, 43, 30}));
  EXPECT_EQ(reader.find(f.frame, "AC"), (sim::TextPosition{1, 17, 250}));
  EXPECT_EQ(reader.find(f.frame, "123"), (sim::TextPosition{0, 470, 100}));
  EXPECT_FALSE(reader.find(f.frame, "1234").has_value());
  EXPECT_FALSE(reader.find(f.frame, "23:46").has_value());
  EXPECT_FALSE(reader.find(f.frame, "").has_value());
}

TEST(TextReader, CharactersOutsideTheFontAreDrawnAndFoundAsQuestionMarks) {
  TextFixture f;
  f.draw(0, 0, 0, 0xFFFF, 0x0000, "1x2");
  const TextReader reader(f.memory, kTable, 2);
  EXPECT_EQ(reader.read_line(f.frame, 0, 0, 0, 3), "1?2");
  EXPECT_EQ(reader.find(f.frame, "1x2"), (sim::TextPosition{0, 0, 0}));
}

TEST(TextReader, CellsThatFitNoGlyphAreNotRecognised) {
  TextFixture f;
  f.draw(0, 0, 0, 0xFFFF, 0x0000, "11");
  f.draw(0, 0, 10, 0x1234, 0x1234, "8");  // invisible: ink and paper alike
  f.frame.at(4, 0) = 0x0001;              // a third colour in the second 1
  const TextReader reader(f.memory, kTable, 2);
  EXPECT_EQ(reader.read_line(f.frame, 0, 0, 0, 2), std::string("1") + TextReader::kUnknown);
  EXPECT_EQ(reader.read_line(f.frame, 0, 0, 10, 1)[0], TextReader::kUnknown);
}

TEST(TextReader, RefusesTablesThatHoldNoFonts) {
  TextFixture f;
  EXPECT_THROW(TextReader(f.memory, 0x9000, 1), std::runtime_error) << "unmapped";
  f.memory.store32(kTable, 0);  // width 0
  EXPECT_THROW(TextReader(f.memory, kTable, 1), std::runtime_error);
  f.memory.store32(kTable, 3);
  f.memory.store32(kTable + 16, 0x9000);  // glyphs unmapped
  EXPECT_THROW(TextReader(f.memory, kTable, 1), std::runtime_error);
}

}  // namespace
