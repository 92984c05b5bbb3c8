// Whole transfers through Execute: the wire, the status line, the buffer, the handshake.
#include <algorithm>

#include "tests/TestSupport.h"

namespace {

const Bytes kSync = {'W', 'B', 'X'};
typedef std::pair<std::string, int> Status;
const std::string kReady = "Status:Ready", kInit = "Status:Init", kWaiting = "Status:Waiting for Saturn",
                  kSending = "Status:Sending data...", kChecksum = "Status:Checksum";

struct Sizes {
  std::vector<size_t> allocs;  // HeapAlloc sizes (not growth of the console's own records)
};
bool RecordAlloc(size_t n, bool bGrow, void* pContext) {
  if (!bGrow) static_cast<Sizes*>(pContext)->allocs.push_back(n);
  return false;
}

class TransferTest : public DialogTest {};

TEST_F(TransferTest, SendsEveryFileSizeByteExactWithItsStatusSequence) {
  for (size_t length : {0u, 3u, 9u, 10u, 19u, 25u, (1u << 20) + 7u}) {
    SCOPED_TRACE(length);
    Start();
    Bytes data = PatternBytes(length, static_cast<unsigned>(length));
    std::string path = dir_.Write("prog.bin", data);
    Sizes sizes;
    posix::SetAllocHook(&RecordAlloc, &sizes);

    Execute(path, "6004000");

    posix::SetAllocHook(nullptr, nullptr);
    EXPECT_EQ(Wire(), ExpectedWire(kSync, 0x06004000, data, ConsoleReplySum(data)));
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Text(IDC_ADDRESS), "06004000");
    ExpectReady();

    std::vector<Status> expected = {{kInit, 10}, {kWaiting, 10}};
    if (length >= 10) {
      for (int k = 1; k <= 10; ++k) expected.push_back({kSending, 10 * k});
      expected.push_back({kSending, 100});
    }
    expected.push_back({kChecksum, 95});
    expected.push_back({kReady, 0});
    EXPECT_EQ(statuses_, expected);

    // One data buffer of max(L/10, L mod 10) bytes (none for an empty file); nothing near L.
    size_t buffer = length < 10 ? length : std::max(length / 10, length % 10);
    if (buffer) {
      EXPECT_EQ(std::count(sizes.allocs.begin(), sizes.allocs.end(), buffer), 1);
    }
    if (length > 1000) {
      for (size_t n : sizes.allocs) EXPECT_LT(n, length / 5);
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

TEST_F(TransferTest, ChecksumComparesOnlyBits8To11OfTheSum) {
  // Replies are byte ^ 0xA5: 0xFF + 0xFF + 0xA7 = 0x2A5.
  Bytes data = {0x5A, 0x5A, 0x02};
  ASSERT_EQ(ConsoleReplySum(data), 0x2A5u);

  Start();
  Execute(dir_.Write("c.bin", data), "0");
  EXPECT_TRUE(Boxes().empty()) << "reply 0x02 matches bits 8-11 of 0x2A5";
  Bytes wire = Wire();
  EXPECT_EQ(Bytes(wire.end() - 2, wire.end()), (Bytes{0x02, 0xA5}));

  Restart();
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.bWrongChecksum = TRUE;  // answers 0x03
  Start(config);
  int busyWhenShown = -1;
  std::pair<CUploadDlg*, int*> ctx(dlg_, &busyWhenShown);
  headless::SetMessageBoxHook(
      [](const HEADLESS_MESSAGEBOX&, void* p) {
        auto* c = static_cast<std::pair<CUploadDlg*, int*>*>(p);
        *c->second = c->first->m_bBusy;
      },
      &ctx);
  Execute(dir_.Write("c.bin", data), "0");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|Checksum Error|16"});
  EXPECT_EQ(busyWhenShown, 1);
  ExpectReady();
}

TEST_F(TransferTest, PortIndexChoosesTheCardRegisters) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    UINT base = 0x300 + 0x10 * index;
    CSimConsole::Config config = CSimConsole::DefaultConfig(base);
    config.bRecordAccesses = TRUE;
    config.nBusyPolls = 1;
    Start(config);
    Execute(dir_.Write("p.bin", {1, 2}), "1");
    EXPECT_EQ(g_nDataPort, static_cast<int>(base));
    EXPECT_EQ(g_nStatusPort, static_cast<int>(base + 2));
    EXPECT_EQ(dlg_->m_nPort, index);
    const CSimpleArray<DWORD>& acc = console_->GetAccesses();
    ASSERT_GT(acc.GetSize(), 0);
    for (int i = 0; i < acc.GetSize(); ++i) {
      UINT port = acc[i] >> 16;
      bool write = acc[i] & CSimConsole::kWrite;
      EXPECT_TRUE(port == base || (port == base + 2 && !write)) << std::hex << port;
    }
    Restart();
  }
}

TEST_F(TransferTest, ACardThatAnswersAtOnceCostsThreeAccessesPerByte) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x320);
  config.bRecordAccesses = TRUE;
  Start(config);
  Bytes data = PatternBytes(37);
  Execute(dir_.Write("f.bin", data), "2");
  const CSimpleArray<DWORD>& acc = console_->GetAccesses();
  size_t exchanges = data.size() + 13;  // W B X, 8 header bytes, 2 checksum bytes
  ASSERT_EQ(static_cast<size_t>(acc.GetSize()), 3 * exchanges);
  for (size_t i = 0; i < exchanges; ++i) {
    EXPECT_EQ(acc[3 * i] >> 16, 0x320u);
    EXPECT_TRUE(acc[3 * i] & CSimConsole::kWrite);
    EXPECT_EQ(acc[3 * i + 1] >> 16, 0x322u);
    EXPECT_EQ(acc[3 * i + 2] >> 16, 0x320u);
    EXPECT_FALSE(acc[3 * i + 2] & CSimConsole::kWrite);
  }
}

TEST_F(TransferTest, BusyStateDuringTheTransferReadyAfter) {
  CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
  config.nBusyPolls = 2;
  Start(config);
  std::string path = dir_.Write("busy.bin", PatternBytes(40));
  bool checked = false;
  AtWrite(20, [&] {
    ExpectBusy();
    EXPECT_EQ(Text(IDC_STATUS), kSending);
    checked = true;
  });
  Execute(path, "0");
  EXPECT_TRUE(checked);
  EXPECT_EQ(dlg_->m_strFile, path.c_str());
  ExpectReady();
}

}  // namespace
