// Cli.cpp - varnok-cli: options, the upload through the headless dialog, progress and exit codes.
#include "cli/Cli.h"

#include "app/UploaderApp.h"
#include "framework/headless/Headless.h"
#include "portio/sim/SimBus.h"
#include "ui/UploadDlg.h"

// The port access of this console program: the card's registers at nBase, or 0 with a reason.
CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy);

namespace {

const char kName[] = "varnok-cli";
const char kVersion[] = "varnok-cli 1.3 (Varnok - Version 1.3 (Beta))";
const char kUsage[] =
    "usage: varnok-cli [--port 300|310|320|330] [--address HEX] [--simulate[=MODE]] [FILE]\n"
    "\n"
    "Sends FILE to the console at the hexadecimal start address, through the link card at the port.\n"
    "A missing FILE or address is the most recent one (a bare varnok-cli sends the last upload again);\n"
    "a missing port is the one last used. The history is the program's own (the Varnok window's).\n"
    "\n"
    "  --port P        the card's I/O base: 300, 310, 320 or 330\n"
    "  --address HEX   the start address, read as the window reads it (1f, 0x1F, 06004000)\n"
    "  --simulate      a simulated card at the port with a console behind it, paced like real\n"
    "                  hardware; =fast answers at once, =bad-checksum gets a checksum error,\n"
    "                  =silent never answers (until Ctrl-C)\n"
    "  --help, --version\n"
    "\n"
    "Ctrl-C stops the transfer (a second one ends at once).\n"
    "\n"
    "Exit codes: 0 sent and the checksum matched, 1 checksum error, 2 bad input, 3 stopped,\n"
    "4 no port access, 5 read error or out of memory during the transfer.\n";

volatile LONG s_nInterrupts = 0;

BOOL WINAPI OnControl(DWORD) {
  // Called on another thread (Windows) or in a signal handler (Linux): a flag, or the end.
  if (s_nInterrupts > 0) api::ExitProcess(kExitStopped);
  s_nInterrupts = s_nInterrupts + 1;
  return TRUE;
}

void Write(DWORD nStream, LPCSTR psz) {
  DWORD n = 0;
  api::WriteFile(api::GetStdHandle(nStream), psz, static_cast<DWORD>(AfxStrLen(psz)), &n, 0);
}

void Message(LPCSTR pszText) {
  char sz[1100];
  api::wsprintfA(sz, "%s: %s\n", kName, pszText);
  Write(STD_ERROR_HANDLE, sz);
}

BOOL Equal(LPCSTR a, LPCSTR b) { return AfxStrCmpNoCase(a, b) == 0; }

BOOL StartsWith(LPCSTR psz, LPCSTR pszPrefix) {
  while (*pszPrefix)
    if (*psz++ != *pszPrefix++) return FALSE;
  return TRUE;
}

// Follows the transfer from outside the dialog: the status line, the bytes the card takes, the
// user's Ctrl-C; and draws the progress.
class CWatcher final : public CPortIo {
 public:
  CWatcher(CPortIo* pInner, HWND hDlg) : m_pInner(pInner), m_hDlg(hDlg) {
    DWORD nMode;
    m_bTerminal = api::GetConsoleMode(api::GetStdHandle(STD_OUTPUT_HANDLE), &nMode);
    m_szStatus[0] = 0;
  }

  BYTE In(UINT nPort) override {
    if (s_nInterrupts && !m_bStopPosted) {
      // Ctrl-C reaches the dialog as its cancel command, through its message queue; the next
      // status poll reads "busy", so that the wait looks at the queue even when the card
      // answers at once.
      m_bStopPosted = m_bPollBusy = headless::Click(m_hDlg, IDCANCEL);
    }
    if (m_bPollBusy && nPort == static_cast<UINT>(g_nStatusPort)) {
      m_bPollBusy = FALSE;
      return 0xFF;
    }
    BYTE value = m_pInner->In(nPort);
    if (nPort == static_cast<UINT>(g_nDataPort) && m_nLastWrite == 'B' && value == 'W') m_nPhase = kGo;
    return value;
  }

  void Out(UINT nPort, BYTE value) override {
    m_pInner->Out(nPort, value);
    if (nPort != static_cast<UINT>(g_nDataPort)) return;
    m_nLastWrite = value;
    switch (m_nPhase) {
      case kHandshake:
        break;
      case kGo:
        m_nPhase = kHeader;
        m_nHeader = 0;
        m_dwLength = 0;
        break;
      case kHeader:
        if (++m_nHeader > 4) m_dwLength = (m_dwLength << 8) | value;
        if (m_nHeader == 8) {
          m_nPhase = kData;
          m_dwSent = 0;
          m_dwStart = api::GetTickCount();
        }
        break;
      case kData:
        if (m_dwSent < m_dwLength) ++m_dwSent;
        break;
    }
    if (m_bTerminal && api::GetTickCount() - m_dwDrawn >= 100) Draw();
  }

