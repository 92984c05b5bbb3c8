// Whole transfers through Execute: the wire, the status line, the buffer, the handshake, the
// checksum's verdict and the registers used.
#include <algorithm>

#include "tests/TestSupport.h"

namespace {

const Bytes kSync = {'W', 'B', 'X'};
typedef std::pair<std::string, int> Status;
const std::string kReady = "Status:Ready", kInit = "Status:Init", kWaiting = "Status:Waiting for Saturn",
                  kSending = "Status:Sending data...", kChecksum = "Status:Checksum";

bool RecordAlloc(size_t n, bool bGrow, void* pContext) {
  if (!bGrow) static_cast<std::vector<size_t>*>(pContext)->push_back(n);
  return false;
}

class TransferTest : public DialogTest {};

// Every size the data phase treats apart, each with an address text as users type them (read as
// strtoul reads it, in 32 bits; the fuzzer compares the rest): the box then shows the address the
// transfer used.
TEST_F(TransferTest, SendsEachSizeAndAddressByteExactWithItsStatusSequence) {
  struct Case {
    size_t length;
    const char* typed;
    DWORD address;
    const char* shown;
  };
  const Case cases[] = {{0, "6004000", 0x6004000, "06004000"},
                        {3, " 0x1Fzz", 0x1F, "0000001f"},
                        {9, "zz", 0, "00000000"},
                        {10, "-1", 0xFFFFFFFF, "ffffffff"},
                        {19, "-100000000", 0xFFFFFFFF, "ffffffff"},  // beyond 32 bits, with or without a sign
                        {25, "-0x10", 0xFFFFFFF0, "fffffff0"},
                        {(1u << 20) + 7, "+0fffffff0", 0xFFFFFFF0, "fffffff0"}};
  for (const Case& c : cases) {
    size_t length = c.length;
    SCOPED_TRACE(length);
    Start();
    Bytes data = PatternBytes(length, static_cast<unsigned>(length));
    std::vector<size_t> allocs;  // HeapAlloc sizes, not the growth of the console's records
    posix::SetAllocHook(&RecordAlloc, &allocs);
    bool busySeen = false;
    AtWrite(20, [&] {
      ExpectBusy();
      busySeen = true;
    });

    Execute(dir_.Write("prog.bin", data), c.typed);

    posix::SetAllocHook(nullptr, nullptr);
    EXPECT_EQ(Wire(), ExpectedWire(kSync, c.address, data, ConsoleReplySum(data)));
    EXPECT_EQ(Text(IDC_ADDRESS), c.shown);
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(busySeen, length > 7);
    ExpectReady();

    std::vector<Status> expected = {{kInit, 10}, {kWaiting, 10}};
    if (length >= 10) {
      for (int k = 1; k <= 10; ++k) expected.push_back({kSending, 10 * k});
      expected.push_back({kSending, 100});
    }
    expected.insert(expected.end(), {{kChecksum, 95}, {kReady, 0}});
    EXPECT_EQ(statuses_, expected);

    // One data buffer of max(L/10, L mod 10) bytes (none for an empty file); nothing near L.
    size_t buffer = length < 10 ? length : std::max(length / 10, length % 10);
    EXPECT_EQ(std::count(allocs.begin(), allocs.end(), buffer), buffer ? 1 : 0);
    if (length > 1000) {
      for (size_t n : allocs) EXPECT_LT(n, length / 5);
    }
    Restart();
  }
}

TEST_F(TransferTest, HandshakeWaitsForReadyAndResyncsAfterARefusedBegin) {
  struct Case {
    const char* name;
    int readyAfter;
    BYTE notReadyReply;
    int badSync;
    Bytes handshake;
  };
  const Case cases[] = {
      {"late R", 3, 0x00, 0, {'W', 'W', 'W', 'W', 'B', 'X'}},
      {"W answered with W is not R", 2, 'W', 0, {'W', 'W', 'W', 'B', 'X'}},
      {"R then not W, twice", 0, 0x00, 2, {'W', 'B', 'W', 'B', 'W', 'B', 'X'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.nReadyAfterOffers = c.readyAfter;
    config.notReadyReply = c.notReadyReply;
    config.nBadSyncReplies = c.badSync;
    Start(config);
    Bytes data = {9, 8, 7, 6};
    Execute(dir_.Write("h.bin", data), "0");
    EXPECT_EQ(Wire(), ExpectedWire(c.handshake, 0, data, ConsoleReplySum(data)));
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    Restart();
  }
}

// The console answers the first checksum byte with its sum's bits 8-11 in bits 0-3; only those
// are compared. Its other reply bits, and its reply to the second byte, never matter.
TEST_F(TransferTest, ChecksumVerdictLooksAtBits8To11Only) {
  Bytes data = {0x5A, 0x5A, 0x02};  // replies are byte ^ 0xA5: 0xFF + 0xFF + 0xA7 = 0x2A5
  ASSERT_EQ(ConsoleReplySum(data), 0x2A5u);
  for (bool wrong : {false, true}) {
    SCOPED_TRACE(wrong ? "first reply 0xF3" : "first reply 0xF2, second 0x5A");
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.bNoisyChecksum = TRUE;
    config.bWrongChecksum = wrong;
    Start(config);
    Execute(dir_.Write("c.bin", data), "0");
    Bytes wire = Wire();
    EXPECT_EQ(Bytes(wire.end() - 2, wire.end()), (Bytes{0x02, 0xA5}));
    EXPECT_EQ(Boxes(), wrong ? std::vector<std::string>{"varnok_tests|Checksum Error|16"} : std::vector<std::string>{});
    EXPECT_EQ(busyAtBox_, wrong ? 1 : -1) << "the box is shown while the transfer still runs";
    ExpectReady();
    Restart();
  }
}

// Each port index reaches its own card (the simulated card ends the program on any access to
// another register), and a card that answers at once costs a write, a status read and a data read
// per byte: the status register is never written, and the message queue never looked at (a
// click waiting there stays there).
TEST_F(TransferTest, EachPortIndexUsesItsCardsTwoRegistersOnly) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x300 + 0x10 * index);
    config.bRecordAccesses = TRUE;
    Start(config);
    headless::Click(dlg_->m_hWnd, IDCANCEL);
    Execute(dir_.Write("p.bin", PatternBytes(12)), "1");
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    EXPECT_EQ(headless::GetQueueLength(), 1);
    EXPECT_EQ(dlg_->m_nPort, index);
    EXPECT_EQ(console_->GetAccesses().GetSize(), 3 * (12 + 13)) << "W B X, 8 header bytes, 12 data, 2 checksum";
    EXPECT_EQ(DataReads(), 12 + 13);
    Restart();
  }
}

}  // namespace
