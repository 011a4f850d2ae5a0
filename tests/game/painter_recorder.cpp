#include "painter_recorder.h"

#include "bloque.h"

namespace {
std::vector<PainterCall> calls;
}

void PrintTo(const PainterCall& call, std::ostream* os) {
  *os << "(" << call.x << ", " << call.y << ", " << call.color << ")";
}

const std::vector<PainterCall>& painter_calls() { return calls; }

void clear_painter_calls() { calls.clear(); }

extern "C" void bloque_pintar(int32_t x, int32_t y, int16_t color) {
  calls.push_back({x, y, color});
}
