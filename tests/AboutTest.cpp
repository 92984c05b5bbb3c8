// The system menu's About entry and the other system commands.
#include "tests/TestSupport.h"

namespace {

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

class AboutTest : public DialogTest {
 protected:
  void SysCommand(UINT id) {
    dlg_->PostMessage(WM_SYSCOMMAND, id, 0);
    while (headless::GetQueueLength()) theApp.PumpMessage();
  }
};

// The About entry opens the box whatever the command's low bits; every other system command,
// the close box among them, keeps its usual behaviour.
TEST_F(AboutTest, OnlyTheAboutCommandOpensTheBox) {
  Start();
  AboutSeen seen;
  headless::SetIdleHook(&InspectAbout, &seen);
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
