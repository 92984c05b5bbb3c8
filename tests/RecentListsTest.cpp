// The recent file and address lists, and the combo boxes that show them.
#include "tests/TestSupport.h"

namespace {

class RecentListsTest : public DialogTest {
 protected:
  std::vector<std::string> Files() {
    return std::vector<std::string>(dlg_->m_strRecentFile, dlg_->m_strRecentFile + dlg_->m_nRecentFiles);
  }
  // Records as Execute does, with the box showing the item as the user left it; the box's list
  // is then rebuilt in the list's order.
  void Add(const std::string& file) {
    SetText(IDC_FILE, file);
    dlg_->AddRecentFile(file.c_str());
    EXPECT_EQ(Items(IDC_FILE), Files());
    EXPECT_EQ(Text(IDC_FILE), file);
  }
};

// An item already in the list moves to the front with its own case; the seventeenth pushes out the oldest.
TEST_F(RecentListsTest, ItemsMoveToTheFrontAndTheSeventeenthPushesOutTheOldest) {
  Start();
  for (const char* f : {"f5", "f4", "f3", "f2", "f1", "f0"}) Add(f);
  ASSERT_EQ(Files(), (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4", "f5"}));
  Add("F5");  // entry 5 but for case
  EXPECT_EQ(Files(), (std::vector<std::string>{"F5", "f0", "f1", "f2", "f3", "f4"}));
  Add("f5");  // entry 0 again, another case: order kept, the text replaced
  EXPECT_EQ(Files(), (std::vector<std::string>{"f5", "f0", "f1", "f2", "f3", "f4"}));
  for (int i = 0; i < 17; ++i) Add("file" + std::to_string(i));
  ASSERT_EQ(dlg_->m_nRecentFiles, 16);
  EXPECT_EQ(Files().front() + " " + Files().back(), "file16 file1");
  Add("file5");  // found in a full list: moves, nothing dropped
  EXPECT_EQ(dlg_->m_nRecentFiles, 16);
  EXPECT_EQ(Files().front() + " " + Files().back(), "file5 file1");
}

TEST_F(RecentListsTest, AddressesThatNormaliseAlikeAreOneEntry) {
  Start();
  std::string path = dir_.Write("a.bin", {1});
  for (const char* typed : {"1F", "1f", "0x1f"}) Execute(path, typed);
  EXPECT_EQ(Items(IDC_ADDRESS), std::vector<std::string>{"0000001f"});
  EXPECT_EQ(dlg_->m_nRecentAddresses, 1);
  EXPECT_EQ(Files(), std::vector<std::string>{path});
}

}  // namespace