  // The dialog's status line and progress bar changed.
  void OnStatus(LPCSTR pszText, int nPos) {
    if (pszText) {
      int n = AfxStrLen(pszText);
      if (n >= static_cast<int>(sizeof(m_szStatus))) n = sizeof(m_szStatus) - 1;
      AfxMemCopy(m_szStatus, pszText, n);
      m_szStatus[n] = 0;
      return;
    }
    m_nPos = nPos;
    if (!m_bTerminal) {
      // Plain lines, one per change, when the output goes to a file or a pipe.
      char sz[160];
      Format(sz);
      Write(STD_OUTPUT_HANDLE, sz);
      Write(STD_OUTPUT_HANDLE, "\n");
    } else {
      Draw();
    }
  }

  // Leaves the updating line behind before anything else is printed.
  void EndLine() {
    if (m_bTerminal && m_bDrawn) Write(STD_OUTPUT_HANDLE, "\n");
    m_bDrawn = FALSE;
  }

  DWORD GetSent() const { return m_dwSent; }
  DWORD GetLength() const { return m_dwLength; }
  DWORD GetMilliseconds() const { return m_nPhase >= kData ? api::GetTickCount() - m_dwStart : 0; }

 private:
  enum Phase { kHandshake, kGo, kHeader, kData };

  void Format(char* sz) {
    int n = api::wsprintfA(sz, "%s %3d%%", m_szStatus, m_nPos);
    if (m_nPhase < kData) return;
    DWORD dwMs = api::GetTickCount() - m_dwStart;
    n += api::wsprintfA(sz + n, "  %lu/%lu bytes", static_cast<unsigned long>(m_dwSent),
                        static_cast<unsigned long>(m_dwLength));
    if (dwMs >= 200 && m_dwSent) {
      // Bytes a second, in 32-bit arithmetic (the 32-bit build has no 64-bit division).
      if (dwMs > 4000000) dwMs = 4000000;
      DWORD dwRate = m_dwSent / dwMs * 1000 + m_dwSent % dwMs * 1000 / dwMs;
      DWORD dwLeft = dwRate ? (m_dwLength - m_dwSent) / dwRate : 0;
      n += api::wsprintfA(sz + n, "  %lu.%lu KB/s  %lu:%02lu left", static_cast<unsigned long>(dwRate / 1024),
                          static_cast<unsigned long>(dwRate % 1024 * 10 / 1024),
                          static_cast<unsigned long>(dwLeft / 60), static_cast<unsigned long>(dwLeft % 60));
    }
  }

  void Draw() {
    // Spaces, not an escape sequence, clear what a longer line left: every console shows them.
    const int kWidth = 78;
    char sz[180] = "\r";
    Format(sz + 1);
    int n = AfxStrLen(sz);
    while (n < kWidth + 1) sz[n++] = ' ';
    sz[n] = 0;
    Write(STD_OUTPUT_HANDLE, sz);
    m_dwDrawn = api::GetTickCount();
    m_bDrawn = TRUE;
  }

  CPortIo* m_pInner;
  HWND m_hDlg;
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
  BOOL m_bStopPosted = FALSE;
  BOOL m_bPollBusy = FALSE;
  char m_szStatus[64];
  int m_nPos = 0;
  Phase m_nPhase = kHandshake;
  BYTE m_nLastWrite = 0;
  int m_nHeader = 0;
  DWORD m_dwLength = 0;
  DWORD m_dwSent = 0;
  DWORD m_dwStart = 0;
  DWORD m_dwDrawn = 0;
};

struct Outcome {
  CWatcher* pWatcher;
  int nExit;
};

void OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext) {
  Outcome* pOut = static_cast<Outcome*>(pContext);
  if (pOut->pWatcher) pOut->pWatcher->EndLine();
  Message(box.strText);
  static const struct {
    UINT nID;
    int nExit;
  } kCodes[] = {{IDS_CHECKSUM_ERROR, kExitChecksum},
                {IDS_PORT_ACCESS, kExitNoPortAccess},
                {IDS_READ_ERROR, kExitTransferFault},
                {IDS_OUT_OF_MEMORY, kExitTransferFault}};
  int nExit = kExitBadInput;  // the validation messages
  for (const auto& c : kCodes) {
    CString str;
    str.LoadString(c.nID);
    if (str == box.strText) nExit = c.nExit;
  }
  if (pOut->nExit == kExitSent) pOut->nExit = nExit;
}

void OnMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext) {
  Outcome* pOut = static_cast<Outcome*>(pContext);
  if (!pOut->pWatcher) return;
  int nID = api::GetDlgCtrlID(hWnd);
  if (nID == IDC_STATUS && uMsg == WM_SETTEXT) pOut->pWatcher->OnStatus(reinterpret_cast<LPCSTR>(lParam), 0);
  if (nID == IDC_PROGRESS && uMsg == PBM_SETPOS) pOut->pWatcher->OnStatus(0, static_cast<int>(wParam));
}

}  // namespace

