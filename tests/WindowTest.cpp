// The window at start, Enter, the open-file dialog and dropped files.
#include "tests/TestSupport.h"

namespace {

class WindowTest : public DialogTest {};

// Enter in a box presses the default button, Execute: with an empty File box, the refusal.
TEST_F(WindowTest, EnterInABoxPressesExecute) {
  Start();
  headless::PressKey(dlg_->m_hWnd, VK_RETURN);
  PumpAll();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|No File Selected|16"});
}

TEST_F(WindowTest, InitialisationShowsTheReadyWindowWithItsIconAndMenu) {
  Start();
  ExpectReady();
  EXPECT_EQ(Text(IDC_PORT), "310");
  EXPECT_EQ(Text(IDC_FILE) + Text(IDC_ADDRESS), "");
  EXPECT_NE(headless::GetIcon(dlg_->m_hWnd, TRUE), nullptr);
  EXPECT_EQ(headless::GetIcon(dlg_->m_hWnd, TRUE), headless::GetIcon(dlg_->m_hWnd, FALSE));
  UINT flags[2];
  UINT_PTR id;
  CString text;
  ASSERT_EQ(headless::GetMenuItemCount(dlg_->m_hWnd), 2);
  ASSERT_TRUE(headless::GetMenuItem(dlg_->m_hWnd, 0, &flags[0], &id, &text));
  ASSERT_TRUE(headless::GetMenuItem(dlg_->m_hWnd, 1, &flags[1], &id, &text));
  EXPECT_EQ(flags[0], static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(id, static_cast<UINT_PTR>(IDM_ABOUTBOX));
  EXPECT_EQ(text, "&About");
}

// The open-file dialog's choice goes into the File box (Cancel is the end-to-end tests' business).
TEST_F(WindowTest, BrowsePutsTheChosenPathInTheFileBox) {
  Start();
  headless::SetOpenFileHook(
      [](OPENFILENAMEA* ofn, void*) -> BOOL {
        // The filter arrives as NUL-separated pairs; the flags as given; owned by the main window.
        EXPECT_STREQ(ofn->lpstrFilter, "Saturn Executables (*.bin)");
        EXPECT_STREQ(ofn->lpstrFilter + 27, "*.bin");
        EXPECT_EQ(ofn->Flags, 0x1004u);
        EXPECT_EQ(ofn->hwndOwner, AfxGetMainWnd()->m_hWnd);
        strcpy(ofn->lpstrFile, "/games/chosen.bin");
        return TRUE;
      },
      nullptr);
  dlg_->OnBrowse();
  EXPECT_EQ(Text(IDC_FILE), "/games/chosen.bin");
  EXPECT_EQ(dlg_->m_nRecentFiles, 0) << "only Execute records a path";
}

// A file dropped on the window goes into the File box while Ready, and is ignored while Busy;
// Execute alone records and sends.
TEST_F(WindowTest, ADroppedFileGoesIntoTheFileBoxAndNothingElseHappens) {
  StartBusy(1);
  Bytes data = PatternBytes(300);
  std::string path = dir_.Write("a.bin", data);
  LPCSTR dropped[] = {"/dropped/first.bin", "/dropped/second.bin"};
  ASSERT_TRUE(headless::DropFiles(dlg_->m_hWnd, dropped, 2));
  theApp.PumpMessage();
  EXPECT_EQ(Text(IDC_FILE), "/dropped/first.bin");
  EXPECT_TRUE(Items(IDC_FILE).empty());
  EXPECT_TRUE(Wire().empty());
  AtWrite(100, [&] { EXPECT_TRUE(headless::DropFiles(dlg_->m_hWnd, dropped + 1, 1)); });
  Execute(path, "6004000");
  EXPECT_EQ(Text(IDC_FILE), path);
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0x6004000, data, ConsoleReplySum(data)));
  EXPECT_EQ(Items(IDC_FILE), std::vector<std::string>{path});
}

}  // namespace
