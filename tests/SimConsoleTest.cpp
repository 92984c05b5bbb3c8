// The simulated card and console: the other side of the protocol, its faults, its guard.
#include "tests/TestSupport.h"

namespace {

BYTE Exchange(CSimConsole& card, BYTE value) {
  card.Out(0x330, value);
  while (card.In(0x332) & 1) {
  }
  return card.In(0x330);
}

TEST(SimConsole, PlaysTheConsolesSideAndChecksTheChecksum) {
  CSimConsole card(CSimConsole::DefaultConfig(0x330));
  EXPECT_EQ(Exchange(card, 'W'), 'R');
  EXPECT_EQ(Exchange(card, 'B'), 'W');
  Exchange(card, 'X');
  for (BYTE b : {0x06, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x02}) Exchange(card, b);
  unsigned sum = Exchange(card, 0x10);
  sum += Exchange(card, 0x20);
  EXPECT_EQ(sum, (0x10u ^ 0xA5) + (0x20u ^ 0xA5));
  EXPECT_EQ(Exchange(card, (sum >> 8) & 0xF), (sum >> 8) & 0xF) << "bits 8-11 of its own sum in bits 0-3";
  Exchange(card, sum & 0xFF);
  EXPECT_EQ(card.GetAddress(), 0x06004000u);
  EXPECT_EQ(card.GetLength(), 2u);
  EXPECT_EQ(card.GetCompletedTransfers(), 1);
  EXPECT_EQ(card.GetMatchedChecksums(), 1);
}

TEST(SimConsole, StatusBitsOtherThanBitZeroFloat) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x300);
  config.nBusyPolls = 1;
  CSimConsole card(config);
  card.Out(0x300, 'W');
  EXPECT_EQ(card.In(0x302), 0xFF);
  EXPECT_EQ(card.In(0x302), 0xFE) << "ready: only bit 0 is clear";
}

TEST(SimConsole, APacedCardIsBusyUntilTheClockCatchesUp) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.dwBytesPerSecond = 1000;  // one byte a millisecond
  CSimConsole card(config);
  card.Out(0x310, 'W');
  card.Out(0x310, 'W');
  EXPECT_TRUE(card.In(0x312) & 1) << "two bytes cannot have gone in no time";
  int polls = 0;
  while ((card.In(0x312) & 1) && polls < 5000) ++polls;  // each busy poll yields a millisecond
  EXPECT_FALSE(card.In(0x312) & 1);
}

TEST(SimConsoleDeathTest, AnAccessOutsideItsRegistersEndsTheProcess) {
  CSimConsole card(CSimConsole::DefaultConfig(0x310));
  EXPECT_DEATH(card.Out(0x311, 0), "outside its registers");
  EXPECT_DEATH(card.In(0x300), "outside its registers");
}

}  // namespace
