// Faults injected at every phase boundary and at a broad sample of byte positions. Whatever
// happens, the window ends Ready with the file closed and nothing leaked; what reached the card
// is always a prefix of the right wire, never a stale or invented byte.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "tests/TestSupport.h"

namespace {

class FaultInjectionTest : public DialogTest {
 protected:
  bool IsPrefix(const Bytes& wire, const Bytes& full) {
    return wire.size() <= full.size() && std::equal(wire.begin(), wire.end(), full.begin());
  }
  void ExpectCleanEnd() {
    ExpectReady();
    EXPECT_EQ(posix::GetOpenFileCount(), 0);
    EXPECT_EQ(headless::GetQueueLength(), 0);
  }
};

// 3 handshake + 8 header + 25 data + 2 checksum bytes: Stop during the wait of every one of
// them, with a card that is only slow, and with one that stops answering at that byte.
TEST_F(FaultInjectionTest, StopAtEveryByteEndsReadyWithAPrefixOfTheWire) {
  Bytes data = PatternBytes(25, 7);
  Bytes full = ExpectedWire({'W', 'B', 'X'}, 0x6004000, data, ConsoleReplySum(data));
  for (bool silent : {false, true}) {
    for (size_t at = 0; at < full.size(); ++at) {
      SCOPED_TRACE(std::to_string(at) + (silent ? " silent" : " slow"));
      StartBusy(1);
      AtWrite(static_cast<int>(at), [&] {
        if (silent) console_->m_config.bStuckBusy = TRUE;  // from this byte on, bit 0 never clears
        headless::Click(dlg_->m_hWnd, IDCANCEL);
      });
      Execute(dir_.Write("f.bin", data), "6004000");
      EXPECT_TRUE(IsPrefix(Wire(), full));
      EXPECT_GT(Wire().size(), at);
      // Only a Stop during the last byte's wait comes after the byte is written.
      EXPECT_EQ(console_->GetCompletedTransfers(), at + 1 == full.size() ? 1 : 0);
      EXPECT_TRUE(Boxes().empty());
      ExpectCleanEnd();
      Restart();
    }
  }
}

TEST_F(FaultInjectionTest, AQuitAtAnyWaitLetsTheTransferRunOnToItsEnd) {
  Bytes data = PatternBytes(25, 8);
  Bytes full = ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data));
  for (size_t at = 0; at < full.size(); at += 3) {
    SCOPED_TRACE(at);
    StartBusy(1);
    AtWrite(static_cast<int>(at), [&] { api::PostQuitMessage(0); });
    Execute(dir_.Write("q.bin", data), "0");
    EXPECT_EQ(Wire(), full);
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    ExpectReady();
    MSG msg;
    EXPECT_TRUE(api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT);
    Restart();
  }
}

struct ReadFault {
  int failCall;
  bool shortRead;  // half the bytes instead of an error
  int calls = 0;
};
bool FaultyRead(HANDLE h, void* buffer, DWORD n, DWORD* pRead, BOOL* pResult, void* context) {
  ReadFault* f = static_cast<ReadFault*>(context);
  if (++f->calls != f->failCall) return false;
  *pRead = 0;
  *pResult = FALSE;
  if (f->shortRead) *pResult = api::ReadFile(h, buffer, n / 2, pRead, nullptr);
  return true;
}

// A 1000-byte file is read in ten slices and a remainder: fail each read, as an error or short.
TEST_F(FaultInjectionTest, EveryFailedReadSendsNothingOfItAndSaysSo) {
  Bytes data = PatternBytes(1005, 9);
  Bytes full = ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data));
  for (bool shortRead : {false, true}) {
    for (int call = 1; call <= 11; ++call) {
      SCOPED_TRACE(std::to_string(call) + (shortRead ? " short" : " error"));
      Start();
      ReadFault fault{call, shortRead};
      posix::SetReadHook(&FaultyRead, &fault);
      Execute(dir_.Write("r.bin", data), "0");
      posix::SetReadHook(nullptr, nullptr);
      EXPECT_EQ(Wire(), Bytes(full.begin(), full.begin() + 11 + 100 * (call - 1)));
      EXPECT_EQ(Boxes(), std::vector<std::string>{"varnok_tests|Read Error|16"});
      ExpectCleanEnd();
      Restart();
    }
  }
}

// A console that answers offers with anything but 'R' and refuses 'B' with garbage: the PC keeps
// to its handshake (only 'W', 'B' after an 'R', 'X' after a 'W' to 'B') and syncs in the end.
TEST_F(FaultInjectionTest, GarbageInTheHandshake) {
  std::mt19937 rng(1206);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.nReadyAfterOffers = static_cast<int>(rng() % 20);
    config.notReadyReply = static_cast<BYTE>(rng() % 256);
    if (config.notReadyReply == 'R') config.notReadyReply = 'W';
    config.nBadSyncReplies = static_cast<int>(rng() % 4);
    Start(config);
    Bytes data = PatternBytes(12, round);
    Execute(dir_.Write("g.bin", data), "0");
    Bytes wire = Wire();
    ASSERT_GT(wire.size(), 22u);
    Bytes handshake(wire.begin(), wire.end() - (8 + 12 + 2));
    Bytes expected;
    for (int bad = 0; bad <= config.nBadSyncReplies; ++bad) {
      int offers = bad == 0 ? config.nReadyAfterOffers + 1 : 1;
      expected.insert(expected.end(), offers, 'W');
      expected.push_back('B');
    }
    expected.push_back('X');
    EXPECT_EQ(handshake, expected);
    EXPECT_EQ(console_->GetMatchedChecksums(), 1);
    Restart();
  }
}

// A profile that cannot be written whole (the disk full) leaves the old one as it was.
TEST_F(FaultInjectionTest, AFullDiskLeavesTheOldProfileWhole) {
  std::string profile = std::string(theApp.m_pszProfileName);
  mkdir((dir_.path() + "/config").c_str(), 0755);
  mkdir((dir_.path() + "/config/varnok").c_str(), 0755);
  std::string before = "[Config]\r\nPortNo=2\r\nRecentFiles=1\r\nRecentFile0=old.bin\r\n";
  std::ofstream(profile, std::ios::binary) << before;
  StartWithProfilePort();
  Execute(dir_.Write(std::string(300, 'n') + ".bin", {1}), "1");
  // Files may grow to 64 bytes from here: the new profile does not fit.
  // Only the soft limit, so that it can be raised again afterwards.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = {64, old.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  headless::Click(dlg_->m_hWnd, IDCANCEL);
  while (headless::GetQueueLength()) theApp.PumpMessage();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  std::ifstream f(profile, std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, before);
}

}  // namespace
