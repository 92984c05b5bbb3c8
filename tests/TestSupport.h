// TestSupport.h - the main dialog on the headless back end, wired to a simulated console.
#ifndef VARNOK_TESTS_TESTSUPPORT_H
#define VARNOK_TESTS_TESTSUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/UploaderApp.h"
#include "framework/headless/Headless.h"
#include "framework/posix/PosixSystem.h"
#include "portio/sim/SimConsole.h"
#include "ui/UploadDlg.h"

typedef std::vector<unsigned char> Bytes;

// A fresh folder for the test's files and profile; removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const Bytes& data) const;

 private:
  std::string path_;
};

Bytes PatternBytes(size_t n, unsigned seed = 1);

// The wire a transfer puts on the data register, as the console would see it.
Bytes ExpectedWire(const Bytes& handshake, unsigned address, const Bytes& data, unsigned replySum);
// What the simulated console answers for these data bytes, added up.
unsigned ConsoleReplySum(const Bytes& data);

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the console and the dialog, and selects the console's port in the Port box (unless
  // the test wants the port the profile gave).
  void Start(const CSimConsole::Config& config, bool selectPort = true);
  void Start() { Start(CSimConsole::DefaultConfig(0x310)); }
  void StartWithProfilePort() { Start(CSimConsole::DefaultConfig(0x310), false); }
  // A card at 310 that stays busy for some polls after every byte, so that every wait pumps.
  void StartBusy(int nPolls = 3) {
    CSimConsole::Config config = CSimConsole::DefaultConfig(0x310);
    config.nBusyPolls = nPolls;
    Start(config);
  }

  // Only the console: for a test that runs the dialog's own modal loop.
  void StartConsole(const CSimConsole::Config& config);

  // A new dialog and console within the same test (one case of a table).
  void Restart() {
    TearDown();
    SetUp();
  }

  // Types into the boxes and runs Execute to its end.
  void Execute(const std::string& file, const std::string& address) {
    SetText(IDC_FILE, file);
    SetText(IDC_ADDRESS, address);
    dlg_->OnExecute();
  }

  std::string Text(int nID) const { return WindowText(Item(nID)); }
  std::string Title() const { return WindowText(dlg_->m_hWnd); }
  static std::string WindowText(HWND h) {
    std::string s(api::GetWindowTextLengthA(h) + 1, '\0');
    s.resize(api::GetWindowTextA(h, &s[0], static_cast<int>(s.size())));
    return s;
  }
  bool Enabled(int nID) const { return api::IsWindowEnabled(Item(nID)); }
  HWND Item(int nID) const { return api::GetDlgItem(dlg_->m_hWnd, nID); }
  void SetText(int nID, const std::string& text) { dlg_->SetDlgItemText(nID, text.c_str()); }
  std::vector<std::string> Items(int nID) const;
  int Pos() const { return headless::GetProgressPos(Item(IDC_PROGRESS)); }

  // Message boxes shown, as "caption|text|type".
  std::vector<std::string> Boxes() const;
  // Bytes written to the data register, in order.
  Bytes Wire() const { return wire_; }
  // (status text, progress) at every progress move.
  std::vector<std::pair<std::string, int>> statuses_;
  // Runs once, when the console has taken its byte number nIndex (counted from 0).
  void AtWrite(int nIndex, std::function<void()> action) { actions_.push_back({nIndex, action}); }
  // Reads of the card's data register so far (the console records accesses when asked to).
  int DataReads() const;
  // Dispatches every message waiting in the queue.
  void PumpAll() {
    while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  }

  // The profile the dialog reads and writes.
  std::string Profile() const { return theApp.m_pszProfileName; }
  bool ProfileExists() const;
  std::string ReadProfile() const;
  void WriteProfile(const std::string& text) const;

  // Asserts the Ready state.
  void ExpectReady() const;
  void ExpectBusy() const;

  TempDir dir_;
  CSimConsole* console_ = nullptr;
  CUploadDlg* dlg_ = nullptr;
  Bytes wire_;
  int busyAtBox_ = -1;  // the busy flag when the latest message box was shown

 private:
  static void OnBox(const HEADLESS_MESSAGEBOX&, void* pContext);
  static void OnWrite(CSimConsole*, int nIndex, BYTE value, void* pContext);
  static void Observe(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext);
  std::vector<std::pair<int, std::function<void()>>> actions_;
  std::string currentStatus_;
};

#endif  // VARNOK_TESTS_TESTSUPPORT_H
