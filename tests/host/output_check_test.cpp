// host::finish_output from the user's side: whichever stream the program
// wrote through, an unwritable standard output gives a failing status and
// the reason on standard error; a writable one changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/routines/proceso.h"

namespace {

using Case = std::tuple<const char*, SalidaEstandar>;

class FinishOutput : public testing::TestWithParam<Case> {};

TEST_P(FinishOutput, ReportsTheReasonAndFails) {
  const auto [stream, destination] = GetParam();
  ResultadoProceso r = ejecutar_programa({OUTPUT_WRITER, stream}, "", destination);
  switch (destination) {
    case SalidaEstandar::Tubo:
      EXPECT_EQ(r.salida, "some output\n");
      EXPECT_EQ(r.errores, "");
      EXPECT_EQ(r.estado, 0);
      break;
    case SalidaEstandar::Llena:
      EXPECT_EQ(r.errores, "output_writer: cannot write standard output: No space left on device\n");
      EXPECT_EQ(r.estado, 1);
      break;
    case SalidaEstandar::Cerrada:
      EXPECT_EQ(r.errores, "output_writer: cannot write standard output: Bad file descriptor\n");
      EXPECT_EQ(r.estado, 1);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, FinishOutput,
                         testing::Combine(testing::Values("printf", "cout", "cout-unsynced"),
                                          testing::Values(SalidaEstandar::Tubo,
                                                          SalidaEstandar::Llena,
                                                          SalidaEstandar::Cerrada)));

}  // namespace
