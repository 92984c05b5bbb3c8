// Stop and quit arriving through the message queue while the card is busy.
#include "tests/TestSupport.h"

namespace {

// How the user stops: the button, Esc, the close box.
enum class How { Button, Escape, CloseBox };

void PostStop(CUploadDlg* dlg, How how) {
  switch (how) {
    case How::Button:
      EXPECT_TRUE(headless::Click(dlg->m_hWnd, IDCANCEL));
      break;
    case How::Escape:
      headless::PressKey(dlg->m_hWnd, VK_ESCAPE);
      break;
    case How::CloseBox:
      headless::PressCloseBox(dlg->m_hWnd);
      break;
  }
}

class StopTest : public DialogTest {};

TEST_F(StopTest, StopInEachPhaseEndsAtThePhasesNextCheck) {
  Bytes data = PatternBytes(25);  // slices of 2 bytes, a remainder of 5
  Bytes full = ExpectedWire({'W', 'B', 'X'}, 0x1234, data, ConsoleReplySum(data));
  struct Case {
    const char* name;
    int stopAt;      // index of the byte during whose wait Stop arrives
    size_t written;  // bytes on the wire in the end
  };
  const Case cases[] = {
      {"handshake, first offer", 0, 1},
      {"handshake, at 'B'", 1, 2},
      {"header, address byte 2", 4, 5},  // Send32 leaves the rest unsent
      {"header, length byte 4", 10, 11},
      {"data, first byte of slice 1", 11, 13},  // the rest of the slice is still written
      {"data, last byte of slice 3", 16, 17},
      {"data, in the remainder", 32, 36},  // the remainder goes out whole
      {"checksum, first byte", 36, 37},
  };
  for (How how : {How::Button, How::Escape, How::CloseBox}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " / how " + std::to_string(static_cast<int>(how)));
      StartBusy();
      std::string path = dir_.Write("s.bin", data);
      AtWrite(c.stopAt, [&] { PostStop(dlg_, how); });
      Execute(path, "1234");
      EXPECT_EQ(Wire(), Bytes(full.begin(), full.begin() + c.written));
      EXPECT_TRUE(Boxes().empty()) << "a stopped transfer says nothing";
      EXPECT_FALSE(headless::IsEnded(dlg_->m_hWnd)) << "Stop while Busy does not close the window";
      ExpectReady();
      // Both lists already hold the new entries.
      EXPECT_EQ(dlg_->m_nRecentFiles, 1);
      EXPECT_EQ(dlg_->m_strRecentAddress[0], "00001234");
      Restart();
    }
  }
}

TEST_F(StopTest, StopWhileTheCardNeverClearsBusy) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  Start(config);
  Bytes data = PatternBytes(30);
  AtWrite(14, [&] {
    console_->m_config.bStuckBusy = TRUE;
    PostStop(dlg_, How::Escape);
  });
  Execute(dir_.Write("k.bin", data), "0");
  // Slice 2 (bytes 14-16 on the wire) is written out, and nothing after it.
  EXPECT_EQ(Wire().size(), 3u + 8u + 6u);
  ExpectReady();
}

TEST_F(StopTest, CancelWhileReadyClosesTheDialog) {
  for (How how : {How::Button, How::Escape, How::CloseBox}) {
    Start();
    PostStop(dlg_, how);
    while (headless::GetQueueLength() > 0) theApp.PumpMessage();
    EXPECT_TRUE(headless::IsEnded(dlg_->m_hWnd));
    EXPECT_EQ(headless::GetResult(dlg_->m_hWnd), IDCANCEL);
    Restart();
  }
}

TEST_F(StopTest, QuitDuringAWaitLetsTheTransferRunOnWithoutWaiting) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.nBusyPolls = 2;
  Start(config);
  Bytes data = PatternBytes(50);
  AtWrite(20, [&] {
    // From here the card would never answer again: only the quit lets the waits return.
    console_->m_config.bStuckBusy = TRUE;
    api::PostQuitMessage(0);
  });
  Execute(dir_.Write("q.bin", data), "0");
  // Every byte still goes out, and the replies read are the console's.
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data)));
  EXPECT_TRUE(Boxes().empty());
  ExpectReady();
  // The quit request is still there for the dialog's own loop.
  MSG msg;
  ASSERT_TRUE(api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(StopTest, DisabledInputsTakeNoClicksWhileBusy) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.nBusyPolls = 2;
  Start(config);
  AtWrite(5, [&] {
    EXPECT_FALSE(headless::Click(dlg_->m_hWnd, IDC_EXECUTE));
    EXPECT_FALSE(headless::Click(dlg_->m_hWnd, IDC_BROWSE));
    headless::PressKey(dlg_->m_hWnd, VK_RETURN);  // the default button is disabled: nothing
    headless::Click(dlg_->m_hWnd, IDCANCEL);
  });
  Execute(dir_.Write("m.bin", PatternBytes(20)), "0");
  EXPECT_EQ(Wire().size(), 6u);
  EXPECT_EQ(console_->GetCompletedTransfers(), 0);
  EXPECT_TRUE(Boxes().empty());
  ExpectReady();
}

}  // namespace
