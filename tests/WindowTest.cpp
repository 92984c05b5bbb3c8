// The window at start, dropped files and the system menu's commands.
#include "tests/TestSupport.h"

namespace {

class WindowTest : public DialogTest {
 protected:
  void SysCommand(UINT id) {
    dlg_->PostMessage(WM_SYSCOMMAND, id, 0);
    PumpAll();
  }
};

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

struct AboutSeen {
  int opened = 0;
  bool frameGone = false;
  bool mainTookInput = false;
};

// While the About box's own modal loop waits, look at it and press OK.
void InspectAbout(void* p) {
  auto* seen = static_cast<AboutSeen*>(p);
  HWND about = headless::FindDialog(IDD_ABOUTBOX);
  if (!about || headless::IsEnded(about)) return;
  ++seen->opened;
  seen->frameGone = api::GetDlgItem(about, IDC_ABOUT_ICON) == nullptr;
  // Owned by the main window, which takes no input meanwhile.
  HWND main = AfxGetMainWnd()->m_hWnd;
  seen->mainTookInput = api::IsWindowEnabled(main) || headless::Click(main, IDC_BROWSE) ||
                        headless::PressCloseBox(main) || headless::PressKey(main, VK_ESCAPE);
  headless::Click(about, IDOK);
}

// The About entry opens the box whatever the command's low bits; every other system command,
// the close box among them, keeps its usual behaviour.
TEST_F(WindowTest, OnlyTheAboutCommandOpensTheBox) {
  Start();
  AboutSeen seen;
  headless::AddIdleHook(&InspectAbout, &seen);
  SysCommand(IDM_ABOUTBOX);
  SysCommand(IDM_ABOUTBOX | 0x000F);
  EXPECT_EQ(seen.opened, 2);
  EXPECT_TRUE(seen.frameGone) << "the icon's frame control is removed when the box opens";
  EXPECT_FALSE(seen.mainTookInput) << "the main window is disabled while the box is open";
  EXPECT_TRUE(api::IsWindowEnabled(dlg_->m_hWnd)) << "and enabled again when it closes";
  MSG msg;
  EXPECT_FALSE(api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "nothing left behind, no quit";
  SysCommand(SC_MOVE);
  SysCommand(IDM_ABOUTBOX + 0x10);
  EXPECT_FALSE(headless::IsEnded(dlg_->m_hWnd));
  SysCommand(SC_CLOSE);  // the cancel command, which closes when Ready
  EXPECT_EQ(seen.opened, 2);
  EXPECT_EQ(headless::GetResult(dlg_->m_hWnd), IDCANCEL);
}

}  // namespace