int CliMain(int argc, char** argv) {
  LPCSTR pszPort = 0, pszAddress = 0, pszFile = 0, pszSimulate = 0;
  for (int i = 1; i < argc; ++i) {
    LPCSTR a = argv[i];
    if (Equal(a, "--help") || Equal(a, "-h")) {
      Write(STD_OUTPUT_HANDLE, kUsage);
      return kExitSent;
    } else if (Equal(a, "--version")) {
      Write(STD_OUTPUT_HANDLE, kVersion);
      Write(STD_OUTPUT_HANDLE, "\n");
      return kExitSent;
    } else if ((Equal(a, "--port") || Equal(a, "--address")) && i + 1 < argc) {
      (Equal(a, "--port") ? pszPort : pszAddress) = argv[++i];
    } else if (StartsWith(a, "--simulate")) {
      pszSimulate = a[10] == '=' ? a + 11 : (a[10] ? "?" : "paced");
    } else if (a[0] == '-' && a[1]) {
      char sz[300];
      api::wsprintfA(sz, "unknown option or missing value: %.200s (see --help)", a);
      Message(sz);
      return kExitBadInput;
    } else if (!pszFile) {
      pszFile = a;
    } else {
      Message("one file at a time (see --help)");
      return kExitBadInput;
    }
  }
  CSimBus::Mode mode = CSimBus::kPaced;
  if (pszSimulate) {
    if (Equal(pszSimulate, "fast")) {
      mode = CSimBus::kFast;
    } else if (Equal(pszSimulate, "bad-checksum")) {
      mode = CSimBus::kBadChecksum;
    } else if (Equal(pszSimulate, "silent")) {
      mode = CSimBus::kSilent;
    } else if (!Equal(pszSimulate, "paced")) {
      Message("--simulate takes paced, fast, bad-checksum or silent");
      return kExitBadInput;
    }
  }
  int nPortIndex = -2;  // not given
  if (pszPort) {
    static const char* const kPorts[] = {"300", "310", "320", "330"};
    for (int i = 0; i < 4; ++i)
      if (Equal(pszPort, kPorts[i])) nPortIndex = i;
    if (nPortIndex < 0) {
      Message("--port takes 300, 310, 320 or 330");
      return kExitBadInput;
    }
  }

  // The program's own name, so that the window's profile and history are the ones used here.
  theApp.SetNamesFromModule("varnok");
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  if (!dlg.Create()) {
    Message("cannot create the dialog");
    return kExitBadInput;
  }
  HWND hDlg = dlg.m_hWnd;
  if (nPortIndex >= 0) dlg.SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(nPortIndex));
  if (pszFile) {
    // The history keeps the full path, so that a later bare varnok-cli finds the file from anywhere.
    char szFull[MAX_PATH];
    DWORD n = api::GetFullPathNameA(pszFile, sizeof(szFull), szFull, 0);
    dlg.SetDlgItemText(IDC_FILE, n > 0 && n < sizeof(szFull) ? szFull : pszFile);
  }
  if (pszAddress) dlg.SetDlgItemText(IDC_ADDRESS, pszAddress);

  // The card's registers: simulated, or the system's own way to the I/O ports.
  int nIndex = static_cast<int>(dlg.SendDlgItemMessage(IDC_PORT, CB_GETCURSEL));
  UINT nBase = static_cast<UINT>(0x300 + 16 * (nIndex >= 0 && nIndex < 4 ? nIndex : 1));
  CSimBus bus(mode, nBase);
  bus.SetReceiptProfile(theApp.m_pszProfileName);
  CPortIo* pAccess = 0;
  char szWhy[300] = "";
  if (pszSimulate)
    pAccess = &bus;
  else if (nIndex >= 0 && nIndex < 4)
    pAccess = OpenCliPortIo(nBase, szWhy, sizeof(szWhy));
  CWatcher watcher(pAccess, hDlg);
  g_pPortIo = pAccess ? &watcher : 0;

  Outcome outcome = {&watcher, kExitSent};
  headless::SetMessageBoxHook(&OnBox, &outcome);
  headless::SetObserver(&OnMessage, &outcome);
  api::SetConsoleCtrlHandler(&OnControl, TRUE);

  headless::Click(hDlg, IDC_EXECUTE);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  watcher.EndLine();
  if (outcome.nExit == kExitNoPortAccess && szWhy[0]) Message(szWhy);
  if (s_nInterrupts && outcome.nExit == kExitSent) {
    Message("stopped");
    outcome.nExit = kExitStopped;
  }
  if (outcome.nExit == kExitSent && watcher.GetLength() == watcher.GetSent()) {
    char sz[200];
    CString strAddress;
    dlg.GetDlgItemText(IDC_ADDRESS, strAddress);
    api::wsprintfA(sz, "sent %lu bytes to %s in %lu ms\n", static_cast<unsigned long>(watcher.GetSent()),
                   static_cast<LPCSTR>(strAddress), static_cast<unsigned long>(watcher.GetMilliseconds()));
    Write(STD_OUTPUT_HANDLE, sz);
  }

  // Closing the dialog from Ready keeps the history, as closing the window does.
  headless::Click(hDlg, IDCANCEL);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  headless::SetObserver(0, 0);
  headless::SetMessageBoxHook(0, 0);
  api::DestroyWindow(hDlg);
  theApp.m_pMainWnd = 0;
  g_pPortIo = 0;
  return outcome.nExit;
}
