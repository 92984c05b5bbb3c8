// The start address as typed: strtoul with base 16, in 32 bits.
#include <random>
#include <string>

#include "tests/AddressReference.h"
#include "tests/TestSupport.h"

namespace {

TEST(AddressParse, TheCasesUsersType) {
  struct Case {
    const char* text;
    DWORD value;
  };
  const Case cases[] = {
      {"1f", 0x1F},
      {"1F", 0x1F},
      {"0x1F", 0x1F},
      {"0X1f", 0x1F},
      {"zz", 0},
      {"1fzz", 0x1F},
      {"  1f", 0x1F},
      {"\t\n1f", 0x1F},
      {"   ", 0},
      {"", 0},
      {"-1", 0xFFFFFFFF},
      {"+6004000", 0x6004000},
      {"ffffffff", 0xFFFFFFFF},
      {"100000000", 0xFFFFFFFF},
      {"123456789abc", 0xFFFFFFFF},
      {"000000000000001f", 0x1F},
      {"-0x10", 0xFFFFFFF0},
      {"0x", 0},
      {"0xg", 0},
      {"-", 0},
      {"--1", 0},
      {"+-1", 0},
      {"- 1", 0},
      {"-100000000", 0xFFFFFFFF},
      {"-ffffffff", 1},
      {"0x0x1", 0},
      {"1 2", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexAddress(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ReferenceAddress(c.text), c.value) << "reference disagrees on \"" << c.text << '"';
  }
}

TEST(AddressParse, AgreesWithTheReferenceOnRandomTexts) {
  std::mt19937 rng(20261206);
  const std::string alphabet = "0123456789abcdefABCDEFxXgz+- \t";
  for (int i = 0; i < 200000; ++i) {
    std::string s;
    size_t n = rng() % 20;
    for (size_t k = 0; k < n; ++k) s += alphabet[rng() % alphabet.size()];
    ASSERT_EQ(ParseHexAddress(s.c_str()), ReferenceAddress(s)) << '"' << s << '"';
  }
}

class AddressBoxTest : public DialogTest {};

TEST_F(AddressBoxTest, ExecuteWritesTheNormalisedAddressBackAndSendsIt) {
  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {{"1f", "0000001f"},  {"0x1F", "0000001f"},      {"zz", "00000000"}, {"  1fzz", "0000001f"},
                        {"   ", "00000000"}, {"123456789", "ffffffff"}, {"-1", "ffffffff"}, {"6004000", "06004000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Start();
    Execute(dir_.Write("a.bin", {0xAA}), c.typed);
    EXPECT_EQ(Text(IDC_ADDRESS), c.shown);
    EXPECT_EQ(console_->GetAddress(), ParseHexAddress(c.shown));
    EXPECT_EQ(console_->GetCompletedTransfers(), 1);
    EXPECT_TRUE(Boxes().empty());
    Restart();
  }
}

}  // namespace
