// TestSupport.cpp - the dialog fixture and small helpers.
#include "tests/TestSupport.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "varnok-test-XXXXXX").string();
  path_ = mkdtemp(&tmpl[0]);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const Bytes& data) const {
  std::string p = path_ + "/" + name;
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
  return p;
}

Bytes PatternBytes(size_t n, unsigned seed) {
  Bytes b(n);
  unsigned x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = static_cast<unsigned char>(x >> 16);
  }
  return b;
}

unsigned ConsoleReplySum(const Bytes& data) {
  unsigned sum = 0;
  for (unsigned char c : data) sum += c ^ 0xA5;
  return sum;
}

Bytes ExpectedWire(const Bytes& handshake, unsigned address, const Bytes& data, unsigned replySum) {
  Bytes w = handshake;
  unsigned length = static_cast<unsigned>(data.size());
  for (int s = 24; s >= 0; s -= 8) w.push_back(static_cast<unsigned char>(address >> s));
  for (int s = 24; s >= 0; s -= 8) w.push_back(static_cast<unsigned char>(length >> s));
  w.insert(w.end(), data.begin(), data.end());
  unsigned x = replySum & 0xFFF;
  w.push_back(static_cast<unsigned char>(x >> 8));
  w.push_back(static_cast<unsigned char>(x & 0xFF));
  return w;
}

void DialogTest::SetUp() {
  setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1);
  theApp.SetNamesFromModule();
  headless::ResetQueue();
  headless::ClearMessageBoxes();
  headless::AddObserver(&DialogTest::Observe, this);
  headless::AddMessageBoxHook(&DialogTest::OnBox, this);
  busyAtBox_ = -1;
}

void DialogTest::TearDown() {
  if (dlg_ && dlg_->m_hWnd) api::DestroyWindow(dlg_->m_hWnd);
  theApp.m_pMainWnd = nullptr;
  delete dlg_;
  delete console_;
  dlg_ = nullptr;
  console_ = nullptr;
  g_pPortIo = nullptr;
  wire_.clear();
  actions_.clear();
  headless::RemoveAllHooks();
  posix::SetReadHook(nullptr, nullptr);
  posix::SetAllocHook(nullptr, nullptr);
  headless::ResetQueue();
  EXPECT_EQ(posix::GetOpenFileCount(), 0) << "a file was left open";
}

void DialogTest::StartConsole(const CSimConsole::Config& config) {
  console_ = new CSimConsole(config);
  console_->SetObserver(&DialogTest::OnWrite, this);
  g_pPortIo = console_;
}

void DialogTest::Start(const CSimConsole::Config& config, bool selectPort) {
  StartConsole(config);
  dlg_ = new CUploadDlg();
  theApp.m_pMainWnd = dlg_;
  ASSERT_TRUE(dlg_->Create());
  statuses_.clear();
  // The card sits at the base the Port box selects.
  if (selectPort) dlg_->SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, (config.nBase - 0x300) / 0x10);
}

std::vector<std::string> DialogTest::Items(int nID) const {
  std::vector<std::string> v;
  for (int i = 0; i < headless::GetItemCount(Item(nID)); ++i)
    v.push_back(std::string(headless::GetItemText(Item(nID), i)));
  return v;
}

std::vector<std::string> DialogTest::Boxes() const {
  std::vector<std::string> v;
  for (int i = 0; i < headless::GetMessageBoxCount(); ++i) {
    const HEADLESS_MESSAGEBOX* b = headless::GetMessageBox(i);
    v.push_back(std::string(b->strCaption) + "|" + std::string(b->strText) + "|" + std::to_string(b->uType));
  }
  return v;
}

int DialogTest::DataReads() const {
  const CSimpleArray<DWORD>& acc = console_->GetAccesses();
  int n = 0;
  for (int i = 0; i < acc.GetSize(); ++i)
    if (acc[i] >> 16 == console_->m_config.nBase && !(acc[i] & CSimConsole::kWrite)) ++n;
  return n;
}

std::string DialogTest::ReadProfile() const {
  std::ifstream f(Profile(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

bool DialogTest::ProfileExists() const { return fs::exists(Profile()); }

void DialogTest::WriteProfile(const std::string& text) const {
  fs::create_directories(fs::path(Profile()).parent_path());
  std::ofstream(Profile(), std::ios::binary) << text;
}

void DialogTest::ExpectReady() const {
  EXPECT_EQ(Title(), "Varnok - Version 1.3 (Beta)");
  EXPECT_EQ(Text(IDC_STATUS), "Status:Ready");
  EXPECT_EQ(Pos(), 0);
  EXPECT_EQ(Text(IDCANCEL), "&Close");
  for (int id : {IDC_EXECUTE, IDC_BROWSE, IDC_PORT, IDC_FILE, IDC_ADDRESS}) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_EQ(dlg_->m_bBusy, 0);
  EXPECT_EQ(dlg_->m_bAbort, 0);
}

void DialogTest::ExpectBusy() const {
  EXPECT_EQ(Title(), "Varnok - Version 1.3 (Beta) - " + std::string(dlg_->m_strFile));
  EXPECT_EQ(Text(IDCANCEL), "Stop");
  EXPECT_TRUE(Enabled(IDCANCEL));
  for (int id : {IDC_EXECUTE, IDC_BROWSE, IDC_PORT, IDC_FILE, IDC_ADDRESS}) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_EQ(dlg_->m_bBusy, 1);
}

void DialogTest::OnBox(const HEADLESS_MESSAGEBOX&, void* pContext) {
  DialogTest* self = static_cast<DialogTest*>(pContext);
  self->busyAtBox_ = self->dlg_ ? self->dlg_->m_bBusy : -1;
}

void DialogTest::OnWrite(CSimConsole* pConsole, int nIndex, BYTE value, void* pContext) {
  DialogTest* self = static_cast<DialogTest*>(pContext);
  if (pConsole->m_config.nBase) self->wire_.push_back(value);
  for (auto& a : self->actions_)
    if (a.first == nIndex) a.second();
}

void DialogTest::Observe(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext) {
  DialogTest* self = static_cast<DialogTest*>(pContext);
  if (!self->dlg_ || !self->dlg_->m_hWnd) return;
  int id = api::GetDlgCtrlID(hWnd);
  if (id == IDC_STATUS && uMsg == WM_SETTEXT) self->currentStatus_ = reinterpret_cast<LPCSTR>(lParam);
  if (id == IDC_PROGRESS && uMsg == PBM_SETPOS)
    self->statuses_.push_back({self->currentStatus_, static_cast<int>(wParam)});
}
