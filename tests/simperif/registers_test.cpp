// Plain register models: IOCON pin registers, the EMC register file and the
// catch-all's bounded record.
#include <gtest/gtest.h>

#include "sim/lpc4088/emc.h"
#include "sim/lpc4088/iocon.h"
#include "sim/modelo/access_log.h"
#include "tests/simperif/fakes.h"

namespace {

TEST(Iocon, ResetValuesByPinTypeAndWholeWordWrites) {
  sim::AccessLog log;
  sim::Iocon iocon(simperif::ContextOf{log, "IOCON", LPC_IOCON_BASE});
  struct Case {
    unsigned port, pin;
    std::uint32_t reset;
  };
  const Case cases[] = {{2, 10, 0x30},  {0, 23, 0x1B0}, {1, 31, 0x1B0}, {0, 8, 0x1B0},
                        {0, 27, 0x000}, {5, 3, 0x000},  {0, 29, 0x000}, {5, 4, 0x30}};
  for (const Case& c : cases) {
    EXPECT_EQ(iocon.read((c.port * 32 + c.pin) * 4, 4, 0), c.reset) << c.port << "." << c.pin;
  }
  iocon.write(0x05C, 0x001, 4, 0);  // P0[23] as AD0_0, analog
  iocon.write(0x128 + 1, 0x01, 1, 0);
  EXPECT_EQ(iocon.pin_register(0, 23), 0x001u);
  EXPECT_EQ(iocon.pin_register(2, 10), 0x130u) << "byte 1 only";
  EXPECT_TRUE(log.records().empty());
  iocon.write((5 * 32 + 5) * 4, 0x30, 4, 3);  // P5[5] does not exist
  EXPECT_EQ(iocon.read((5 * 32 + 5) * 4, 4, 4), 0u);
  ASSERT_EQ(log.records().size(), 2u);
  EXPECT_EQ(log.records()[0].address, 0x4002C000u + (5 * 32 + 5) * 4);
}

TEST(Emc, RegisterFileWhoseStatusIsNeverBusy) {
  sim::AccessLog log;
  sim::Emc emc(simperif::ContextOf{log, "EMC", 0x2009C000});
  emc.write(0x000, 0x1, 4, 0);
  emc.write(sim::Emc::kStatus, 0x7, 4, 0);
  emc.write(0x104, 0x00000680, 4, 0);
  EXPECT_EQ(emc.read(0x000, 4, 0), 0x1u);
  EXPECT_EQ(emc.read(sim::Emc::kStatus, 4, 0), 0u);
  EXPECT_EQ(emc.read(0x105, 1, 0), 0x06u);
  emc.read(0x1000, 4, 0);
  EXPECT_EQ(log.records().size(), 1u);
}

TEST(CatchAll, KeepsABoundedRecordButCountsAndReportsEverything) {
  sim::AccessLog log;
  std::uint64_t reported = 0;
  log.set_failure_handler([&](const sim::RecordedAccess&) { ++reported; });
  sim::CatchAllWindow window(simperif::ContextOf{log, "UART1", 0x40010000});
  for (std::size_t i = 0; i < sim::AccessLog::kMaxRecords + 10; ++i) window.read(0x10, 4, i);
  EXPECT_EQ(log.records().size(), sim::AccessLog::kMaxRecords);
  EXPECT_EQ(log.dropped(), 10u);
  EXPECT_EQ(reported, sim::AccessLog::kMaxRecords + 10);
  EXPECT_EQ(log.records()[5].address, 0x40010010u);
  EXPECT_EQ(log.records()[5].time, 5u);
  log.clear();
  EXPECT_TRUE(log.records().empty());
  EXPECT_EQ(log.dropped(), 0u);
}

}  // namespace
