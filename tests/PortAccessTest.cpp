// Which port access the program takes, and Execute without any.
#include <fcntl.h>
#include <unistd.h>

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

class NoPortAccessTest : public DialogTest {};

TEST_F(NoPortAccessTest, ExecuteRefusesAfterTheOtherRefusalsAndRecordsNothing) {
  std::string huge = dir_.path() + "/huge.bin";
  int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_EQ(ftruncate(fd, 0x100000000LL), 0);
  close(fd);
  std::string small = dir_.Write("s.bin", {1, 2, 3});
  struct Case {
    const char* name;
    int port;
    std::string file;
    const char* message;
  };
  const Case cases[] = {
      {"no port selected comes first", -1, huge, "No Port Selected"},
      {"then the length", 1, huge, "File Too Large"},
      {"then the access", 1, small, "Port Access Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    g_pPortIo = nullptr;
    dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(c.port));
    Execute(c.file, "6004000");
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("varnok_tests|") + c.message + "|16"});
    EXPECT_EQ(console_->GetWriteCount(), 0);
    EXPECT_EQ(dlg_->m_nRecentFiles, 0);
    EXPECT_EQ(dlg_->m_nRecentAddresses, 0);
    EXPECT_EQ(posix::GetOpenFileCount(), 0);
    ExpectReady();
    Restart();
  }
}

}  // namespace
