// Execute's refusals, in their order, and the data phase's failures: each says what went wrong,
// closes the file, touches no port and records nothing, and leaves the window Ready.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "tests/TestSupport.h"

namespace {

std::vector<std::string> Box(const char* text) { return {std::string("varnok_tests|") + text + "|16"}; }

class ValidationTest : public DialogTest {
 protected:
  // A file of the given length that takes no disk.
  std::string Sparse(const char* name, off_t length) {
    std::string path = dir_.Write(name, {});
    EXPECT_EQ(truncate(path.c_str(), length), 0);
    return path;
  }
};

TEST_F(ValidationTest, RefusalsInTheirOrderLeaveEverythingUntouched) {
  std::string good = dir_.Write("good.bin", {1, 2, 3});
  std::string huge = Sparse("huge.bin", 0x100000000LL);
  struct Case {
    const char* name;
    std::string file, address;
    int port;     // Port box selection
    int lock;     // another program holds the file: flock mode, or 0
    bool access;  // the system gives a way to the ports
    const char* message;
  };
  const Case cases[] = {
      {"empty file box, empty address", "", "", 1, 0, true, "No File Selected"},
      {"empty file box", "", "100", -1, 0, false, "No File Selected"},
      {"missing file, empty address", dir_.path() + "/missing.bin", "", 1, 0, true, "Open Error"},
      {"blanks are a path, not an empty box", "   ", "100", 1, 0, true, "Open Error"},
      {"a folder", dir_.path(), "100", 1, 0, true, "Open Error"},
      {"held exclusively", good, "100", 1, LOCK_EX, true, "Open Error"},
      {"held for reading: no sharing either", good, "100", 1, LOCK_SH, true, "Open Error"},
      {"empty address", good, "", -1, 0, false, "No Start Address"},
      {"no port selected comes before the length", huge, "6004000", -1, 0, false, "No Port Selected"},
      {"4 GiB does not fit the header", huge, "6004000", 1, 0, false, "File Too Large"},
      {"no way to the ports", good, "6004000", 1, 0, false, "Port Access Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.bRecordAccesses = TRUE;
    Start(config);
    if (!c.access) g_pPortIo = nullptr;
    dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(c.port));
    int fd = c.lock ? open(c.file.c_str(), O_RDONLY) : -1;
    ASSERT_TRUE(!c.lock || flock(fd, c.lock) == 0);
    Execute(c.file, c.address);
    if (fd >= 0) close(fd);
    EXPECT_EQ(Boxes(), Box(c.message));
    EXPECT_EQ(console_->GetAccesses().GetSize(), 0);
    EXPECT_EQ(dlg_->m_nRecentFiles, 0);
    EXPECT_EQ(dlg_->m_nRecentAddresses, 0);
    EXPECT_TRUE(Items(IDC_FILE).empty());
    ExpectReady();
    Restart();
  }
}

// The largest length the header can carry is sent, not refused.
TEST_F(ValidationTest, AFileOf4GiBLessOneByteIsSent) {
  Start();
  AtWrite(10, [&] { headless::Click(dlg_->m_hWnd, IDCANCEL); });  // the header's last byte
  console_->m_config.nBusyPolls = 1;
  Execute(Sparse("max.bin", 0xFFFFFFFFLL), "0");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(console_->GetLength(), 0xFFFFFFFFu);
}

// ---- the data phase ----

struct ReadFault {
  int failCall;    // the ReadFile call (from 1) that fails
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

// A 1005-byte file is read in ten slices of 100 and a remainder of 5, a 5-byte file at once:
// fail each read, as an error or short. No byte of that read goes out, no checksum follows.
TEST_F(ValidationTest, AFailedReadSendsNothingOfItAndSaysSo) {
  for (size_t length : {5u, 1005u}) {
    Bytes data = PatternBytes(length, 9);
    Bytes full = ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data));
    for (bool shortRead : {false, true}) {
      for (int call = 1; call <= (length < 10 ? 1 : 11); ++call) {
        SCOPED_TRACE(std::to_string(length) + " bytes, read " + std::to_string(call) + (shortRead ? " short" : ""));
        Start();
        ReadFault fault{call, shortRead};
        posix::SetReadHook(&FaultyRead, &fault);
        Execute(dir_.Write("r.bin", data), "0");
        posix::SetReadHook(nullptr, nullptr);
        EXPECT_EQ(Wire(), Bytes(full.begin(), full.begin() + 11 + 100 * (call - 1)));
        EXPECT_EQ(Boxes(), Box("Read Error"));
        EXPECT_EQ(busyAtBox_, 1) << "shown while the transfer still runs, as the checksum error is";
        ExpectReady();
        Restart();
      }
    }
  }
}

// (An empty file needs no buffer: the transfer tests see that no allocation of 0 bytes is made.)
TEST_F(ValidationTest, ABufferThatCannotBeHadIsReported) {
  Start();
  posix::SetAllocHook([](size_t, bool bGrow, void*) { return !bGrow; }, nullptr);
  Execute(dir_.Write("m.bin", PatternBytes(100)), "0");
  posix::SetAllocHook(nullptr, nullptr);
  EXPECT_EQ(Wire().size(), 3u + 8u);
  EXPECT_EQ(Boxes(), Box("Not Enough Memory"));
  EXPECT_EQ(busyAtBox_, 1);
  ExpectReady();
}

}  // namespace
