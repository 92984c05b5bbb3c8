// The "Config" section of the profile: what is read at start, written at close, and kept.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "tests/TestSupport.h"

namespace {

class SettingsTest : public DialogTest {
 protected:
  std::string Profile() const { return theApp.m_pszProfileName; }
  std::string ReadProfile() const {
    std::ifstream f(Profile(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  void WriteProfile(const std::string& text) const {
    std::string dir = Profile().substr(0, Profile().rfind('/'));
    mkdir((dir.substr(0, dir.rfind('/'))).c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    std::ofstream(Profile(), std::ios::binary) << text;
  }
  bool ProfileExists() const {
    struct stat st;
    return stat(Profile().c_str(), &st) == 0;
  }
  // The cancel command while Ready: saves and ends.
  void Close() {
    headless::Click(dlg_->m_hWnd, IDCANCEL);
    while (headless::GetQueueLength()) theApp.PumpMessage();
    ASSERT_TRUE(headless::IsEnded(dlg_->m_hWnd));
  }
};

TEST_F(SettingsTest, OneTransferThenCloseWritesExactlyTheSection) {
  EXPECT_EQ(Profile(), dir_.path() + "/config/varnok/varnok_tests.INI") << "in the user's configuration folder";
  Start();
  EXPECT_FALSE(ProfileExists());
  std::string path = dir_.Write("A.BIN", {1, 2});
  Execute(path, "100");
  Close();
  EXPECT_EQ(ReadProfile(), "[Config]\r\nPortNo=1\r\nRecentFiles=1\r\nRecentFile0=" + path +
                               "\r\nRecentAdrss=1\r\nRecentAdrs0=00000100\r\n");
}

TEST_F(SettingsTest, ListsAndPortComeBackInTheNextRun) {
  Start();
  dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, 2);
  console_->m_config.nBase = 0x320;
  std::string a = dir_.Write("a.bin", {1}), b = dir_.Write("b.bin", {2});
  Execute(a, "6004000");
  Execute(b, "6010000");
  Close();
  Restart();
  StartWithProfilePort();
  EXPECT_EQ(dlg_->m_nPort, 2);
  EXPECT_EQ(Text(IDC_PORT), "320");
  EXPECT_EQ(Items(IDC_FILE), (std::vector<std::string>{b, a}));
  EXPECT_EQ(Items(IDC_ADDRESS), (std::vector<std::string>{"06010000", "06004000"}));
  EXPECT_EQ(Text(IDC_FILE), b);
  EXPECT_EQ(Text(IDC_ADDRESS), "06010000");
}

TEST_F(SettingsTest, APortChosenWithoutATransferIsNotSaved) {
  WriteProfile("[Config]\r\nPortNo=2\r\n");
  StartWithProfilePort();
  EXPECT_EQ(Text(IDC_PORT), "320");
  dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, 3);
  Close();
  EXPECT_NE(ReadProfile().find("PortNo=2\r\n"), std::string::npos);
}

TEST_F(SettingsTest, NothingIsWrittenUnlessTheWindowClosesFromReady) {
  Start();
  Execute(dir_.Write("a.bin", {1}), "1");
  // OK (the base class's default) ends the dialog without saving.
  dlg_->PostMessage(WM_COMMAND, IDOK);
  while (headless::GetQueueLength()) theApp.PumpMessage();
  EXPECT_TRUE(headless::IsEnded(dlg_->m_hWnd));
  EXPECT_EQ(headless::GetResult(dlg_->m_hWnd), IDOK);
  EXPECT_FALSE(ProfileExists());
}

TEST_F(SettingsTest, AQuitDuringATransferEndsTheDialogWithoutWritingTheProfile) {
  console_ = nullptr;
  CSimConsole console(CSimConsole::DefaultConfig(0x310));
  console.m_config.nBusyPolls = 2;
  g_pPortIo = &console;
  std::string path = dir_.Write("q.bin", PatternBytes(40));
  console.SetObserver(
      [](CSimConsole*, int n, BYTE, void*) {
        if (n == 15) api::PostQuitMessage(0);
      },
      nullptr);
  struct Script {
    int step = 0;
    std::string path;
  } script{0, path};
  headless::SetIdleHook(
      [](void* p) {
        auto* s = static_cast<Script*>(p);
        if (s->step++ > 0) return;  // nothing more: the loop would end
        HWND h = theApp.m_pMainWnd->m_hWnd;
        api::SetWindowTextA(api::GetDlgItem(h, IDC_FILE), s->path.c_str());
        api::SetWindowTextA(api::GetDlgItem(h, IDC_ADDRESS), "100");
        headless::Click(h, IDC_EXECUTE);
      },
      &script);
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  dlg.DoModal();
  theApp.m_pMainWnd = nullptr;
  EXPECT_EQ(console.GetCompletedTransfers(), 1) << "the transfer ran on to its end";
  EXPECT_FALSE(ProfileExists());
  MSG msg;
  EXPECT_TRUE(api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT)
      << "the quit stays posted for the loops outside";
}

TEST_F(SettingsTest, HandEditedProfilesAreReadSafely) {
  std::string longValue(5000, 'x');
  std::string text = "; comment\nunknown line\n[Other]\nPortNo=3\nRecentFiles=1\n\n[config]\n  PortNo =  7 \r\n";
  text += "RecentFiles = 40\n";
  for (int i = 0; i < 40; ++i) text += "RecentFile" + std::to_string(i) + "=f" + std::to_string(i) + "\n";
  text += "RecentAdrss=-3\nRecentAdrs0=zz\nExtra=kept\nRecentFile0=" + longValue + "\n";
  WriteProfile(text);
  StartWithProfilePort();
  EXPECT_EQ(dlg_->m_nRecentFiles, 16) << "a count above 16 is limited";
  EXPECT_EQ(dlg_->m_nRecentAddresses, 0) << "a negative count is 0";
  EXPECT_EQ(std::string(dlg_->m_strRecentFile[0]), "f0") << "the first of two equal keys counts, as on Windows";
  EXPECT_EQ(std::string(dlg_->m_strRecentFile[15]), "f15");
  EXPECT_EQ(Items(IDC_FILE).size(), 16u);
  // A port outside 0..3 selects nothing, and Execute then refuses.
  EXPECT_EQ(dlg_->m_nPort, 7);
  EXPECT_EQ(Text(IDC_PORT), "");
  Execute(dir_.Write("a.bin", {1}), "1");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|No Port Selected|16"});

  // Saving keeps the other sections, comments and unknown keys.
  dlg_->m_strRecentFile[3] = longValue.c_str();
  Close();
  std::string saved = ReadProfile();
  for (const char* kept : {"; comment", "[Other]", "PortNo=3", "Extra=kept"})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept;
  EXPECT_NE(saved.find("RecentFile3=" + longValue + "\r\n"), std::string::npos) << "long values are written whole";
  EXPECT_NE(saved.find("RecentFiles=16\r\n"), std::string::npos);
  EXPECT_NE(saved.find("PortNo=-1\r\n"), std::string::npos) << "the -1 Execute read is what gets saved";

  Restart();
  Start();
  EXPECT_EQ(std::string(dlg_->m_strRecentFile[3]), longValue) << "values longer than 1000 characters come back whole";
}

TEST_F(SettingsTest, ANulByteEndsTheValueBeforeItsBlanksAreTrimmed) {
  // Found by fuzzing: "a \0b" read as "a " but, once saved, came back as "a".
  WriteProfile(std::string("[Config]\nRecentFiles=1\nRecentFile0=a ") + '\0' + "b\n");
  Start();
  EXPECT_EQ(std::string(dlg_->m_strRecentFile[0]), "a");
}

TEST_F(SettingsTest, AFailedSaveLeavesTheOldProfileWhole) {
  WriteProfile("[Config]\r\nPortNo=2\r\nRecentFiles=1\r\nRecentFile0=old.bin\r\n");
  std::string before = ReadProfile();
  Start();
  Execute(dir_.Write("new.bin", {1}), "1");
  // The temporary file cannot be created (a folder is in its way): the rename never happens.
  ASSERT_EQ(mkdir((Profile() + ".tmp").c_str(), 0755), 0);
  Close();
  EXPECT_EQ(ReadProfile(), before);
}

}  // namespace
