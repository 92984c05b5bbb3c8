// The "Config" section of the profile: what is read at start, written at close, and kept.
#include <signal.h>
#include <sys/resource.h>

#include "tests/TestSupport.h"

namespace {

class SettingsTest : public DialogTest {
 protected:
  // The cancel command while Ready: saves and ends.
  void Close() {
    headless::Click(dlg_->m_hWnd, IDCANCEL);
    PumpAll();
    ASSERT_TRUE(headless::IsEnded(dlg_->m_hWnd));
  }
};

// Written when the window closes, exactly the section; the next run shows it as it was saved,
// and saves the port Execute last read.
TEST_F(SettingsTest, TheSectionWrittenAtCloseComesBackInTheNextRun) {
  EXPECT_EQ(Profile(), dir_.path() + "/config/varnok/varnok_tests.INI") << "in the user's configuration folder";
  Start(CSimConsole::DefaultConfig(0x320));
  std::string a = dir_.Write("a.bin", {1}), b = dir_.Write("B.BIN", {2});
  Execute(a, "6004000");
  Execute(b, "100");
  EXPECT_FALSE(ProfileExists()) << "written when the window closes, not before";
  Close();
  EXPECT_EQ(ReadProfile(), "[Config]\r\nPortNo=2\r\nRecentFiles=2\r\nRecentFile0=" + b + "\r\nRecentFile1=" + a +
                               "\r\nRecentAdrss=2\r\nRecentAdrs0=00000100\r\nRecentAdrs1=06004000\r\n");
  Restart();
  StartWithProfilePort();
  EXPECT_EQ(Text(IDC_PORT), "320");
  EXPECT_EQ(Items(IDC_FILE), (std::vector<std::string>{b, a}));
  EXPECT_EQ(Items(IDC_ADDRESS), (std::vector<std::string>{"00000100", "06004000"}));
  EXPECT_EQ(Text(IDC_FILE), b);
  EXPECT_EQ(Text(IDC_ADDRESS), "00000100");
  // The port saved is the one Execute last read, not the box's selection.
  dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, 3);
  Close();
  EXPECT_NE(ReadProfile().find("PortNo=2\r\n"), std::string::npos);
}

TEST_F(SettingsTest, HandEditedProfilesAreReadSafelyAndKeptOnSave) {
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
  EXPECT_EQ(Text(IDC_PORT), "");
  Execute(dir_.Write("a.bin", {1}), "1");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|No Port Selected|16"});

  // Saving keeps the other sections, comments, unknown keys and the entries beyond the count.
  dlg_->m_strRecentFile[3] = longValue.c_str();
  Close();
  std::string saved = ReadProfile();
  for (const char* kept :
       {"; comment", "[Other]", "PortNo=3", "Extra=kept", "RecentFile16=f16", "RecentFile39=f39", "RecentAdrs0=zz"})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept;
  EXPECT_NE(saved.find("RecentFile3=" + longValue + "\r\n"), std::string::npos) << "long values are written whole";
  EXPECT_NE(saved.find("RecentFiles=16\r\n"), std::string::npos);
  EXPECT_NE(saved.find("PortNo=-1\r\n"), std::string::npos) << "the -1 Execute read is what gets saved";

  Restart();
  Start();
  EXPECT_EQ(std::string(dlg_->m_strRecentFile[3]), longValue) << "values longer than 1000 characters come back whole";
}

// The reader trims the blanks around a value and takes one pair of quotes off, as on Windows;
// a value those would change (a file name may begin or end with a blank) is written so that
// it still comes back exactly.
TEST_F(SettingsTest, ValuesWithBlanksOrQuotesAtTheirEndsComeBackExactly) {
  WriteProfile(
      "[Config]\nRecentFiles=8\nRecentFile0=  \" a \"  \nRecentFile1=\"\"a\"\"\nRecentFile2='b'\n"
      "RecentFile3=\"c\nRecentFile4=d\"\nRecentFile5=\"e'\nRecentFile6=\"\nRecentFile7= f g \n");
  StartWithProfilePort();
  const std::vector<std::string> read = {" a ", "\"a\"", "b", "\"c", "d\"", "\"e'", "\"", "f g"};
  EXPECT_EQ(Items(IDC_FILE), read);
  Restart();

  const std::vector<std::string> values = {" a",  "a ", "\tb\t", " ",     "\"a",       "a\"",     "\"\"",  " \"x\" ",
                                           "'y'", "'",  "\"",    "plain", "c \"d\" e", "\"'z'\"", "f=g;h", ""};
  Start();
  dlg_->m_nRecentFiles = static_cast<int>(values.size());
  for (size_t i = 0; i < values.size(); ++i) dlg_->m_strRecentFile[i] = values[i].c_str();
  Close();
  std::string saved = ReadProfile();
  // In quotes only when it needs them.
  for (const char* line : {"RecentFile0=\" a\"\r\n", "RecentFile4=\"a\r\n", "RecentFile6=\"\"\"\"\r\n",
                           "RecentFile11=plain\r\n", "RecentFile15=\r\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
  Restart();
  Start();
  ASSERT_EQ(dlg_->m_nRecentFiles, static_cast<int>(values.size()));
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(std::string(dlg_->m_strRecentFile[i]), values[i]) << "RecentFile" << i;

  // A line holds no line break: such a value is not written, and cannot add lines of its own.
  dlg_->m_strRecentFile[0] = "x\n[Other]\nPortNo=3";
  Close();
  saved = ReadProfile();
  EXPECT_EQ(saved.find("[Other]"), std::string::npos) << saved;
  EXPECT_NE(saved.find("RecentFile0=\" a\"\r\n"), std::string::npos) << "the value it held is kept\n" << saved;
}

// A profile that cannot be written whole (the disk full) leaves the old one as it was.
TEST_F(SettingsTest, AFullDiskLeavesTheOldProfileWhole) {
  std::string before = "[Config]\r\nPortNo=2\r\nRecentFiles=1\r\nRecentFile0=old.bin\r\n";
  WriteProfile(before);
  StartWithProfilePort();
  Execute(dir_.Write(std::string(300, 'n') + ".bin", {1}), "1");
  // Files may grow to 64 bytes from here (the soft limit only, to raise it again afterwards).
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = {64, old.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  Close();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(ReadProfile(), before);
}

}  // namespace
