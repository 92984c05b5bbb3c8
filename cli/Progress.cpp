// Progress.cpp - varnok-cli's progress line and summary.
#include "cli/Progress.h"

#include "cli/Cli.h"
#include "cli/Report.h"
#include "framework/headless/Headless.h"
#include "ui/UploadDlg.h"

namespace {
unsigned long Ul(DWORD n) { return static_cast<unsigned long>(n); }
}  // namespace

DWORD ProgressPercent(DWORD nDone, DWORD nTotal) {
  if (nDone >= nTotal) return 100;
  while (nTotal >= 0x02000000) {
    nTotal >>= 1;
    nDone >>= 1;
  }
  DWORD n = nDone * 100 / nTotal;
  return n > 99 ? 99 : n;
}

DWORD ProgressRate(DWORD nBytes, DWORD dwMs) {
  if (dwMs >= 4000000) return nBytes / (dwMs / 1000);  // over an hour: whole seconds are exact enough
  if (dwMs == 0) dwMs = 1;
  return nBytes / dwMs * 1000 + nBytes % dwMs * 1000 / dwMs;
}

void FormatProgress(char* sz, const PROGRESS& p) {
  DWORD dwPercent = p.bData ? ProgressPercent(p.nSent, p.nLength) : 0;
  int n = api::wsprintfA(sz, "%.60s %3lu%%", p.pszStatus, Ul(dwPercent));
  if (!p.bData) return;
  n += api::wsprintfA(sz + n, "  %lu/%lu bytes", Ul(p.nSent), Ul(p.nLength));
  if (p.dwMs >= 200 && p.nSent) {
    DWORD dwRate = ProgressRate(p.nSent, p.dwMs);
    DWORD dwLeft = dwRate ? (p.nLength - p.nSent) / dwRate : 0;
    api::wsprintfA(sz + n, "  %lu.%lu KB/s  %lu:%02lu left", Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                   Ul(dwLeft / 60), Ul(dwLeft % 60));
  }
}

void FormatSummary(char* sz, int nExit, const PROGRESS& p, LPCSTR pszAddress) {
  DWORD dwMs = p.bData ? p.dwMs : 0;
  DWORD dwRate = ProgressRate(p.nSent, dwMs);
  if (nExit == kExitSent || nExit == kExitChecksum) {
    api::wsprintfA(sz, "sent %lu bytes to %.20s in %lu.%02lu s (%lu.%lu KB/s), checksum %s\n", Ul(p.nSent), pszAddress,
                   Ul(dwMs / 1000), Ul(dwMs % 1000 / 10), Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                   nExit == kExitSent ? "matched" : "differed");
    return;
  }
  LPCSTR pszWhat = nExit == kExitStopped ? "stopped" : nExit == kExitNoAnswer ? "the console did not answer" : "failed";
  if (p.bData)
    api::wsprintfA(sz, "%s after %lu of %lu bytes to %.20s\n", pszWhat, Ul(p.nSent), Ul(p.nLength), pszAddress);
  else
    api::wsprintfA(sz, "%s during the handshake, nothing sent\n", pszWhat);
}

CProgressLine::CProgressLine(CPortIo* pInner, CUploadDlg& dlg)
    : m_pInner(pInner), m_dlg(dlg), m_bTerminal(CliIsConsole(STD_OUTPUT_HANDLE)) {
  headless::SetObserver(&OnMessage, this);
}

CProgressLine::~CProgressLine() { headless::SetObserver(0, 0); }

void CProgressLine::Begin() {
  m_bBegun = m_bData = FALSE;
  m_szStatus[0] = 0;
  m_nTenth = 0;
}

void CProgressLine::Out(UINT nPort, BYTE value) {
  m_pInner->Out(nPort, value);
  // The bytes a stopped transfer still writes are not followed: nobody answers them.
  if (nPort != static_cast<UINT>(g_nDataPort) || m_dlg.m_bAbort) return;
  m_bBegun = TRUE;
  BOOL bWasData = m_bData;
  NoteDataPhase();
  if (m_bData && !bWasData) {
    // The data phase, whatever the dialog's status line says for a file under ten bytes.
    CString str;
    str.LoadString(IDS_STATUS_SENDING);
    OnStatus(str);
  } else if (DataLineDue()) {
    Show();
  }
  if (m_bTerminal && api::GetTickCount() - m_dwDrawn >= 100) Show();
}

void CProgressLine::OnMessage(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam, void* pContext) {
  if (uMsg == WM_SETTEXT && api::GetDlgCtrlID(hWnd) == IDC_STATUS)
    static_cast<CProgressLine*>(pContext)->OnStatus(reinterpret_cast<LPCSTR>(lParam));
}

void CProgressLine::OnStatus(LPCSTR pszText) {
  NoteDataPhase();
  if (!AfxStrCmpNoCase(pszText, m_szStatus)) return;
  // The end (Ready) has the summary instead.
  CString strReady;
  strReady.LoadString(IDS_STATUS_READY);
  if (strReady == pszText) return;
  // The data's last tenth, before the checksum's status.
  if (DataLineDue()) Show();
  int n = AfxStrLen(pszText);
  if (n >= static_cast<int>(sizeof(m_szStatus))) n = sizeof(m_szStatus) - 1;
  AfxMemCopy(m_szStatus, pszText, n);
  m_szStatus[n] = 0;
  Show();
}

void CProgressLine::EndLine() {
  if (m_bTerminal && m_bDrawn) CliWrite(STD_OUTPUT_HANDLE, "\n");
  m_bDrawn = FALSE;
}

BOOL CProgressLine::Summary(char* sz, int nExit, DWORD nSent, LPCSTR pszAddress) const {
  if (!m_bBegun) return FALSE;
  PROGRESS p = Get();
  p.nSent = nSent;
  FormatSummary(sz, nExit, p, pszAddress);
  return TRUE;
}

// Into a file or a pipe: a line is due at each tenth of the data.
BOOL CProgressLine::DataLineDue() const {
  return m_bData && !m_bTerminal && ProgressPercent(m_dlg.m_dwSent, m_dlg.m_dwLength) / 10 != m_nTenth;
}

void CProgressLine::NoteDataPhase() {
  if (m_bData || m_dlg.m_nPhase < CUploadDlg::kPhaseData) return;
  m_bData = TRUE;
  m_dwStart = api::GetTickCount();
}

PROGRESS CProgressLine::Get() const {
  PROGRESS p = {m_szStatus, m_bData, m_dlg.m_dwSent, m_dlg.m_dwLength, api::GetTickCount() - m_dwStart};
  return p;
}

void CProgressLine::Show() {
  char sz[180] = "\r";
  PROGRESS p = Get();
  FormatProgress(sz + 1, p);
  m_nTenth = p.bData ? ProgressPercent(p.nSent, p.nLength) / 10 : 0;
  if (!m_bTerminal) {
    CliWrite(STD_OUTPUT_HANDLE, sz + 1);
    CliWrite(STD_OUTPUT_HANDLE, "\n");
    return;
  }
  // Spaces, not an escape sequence, clear what a longer line left: every console shows them.
  const int kWidth = 78;
  int n = AfxStrLen(sz);
  while (n < kWidth + 1) sz[n++] = ' ';
  sz[n] = 0;
  CliWrite(STD_OUTPUT_HANDLE, sz);
  m_dwDrawn = api::GetTickCount();
  m_bDrawn = TRUE;
}
