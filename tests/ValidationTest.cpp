// Execute's refusals, in their order, and the data phase's failures: each says what went wrong,
// closes the file, touches no port it should not, and leaves the window Ready.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "tests/TestSupport.h"

namespace {

std::string Box(const char* text) { return std::string("varnok_tests|") + text + "|16"; }

class ValidationTest : public DialogTest {
 protected:
  // Nothing reached the card and nothing was recorded.
  void ExpectUntouched() {
    EXPECT_EQ(console_->GetWriteCount(), 0);
    EXPECT_EQ(console_->GetAccesses().GetSize(), 0);
    EXPECT_EQ(dlg_->m_nRecentFiles, 0);
    EXPECT_EQ(dlg_->m_nRecentAddresses, 0);
    EXPECT_TRUE(Items(IDC_FILE).empty());
    EXPECT_EQ(posix::GetOpenFileCount(), 0);
    ExpectReady();
  }
  void StartRecording() {
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.bRecordAccesses = TRUE;
    Start(config);
  }
};

TEST_F(ValidationTest, InputRefusalsInTheirOrder) {
  std::string good = dir_.Write("good.bin", {1, 2, 3});
  struct Case {
    const char* name;
    std::string file, address;
    const char* message;
    bool fileSet;  // m_strFile took the path
  };
  const Case cases[] = {
      {"empty file box, empty address", "", "", "No File Selected", false},
      {"empty file box", "", "100", "No File Selected", false},
      {"missing file, empty address", dir_.path() + "/missing.bin", "", "Open Error", false},
      {"blanks are a path, not an empty box", "   ", "100", "Open Error", false},
      {"a folder", dir_.path(), "100", "Open Error", false},
      {"empty address", good, "", "No Start Address", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartRecording();
    Execute(c.file, c.address);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Box(c.message)});
    EXPECT_EQ(std::string(dlg_->m_strFile), c.fileSet ? c.file : "");
    ExpectUntouched();
    Restart();
  }
}

TEST_F(ValidationTest, AFileAnotherOpenHoldsCannotBeOpened) {
  std::string path = dir_.Write("held.bin", {1, 2, 3});
  for (int lock : {LOCK_EX, LOCK_SH}) {
    StartRecording();
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(flock(fd, lock), 0);
    Execute(path, "100");
    close(fd);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Box("Open Error")});
    ExpectUntouched();
    Restart();
  }
}

TEST_F(ValidationTest, NoPortSelectedIsRefusedBeforeAnyPortIsTouched) {
  StartRecording();
  dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(-1));
  Execute(dir_.Write("p.bin", {1}), "1f");
  EXPECT_EQ(Boxes(), std::vector<std::string>{Box("No Port Selected")});
  EXPECT_EQ(dlg_->m_nPort, -1);
  EXPECT_EQ(g_nDataPort, 0x2F0) << "the registers are computed as always, then not used";
  EXPECT_EQ(g_nStatusPort, 0x2F2);
  EXPECT_EQ(Text(IDC_ADDRESS), "0000001f");
  ExpectUntouched();
}

TEST_F(ValidationTest, AFileOf4GiBOrMoreIsRefused) {
  StartRecording();
  std::string path = dir_.path() + "/huge.bin";
  int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 0x100000000LL), 0);  // sparse: takes no disk
  close(fd);
  Execute(path, "0");
  EXPECT_EQ(Boxes(), std::vector<std::string>{Box("File Too Large")});
  ExpectUntouched();
}

// ---- the data phase ----

struct ReadFault {
  int failCall;  // the ReadFile call (from 1) that fails
  int calls = 0;
};
bool FailingRead(HANDLE, void*, DWORD, DWORD* pnRead, BOOL* pbResult, void* pContext) {
  ReadFault* f = static_cast<ReadFault*>(pContext);
  if (++f->calls != f->failCall) return false;
  *pnRead = 0;
  *pbResult = FALSE;
  return true;
}

