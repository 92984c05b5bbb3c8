// The start address as typed: strtoul with base 16, in 32 bits.
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
      {"0x1F", 0x1F},
      {"zz", 0},
      {"1fzz", 0x1F},
      {"  1f", 0x1F},
      {"   ", 0},
      {"-1", 0xFFFFFFFF},
      {"+6004000", 0x6004000},
      {"ffffffff", 0xFFFFFFFF},
      {"100000000", 0xFFFFFFFF},
      {"000000000000001f", 0x1F},
      {"-0x10", 0xFFFFFFF0},
      {"0x", 0},
      {"-", 0},
      {"+-1", 0},
      {"-100000000", 0xFFFFFFFF},
      {"-ffffffff", 1},
      {"1 2", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexAddress(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ReferenceAddress(c.text), c.value) << "reference disagrees on \"" << c.text << '"';
  }
}

}  // namespace
