// The recent file and address lists, and the combo boxes that show them.
#include "tests/TestSupport.h"

namespace {

class RecentListsTest : public DialogTest {
 protected:
  std::vector<std::string> Entries(const CString* entries, int count) {
    return std::vector<std::string>(entries, entries + count);
  }
  std::vector<std::string> Files() { return Entries(dlg_->m_strRecentFile, dlg_->m_nRecentFiles); }
  std::vector<std::string> Addresses() { return Entries(dlg_->m_strRecentAddress, dlg_->m_nRecentAddresses); }
  // Records as Execute does, with the box showing the item as the user left it.
  void Add(const std::string& file) {
    SetText(IDC_FILE, file);
    dlg_->AddRecentFile(file.c_str());
  }
};

TEST_F(RecentListsTest, AnItemAlreadyInTheListMovesToTheFrontWithItsOwnCase) {
  Start();
  for (const char* f : {"f5", "f4", "f3", "f2", "f1", "f0"}) Add(f);
  ASSERT_EQ(Files(), (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4", "f5"}));

  Add("F5");  // entry 5 but for case
  std::vector<std::string> expected = {"F5", "f0", "f1", "f2", "f3", "f4"};
  EXPECT_EQ(Files(), expected);
  EXPECT_EQ(Items(IDC_FILE), expected) << "the box's list is rebuilt in the same order";
  EXPECT_EQ(Text(IDC_FILE), "F5");

  Add("f5");  // entry 0 again, another case: order kept, the text replaced
  expected[0] = "f5";
  EXPECT_EQ(Files(), expected);
  EXPECT_EQ(Items(IDC_FILE), expected);
  EXPECT_EQ(Text(IDC_FILE), "f5");
}

TEST_F(RecentListsTest, TheSeventeenthItemPushesOutTheOldest) {
  Start();
  for (int i = 0; i < 17; ++i) Add("file" + std::to_string(i));
  ASSERT_EQ(dlg_->m_nRecentFiles, 16);
  EXPECT_EQ(Files().front(), "file16");
  EXPECT_EQ(Files().back(), "file1");
  EXPECT_EQ(Items(IDC_FILE), Files());
  Add("file5");  // found in a full list: moves, nothing dropped
  EXPECT_EQ(dlg_->m_nRecentFiles, 16);
  EXPECT_EQ(Files()[0], "file5");
  EXPECT_EQ(Files().back(), "file1");
  EXPECT_EQ(Items(IDC_FILE), Files());
}

TEST_F(RecentListsTest, AddressesThatNormaliseAlikeAreOneEntry) {
  Start();
  std::string path = dir_.Write("a.bin", {1});
  Execute(path, "1F");
  Execute(path, "1f");
  Execute(path, "0x1f");
  EXPECT_EQ(Addresses(), std::vector<std::string>{"0000001f"});
  EXPECT_EQ(Items(IDC_ADDRESS), Addresses());
  EXPECT_EQ(Files(), std::vector<std::string>{path});
}

}  // namespace
