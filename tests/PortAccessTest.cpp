// Which port access the program takes.
#include "tests/TestSupport.h"

namespace {

CSimConsole* s_driverCard = nullptr;
int s_driverOpens = 0;
CPortIo* OpenWorkingDriver() {
  ++s_driverOpens;
  return s_driverCard;
}
CPortIo* OpenMissingDriver() {
  ++s_driverOpens;
  return nullptr;
}

TEST(PortAccess, Windows9xUsesTheInstructionsAndTheNtFamilyTheDriver) {
  CSimConsole direct(CSimConsole::DefaultConfig(0x300)), driver(CSimConsole::DefaultConfig(0x300));
  s_driverCard = &driver;
  s_driverOpens = 0;
  EXPECT_EQ(ChoosePortIo(TRUE, &direct, &OpenWorkingDriver), &direct);
  EXPECT_EQ(s_driverOpens, 0) << "Windows 95/98 never loads the driver library";
  EXPECT_EQ(ChoosePortIo(FALSE, &direct, &OpenWorkingDriver), &driver);
  EXPECT_EQ(ChoosePortIo(FALSE, &direct, &OpenMissingDriver), nullptr)
      << "never the instructions the NT family forbids";
}

}  // namespace
