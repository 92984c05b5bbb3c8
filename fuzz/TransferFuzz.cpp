// TransferFuzz.cpp - a whole transfer through the headless dialog against a card whose replies,
// busy spells, Stop and quit come from the fuzz input. Every run ends: when the input runs out
// the card stays busy and Stop is pressed. Afterwards the window is Ready, the file closed, no
// port outside the card's two registers was touched, what the card took is a prefix of the
// header and the file as they should go out, the checksum bytes are the sum of the replies the
// PC read in the data phase, and "Checksum Error" appears exactly when the verdict was reached
// and the console's reply disagreed in bits 0-3 with the sum's bits 8-11.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/UploaderApp.h"
#include "framework/headless/Headless.h"
#include "framework/posix/PosixSystem.h"
#include "portio/PortIo.h"
#include "ui/UploadDlg.h"

namespace {

const UINT kBase = 0x310;

class CFuzzCard final : public CPortIo {
 public:
  CFuzzCard(const uint8_t* data, size_t size, HWND hDlg) : m_p(data), m_end(data + size), m_hDlg(hDlg) {}

  BYTE In(UINT nPort) override {
    if (nPort == kBase && !m_replies.empty() && m_replies.back() < 0) return BYTE(m_replies.back() = m_reply);
    if (nPort != kBase + 2) abort();  // another port, or a second read of one reply
    if (m_nBusy-- > 0) return 0x01;   // busy for that many more polls
    if (m_p < m_end) return 0x00;
    // Out of input: the card never answers again, and the user presses Stop once.
    if (!m_bStopped) m_bStopped = headless::Click(m_hDlg, IDCANCEL);
    return 0x01;
  }

  void Out(UINT nPort, BYTE value) override {
    if (nPort != kBase) abort();  // the status register is never written
    m_writes.push_back(value);
    m_replies.push_back(-1);  // not read (yet)
    BYTE control = Next();
    m_reply = Next();
    m_nBusy = control & 0x03;
    // Now and then the user presses Stop, or the session asks the program to quit.
    if ((control & 0xF0) == 0xF0) headless::Click(m_hDlg, IDCANCEL);
    if ((control & 0xF0) == 0xE0) api::PostQuitMessage(0);
  }

  std::vector<uint8_t> m_writes;
  std::vector<int> m_replies;  // the reply the PC read for each byte written, or -1

 private:
  BYTE Next() { return m_p < m_end ? *m_p++ : 0; }
  const uint8_t* m_p;
  const uint8_t* m_end;
  HWND m_hDlg;
  BYTE m_reply = 0;
  int m_nBusy = 0;
  bool m_bStopped = false;
};

std::string s_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char dir[] = "/tmp/varnok-transfer-fuzz-XXXXXX";
  std::string folder = mkdtemp(dir);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  theApp.SetNamesFromModule("varnok");
  s_path = folder + "/prog.bin";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The first bytes choose the file's length (up to 255) and its start address.
  size_t length = data[0];
  uint32_t address = static_cast<uint32_t>(data[1]) << 16 | static_cast<uint32_t>(data[2]) << 4;
  // What goes out after the handshake: the header, then the file.
  std::vector<uint8_t> expected;
  for (uint32_t v : {address, static_cast<uint32_t>(length)})
    for (int s = 24; s >= 0; s -= 8) expected.push_back(static_cast<uint8_t>(v >> s));
  for (size_t i = 0; i < length; ++i) expected.push_back(static_cast<uint8_t>(i * 7 + 3));
  std::ofstream(s_path, std::ios::binary)
      .write(reinterpret_cast<const char*>(expected.data() + 8), std::streamsize(length));

  headless::ResetQueue();
  headless::ClearMessageBoxes();
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  if (!dlg.Create()) abort();
  CFuzzCard card(data + 3, size - 3, dlg.m_hWnd);
  g_pPortIo = &card;
  char text[16];
  snprintf(text, sizeof(text), "%x", address);
  dlg.SetDlgItemText(IDC_FILE, s_path.c_str());
  dlg.SetDlgItemText(IDC_ADDRESS, text);
  dlg.OnExecute();
  g_pPortIo = nullptr;
  if (dlg.m_bBusy || dlg.m_bAbort || posix::GetOpenFileCount() != 0) abort();

  // The handshake ('X' once a 'B' was answered 'W'), then a prefix of the header and the file.
  const std::vector<uint8_t>& w = card.m_writes;
  size_t x = 0;
  for (; x < w.size() && w[x] != 'X'; ++x)
    if (w[x] != 'W' && w[x] != 'B') abort();
  for (size_t i = x + 1; i < w.size() && i - x - 1 < expected.size(); ++i)
    if (w[i] != expected[i - x - 1]) abort();
  // The checksum: its two bytes follow the data, made of the replies read in the data phase.
  size_t check = x + 1 + expected.size();
  uint32_t sum = 0;
  for (size_t i = x + 9; i < check && i < w.size(); ++i) sum += card.m_replies[i] < 0 ? 0 : card.m_replies[i];
  if (w.size() > check + 2 || (w.size() > check && w[check] != ((sum >> 8) & 0x0F)) ||
      (w.size() > check + 1 && w[check + 1] != (sum & 0xFF)))
    abort();
  // The verdict needs both replies read: a Stop before that skips it.
  bool differ =
      w.size() == check + 2 && card.m_replies[check + 1] >= 0 && (card.m_replies[check] & 0x0F) != ((sum >> 8) & 0x0F);
  if (headless::GetMessageBoxCount() != (differ ? 1 : 0) ||
      (differ && headless::GetMessageBox(0)->nID != IDS_CHECKSUM_ERROR))
    abort();
  api::DestroyWindow(dlg.m_hWnd);
  theApp.m_pMainWnd = nullptr;
  return 0;
}
