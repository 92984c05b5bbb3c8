// Stop, the cancel command and quit, arriving through the message queue while the card is busy.
#include "tests/TestSupport.h"

namespace {

// How the user stops: the button, Esc, the close box.
void PressStop(HWND hDlg, int how) {
  if (how == 0)
    EXPECT_TRUE(headless::Click(hDlg, IDCANCEL));
  else if (how == 1)
    headless::PressKey(hDlg, VK_ESCAPE);
  else
    headless::PressCloseBox(hDlg);
}

class StopTest : public DialogTest {};

// Stop during the wait of one byte: exactly what still goes out, for every kind of position.
// A 25-byte file goes out in ten slices of 2 bytes and a remainder of 5; a 5-byte file whole.
// The reply to the interrupted byte and to any byte after it is never read.
TEST_F(StopTest, WhatStillGoesOutAfterStop) {
  struct Row {
    const char* name;
    size_t length;
    int readyAfter;  // 'W' offers before the console answers 'R'
    int stopAt;      // the byte (counted from 0 on the wire) during whose wait Stop arrives
    size_t written;  // bytes on the wire in the end
  };
  const Row rows[] = {
      {"first offer", 25, 0, 0, 1},
      {"a later offer", 25, 3, 2, 3},
      {"'B'", 25, 0, 1, 2},
      {"'X'", 25, 0, 2, 3},
      {"address byte 1", 25, 0, 3, 4},
      {"address byte 2", 25, 0, 4, 5},
      {"address byte 3", 25, 0, 5, 6},
      {"address byte 4", 25, 0, 6, 7},
      {"length byte 4", 25, 0, 10, 11},
      {"first byte of slice 1", 25, 0, 11, 13},
      {"last byte of slice 3", 25, 0, 16, 17},
      {"first byte of the remainder", 25, 0, 31, 36},
      {"first checksum byte", 25, 0, 36, 37},
      {"second checksum byte", 25, 0, 37, 38},
      {"first byte of a 5-byte file", 5, 0, 11, 16},
  };
  int how = 0;
  for (bool stuck : {false, true}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(std::string(r.name) + (stuck ? ", card stops answering" : ", slow card"));
      CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
      config.nBusyPolls = 1;
      config.nReadyAfterOffers = r.readyAfter;
      config.bRecordAccesses = TRUE;
      Start(config);
      Bytes data = PatternBytes(r.length);
      Bytes handshake(r.readyAfter, 'W');
      handshake.insert(handshake.end(), {'W', 'B', 'X'});
      Bytes full = ExpectedWire(handshake, 0x1234, data, ConsoleReplySum(data));
      AtWrite(r.stopAt, [&] {
        if (stuck) console_->m_config.bStuckBusy = TRUE;
        PressStop(dlg_->m_hWnd, how++ % 3);
      });
      Execute(dir_.Write("s.bin", data), "1234");
      EXPECT_EQ(Wire(), Bytes(full.begin(), full.begin() + static_cast<long>(r.written)));
      EXPECT_EQ(DataReads(), r.stopAt);
      EXPECT_TRUE(Boxes().empty()) << "a stopped transfer says nothing";
      EXPECT_FALSE(headless::IsEnded(dlg_->m_hWnd)) << "Stop while Busy does not close the window";
      EXPECT_FALSE(ProfileExists()) << "Stop writes no settings";
      EXPECT_EQ(headless::GetQueueLength(), 0);
      ExpectReady();
      Restart();
    }
  }
}

// A quit (the session ending) during a wait: the transfer runs on to its end without waiting
// for the card, and then the quit ends the dialog's own loop without writing the settings.
TEST_F(StopTest, QuitDuringATransferRunsItOutThenEndsWithoutSaving) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.nBusyPolls = 2;
  StartConsole(config);
  Bytes data = PatternBytes(50);
  std::string path = dir_.Write("q.bin", data);
  AtWrite(20, [&] {
    console_->m_config.bStuckBusy = TRUE;  // from here only the quit lets the waits return
    api::PostQuitMessage(0);
  });
  // What the user does in the dialog's loop: start the transfer; if the loop ever comes back
  // for more (the quit was lost), close the window, which would write the settings.
  int step = 0;
  headless::AddIdleHook(
      [](void* p) {
        HWND h = theApp.m_pMainWnd->m_hWnd;
        headless::Click(h, (*static_cast<int*>(p))++ ? IDCANCEL : IDC_EXECUTE);
      },
      &step);
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  WriteProfile("[Config]\nRecentFiles=1\nRecentFile0=" + path + "\nRecentAdrss=1\nRecentAdrs0=0\n");
  std::string before = ReadProfile();
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  theApp.m_pMainWnd = nullptr;
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data)));
  EXPECT_EQ(step, 1) << "the quit ended the loop";
  EXPECT_EQ(ReadProfile(), before);
  MSG msg;
  EXPECT_TRUE(api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT)
      << "the quit stays posted for the loops outside";
}

// While Busy the inputs take nothing and the keyboard reaches Stop, which has the focus (the
// control that had it is disabled): Enter presses it. Ready again, the focus is on Execute, so
// that Enter sends again rather than closing the window.
TEST_F(StopTest, WhileBusyTheKeyboardReachesStopThenExecute) {
  StartBusy(2);
  AtWrite(5, [&] {
    EXPECT_FALSE(headless::Click(dlg_->m_hWnd, IDC_EXECUTE));
    EXPECT_FALSE(headless::Click(dlg_->m_hWnd, IDC_BROWSE));
    headless::PressKey(dlg_->m_hWnd, VK_RETURN);
  });
  Execute(dir_.Write("m.bin", PatternBytes(20)), "0");
  EXPECT_EQ(Wire().size(), 6u) << "stopped in the header";
  EXPECT_TRUE(Boxes().empty());
  ExpectReady();
  EXPECT_EQ(api::GetDlgCtrlID(headless::GetFocus(dlg_->m_hWnd)), IDC_EXECUTE);
}

}  // namespace
