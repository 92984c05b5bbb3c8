// The headless window back end behaves as the Win32 controls the program relies on.
#include <unistd.h>

#include "tests/TestSupport.h"

namespace {

class HeadlessTest : public DialogTest {};

// Enter in a box presses the default button, Execute: with an empty File box, the refusal.
TEST_F(HeadlessTest, EnterInABoxPressesExecute) {
  Start();
  headless::PressKey(dlg_->m_hWnd, VK_RETURN);
  PumpAll();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|No File Selected|16"});
}

TEST_F(HeadlessTest, InitialisationShowsTheReadyWindow) {
  Start();
  ExpectReady();
  EXPECT_EQ(Text(IDC_PORT), "310");
  EXPECT_EQ(Text(IDC_FILE), "");
  EXPECT_EQ(Text(IDC_ADDRESS), "");
  EXPECT_NE(headless::GetIcon(dlg_->m_hWnd, TRUE), nullptr);
  EXPECT_EQ(headless::GetIcon(dlg_->m_hWnd, TRUE), headless::GetIcon(dlg_->m_hWnd, FALSE));
  UINT flags;
  UINT_PTR id;
  CString text;
  ASSERT_EQ(headless::GetMenuItemCount(dlg_->m_hWnd), 2);
  ASSERT_TRUE(headless::GetMenuItem(dlg_->m_hWnd, 0, &flags, &id, &text));
  EXPECT_EQ(flags, static_cast<UINT>(MF_SEPARATOR));
  ASSERT_TRUE(headless::GetMenuItem(dlg_->m_hWnd, 1, &flags, &id, &text));
  EXPECT_EQ(id, static_cast<UINT_PTR>(IDM_ABOUTBOX));
  EXPECT_EQ(text, "&About");
}

TEST_F(HeadlessTest, BrowsePutsTheChosenPathInTheFileBoxOrLeavesItAlone) {
  Start();
  SetText(IDC_FILE, "before.bin");
  headless::SetOpenFileHook([](OPENFILENAMEA*, void*) -> BOOL { return FALSE; }, nullptr);
  dlg_->OnBrowse();
  EXPECT_EQ(Text(IDC_FILE), "before.bin");

  headless::SetOpenFileHook(
      [](OPENFILENAMEA* ofn, void*) -> BOOL {
        // The filter arrives as NUL-separated pairs; the flags as given.
        EXPECT_STREQ(ofn->lpstrFilter, "Saturn Executables (*.bin)");
        EXPECT_STREQ(ofn->lpstrFilter + 27, "*.bin");
        EXPECT_EQ(ofn->Flags, 0x1004u);
        // Owned by the main window, which takes no input meanwhile.
        EXPECT_EQ(ofn->hwndOwner, AfxGetMainWnd()->m_hWnd);
        EXPECT_FALSE(headless::Click(ofn->hwndOwner, IDC_EXECUTE));
        strcpy(ofn->lpstrFile, "/games/chosen.bin");
        return TRUE;
      },
      nullptr);
  dlg_->OnBrowse();
  EXPECT_EQ(Text(IDC_FILE), "/games/chosen.bin");
  EXPECT_EQ(dlg_->m_nRecentFiles, 0) << "only Execute records a path";
  EXPECT_TRUE(api::IsWindowEnabled(dlg_->m_hWnd));
}

// Explorer's ways to hand over a file: the command line ("Open with", "Send To", a file dropped on
// the program's icon) and a file dropped on the window.
TEST_F(HeadlessTest, AGivenFileGoesIntoTheFileBoxAndNothingElseHappens) {
  // The whole start: the first argument, quoted for its blanks, as a full path, over the recent file.
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof(cwd)));
  Start();  // a profile with one recent file
  Execute(dir_.Write("recent.bin", PatternBytes(5)), "6004000");
  dlg_->OnCancel();
  Restart();
  std::string seen;
  headless::SetIdleHook(
      [](void* p) {
        HWND h = headless::FindDialog(IDD_VARNOK_DIALOG);
        char buf[4096];
        api::GetWindowTextA(api::GetDlgItem(h, IDC_FILE), buf, sizeof(buf));
        *static_cast<std::string*>(p) = buf;
        headless::Click(h, IDCANCEL);
      },
      &seen);
  theApp.m_lpCmdLine = const_cast<LPSTR>(" \"sub dir/x.bin\" second");
  theApp.InitInstance();
  theApp.m_lpCmdLine = const_cast<LPSTR>("");
  EXPECT_EQ(seen, std::string(cwd) + "/sub dir/x.bin");
  std::string recent = dir_.path() + "/recent.bin";

  // A drop while Ready fills the File box; one while Busy is ignored; Execute alone records and sends.
  StartBusy(1);
  EXPECT_EQ(Items(IDC_FILE), std::vector<std::string>{recent}) << "the argument was not recorded";
  Bytes data = PatternBytes(300);
  std::string path = dir_.Write("a.bin", data);
  LPCSTR dropped[] = {"/dropped/first.bin", "/dropped/second.bin"};
  ASSERT_TRUE(headless::DropFiles(dlg_->m_hWnd, dropped, 2));
  theApp.PumpMessage();
  EXPECT_EQ(Text(IDC_FILE), "/dropped/first.bin");
  EXPECT_EQ(Items(IDC_FILE), std::vector<std::string>{recent});
  EXPECT_TRUE(Wire().empty());
  AtWrite(100, [&] { EXPECT_TRUE(headless::DropFiles(dlg_->m_hWnd, dropped + 1, 1)); });
  Execute(path, "6004000");
  EXPECT_EQ(Text(IDC_FILE), path);
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0x6004000, data, ConsoleReplySum(data)));
  EXPECT_EQ(Items(IDC_FILE), (std::vector<std::string>{path, recent}));
}

}  // namespace