class DataFailureTest : public ValidationTest {
 protected:
  int busyAtBox_ = -1;
  void WatchBusyAtBox() {
    headless::SetMessageBoxHook(
        [](const HEADLESS_MESSAGEBOX&, void* p) {
          auto* self = static_cast<DataFailureTest*>(p);
          self->busyAtBox_ = self->dlg_->m_bBusy;
        },
        this);
  }
};

TEST_F(DataFailureTest, AReadErrorSendsNothingOfThatReadAndSkipsTheChecksum) {
  Start();
  WatchBusyAtBox();
  Bytes data = PatternBytes(30);
  ReadFault fault{3};  // slice 3
  posix::SetReadHook(&FailingRead, &fault);
  Execute(dir_.Write("r.bin", data), "0");
  Bytes expected = ExpectedWire({'W', 'B', 'X'}, 0, data, 0);
  expected.resize(3 + 8 + 6);  // two slices of 3 bytes, nothing more
  EXPECT_EQ(Wire(), expected);
  EXPECT_EQ(Boxes(), std::vector<std::string>{Box("Read Error")});
  EXPECT_EQ(busyAtBox_, 1) << "shown while the transfer still runs, as the checksum error is";
  ExpectReady();
}

TEST_F(DataFailureTest, AFileThatShrinksDuringTheTransferIsAReadError) {
  for (size_t length : {5u, 40u}) {
    SCOPED_TRACE(length);
    Start();
    Bytes data = PatternBytes(length);
    std::string path = dir_.Write("shrink.bin", data);
    // Another program cuts the file to 2 bytes while the header goes out.
    AtWrite(6, [&] { ASSERT_EQ(truncate(path.c_str(), 2), 0); });
    Execute(path, "0");
    EXPECT_EQ(Wire().size(), 3u + 8u) << "no byte of a short read goes out";
    EXPECT_EQ(Boxes(), std::vector<std::string>{Box("Read Error")});
    EXPECT_EQ(console_->GetCompletedTransfers(), 0);
    ExpectReady();
    Restart();
  }
}

TEST_F(DataFailureTest, ABufferThatCannotBeHadIsReportedAndNothingIsSent) {
  Start();
  WatchBusyAtBox();
  posix::SetAllocHook([](size_t, bool bGrow, void*) { return !bGrow; }, nullptr);
  Execute(dir_.Write("m.bin", PatternBytes(100)), "0");
  posix::SetAllocHook(nullptr, nullptr);
  EXPECT_EQ(Wire().size(), 3u + 8u);
  EXPECT_EQ(Boxes(), std::vector<std::string>{Box("Not Enough Memory")});
  EXPECT_EQ(busyAtBox_, 1);
  ExpectReady();
}

TEST_F(DataFailureTest, AnEmptyFileNeedsNoBuffer) {
  Start();
  posix::SetAllocHook([](size_t, bool bGrow, void*) { return !bGrow; }, nullptr);
  Execute(dir_.Write("e.bin", {}), "0");
  posix::SetAllocHook(nullptr, nullptr);
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0, {}, 0));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(console_->GetMatchedChecksums(), 1);
}

TEST_F(DataFailureTest, TheNextTransferAfterAFailureWorks) {
  Start();
  ReadFault fault{1};
  posix::SetReadHook(&FailingRead, &fault);
  Bytes data = PatternBytes(12);
  std::string path = dir_.Write("n.bin", data);
  Execute(path, "0");
  posix::SetReadHook(nullptr, nullptr);
  wire_.clear();
  headless::ClearMessageBoxes();
  console_->Reset();  // the console still waits for the broken transfer's data: the user resets it
  Execute(path, "0");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(console_->GetMatchedChecksums(), 1);
  EXPECT_EQ(Wire(), ExpectedWire({'W', 'B', 'X'}, 0, data, ConsoleReplySum(data)));
}

}  // namespace
