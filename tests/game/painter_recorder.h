// Host stand-in for the block painter: every call is recorded, in order, so a
// test can check exactly what was drawn.
#ifndef TESTS_GAME_PAINTER_RECORDER_H
#define TESTS_GAME_PAINTER_RECORDER_H

#include <cstdint>
#include <ostream>
#include <vector>

struct PainterCall {
  int32_t x;
  int32_t y;
  int16_t color;
  bool operator==(const PainterCall&) const = default;
};

void PrintTo(const PainterCall& call, std::ostream* os);

// Calls recorded since the last clear.
const std::vector<PainterCall>& painter_calls();
void clear_painter_calls();

#endif
