// Cli.cpp - varnok-cli: options, the upload through the headless dialog, progress and exit codes.
#include "cli/Cli.h"

#include "app/UploaderApp.h"
#include "framework/headless/Headless.h"
#include "portio/sim/SimBus.h"
#include "ui/UploadDlg.h"

// The system's side (cli/posix, cli/win32): the card's registers at nBase, or 0 with a reason;
// the system's reason for the latest failed call, FALSE when there is none; and forgetting it.
CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy);
BOOL GetSystemError(char* pszText, int nText);
void ClearSystemError();

namespace {

const char kName[] = "varnok-cli";
const char kVersion[] = "varnok-cli 1.3 (Varnok - Version 1.3 (Beta))";
const char kUsage[] =
    "usage: varnok-cli [--port 300|310|320|330] [--address HEX] [--wait SECONDS]\n"
    "                  [--simulate[=MODE] [--receipt INI]] [FILE]\n"
    "\n"
    "Sends FILE to the console at the hexadecimal start address, through the link card at the port.\n"
    "A missing FILE or address is the most recent one (a bare varnok-cli sends the last upload again);\n"
    "a missing port is the one last used. The history is the program's own (the Varnok window's).\n"
    "\n"
    "  --port P        the card's I/O base: 300, 310, 320 or 330\n"
    "  --address HEX   the start address, read as the window reads it (1f, 0x1F, 06004000)\n"
    "  --wait SECONDS  give up (exit 6) when the console has not answered the handshake, or any\n"
    "                  later byte, within SECONDS; without it, wait until Ctrl-C\n"
    "  --simulate      a simulated card at the port with a console behind it, paced like real\n"
    "                  hardware; =fast answers at once, =bad-checksum gets a checksum error,\n"
    "                  =silent never answers\n"
    "  --receipt INI   with --simulate: what the console received, in INI's [DemoConsole] section\n"
    "  --help, --version\n"
    "\n"
    "Ctrl-C stops the transfer (a second one ends at once). More in the README, and on Linux\n"
    "in the manual page: man ./varnok-cli.1\n"
    "\n"
    "Exit codes: 0 sent and the checksum matched, 1 checksum error, 2 bad input, 3 stopped,\n"
    "4 no port access, 5 read error or out of memory during the transfer,\n"
    "6 the console did not answer (--wait).\n";

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

// "varnok-cli: what[: object[: reason]]" on stderr.
void Message(LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0) {
  char sz[1100];
  int n = api::wsprintfA(sz, "%s: %.300s", kName, pszWhat);
  if (pszObject) n += api::wsprintfA(sz + n, ": %.400s", pszObject);
  if (pszReason) n += api::wsprintfA(sz + n, ": %.300s", pszReason);
  api::wsprintfA(sz + n, "\n");
  Write(STD_ERROR_HANDLE, sz);
}

BOOL Equal(LPCSTR a, LPCSTR b) { return AfxStrCmpNoCase(a, b) == 0; }

// The option's value when a is "--name VALUE" (taken from the next argument) or "--name=VALUE".
BOOL TakeValue(LPCSTR pszName, int argc, char** argv, int& i, LPCSTR& pszValue) {
  LPCSTR a = argv[i];
  while (*pszName)
    if (*a++ != *pszName++) return FALSE;
  if (*a == '=') {
    pszValue = a + 1;
    return TRUE;
  }
  if (*a || i + 1 >= argc) return FALSE;
  pszValue = argv[++i];
  return TRUE;
}

// nDone of nTotal in per cent, 100 only when all is done; in 32-bit arithmetic.
DWORD Percent(DWORD nDone, DWORD nTotal) {
  if (nDone >= nTotal) return 100;
  while (nTotal >= 0x02000000) {
    nTotal >>= 1;
    nDone >>= 1;
  }
  DWORD n = nDone * 100 / nTotal;
  return n > 99 ? 99 : n;
}

// Bytes a second, in 32-bit arithmetic (the 32-bit build has no 64-bit division).
DWORD Rate(DWORD nBytes, DWORD dwMs) {
  if (dwMs >= 4000000) return nBytes / (dwMs / 1000);  // over an hour: whole seconds are exact enough
  if (dwMs == 0) dwMs = 1;
  return nBytes / dwMs * 1000 + nBytes % dwMs * 1000 / dwMs;
}

// Follows the transfer from outside the dialog: the status line, the bytes the card takes, the
// user's Ctrl-C, the time the console takes to answer; and draws the progress.
class CWatcher final : public CPortIo {
 public:
  CWatcher(CPortIo* pInner, HWND hDlg, DWORD dwWaitMs) : m_pInner(pInner), m_hDlg(hDlg), m_dwWaitMs(dwWaitMs) {
    DWORD nMode;
    m_bTerminal = api::GetConsoleMode(api::GetStdHandle(STD_OUTPUT_HANDLE), &nMode);
    m_szStatus[0] = 0;
  }

  BYTE In(UINT nPort) override {
    if (nPort == static_cast<UINT>(g_nStatusPort)) {
      if (!m_nStopExit && s_nInterrupts) Stop(kExitStopped);
      if (!m_nStopExit && m_dwWaitMs && api::GetTickCount() - m_dwMark >= m_dwWaitMs) Stop(kExitNoAnswer);
      if (m_bPollBusy) {
        m_bPollBusy = FALSE;
        return 0xFF;
      }
    }
    BYTE value = m_pInner->In(nPort);
    if (nPort == static_cast<UINT>(g_nDataPort) && m_nLastWrite == 'B' && value == 'W') m_nPhase = kGo;
    return value;
  }

  void Out(UINT nPort, BYTE value) override {
    m_pInner->Out(nPort, value);
    if (nPort != static_cast<UINT>(g_nDataPort)) return;
    DWORD dwNow = api::GetTickCount();
    // The time limit runs from the first offer through the whole handshake, then from each byte.
    if (!m_bBegun || m_nPhase != kHandshake) m_dwMark = dwNow;
    m_bBegun = TRUE;
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
          // The data phase, whatever the dialog's status line says for a file under ten bytes.
          m_nPhase = kData;
          m_dwSent = 0;
          m_dwStart = dwNow;
          CString str;
          str.LoadString(IDS_STATUS_SENDING);
          OnStatus(str);
        }
        break;
      case kData:
        if (m_dwSent < m_dwLength) {
          ++m_dwSent;
          if (!m_bTerminal && Percent(m_dwSent, m_dwLength) / 10 != m_nTenth) Show();
        }
        break;
    }
    if (m_bTerminal && api::GetTickCount() - m_dwDrawn >= 100) Show();
  }

  // The dialog's status line changed (Ready, the end, is left to the summary).
  void OnStatus(LPCSTR pszText) {
    if (!AfxStrCmpNoCase(pszText, m_szStatus)) return;
    int n = AfxStrLen(pszText);
    if (n >= static_cast<int>(sizeof(m_szStatus))) n = sizeof(m_szStatus) - 1;
    AfxMemCopy(m_szStatus, pszText, n);
    m_szStatus[n] = 0;
    CString strReady;
    strReady.LoadString(IDS_STATUS_READY);
    if (strReady != pszText) Show();
  }

  // Leaves the updating line behind before anything else is printed.
  void EndLine() {
    if (m_bTerminal && m_bDrawn) Write(STD_OUTPUT_HANDLE, "\n");
    m_bDrawn = FALSE;
  }

  // The closing line after a transfer, into sz; FALSE when no transfer began.
  BOOL Summary(char* sz, int nExit, LPCSTR pszAddress) const {
    if (!m_bBegun) return FALSE;
    DWORD dwMs = m_nPhase == kData ? api::GetTickCount() - m_dwStart : 0;
    DWORD dwRate = Rate(m_dwSent, dwMs);
    if (nExit == kExitSent || nExit == kExitChecksum) {
      api::wsprintfA(sz, "sent %lu bytes to %s in %lu.%02lu s (%lu.%lu KB/s), checksum %s\n", Ul(m_dwSent), pszAddress,
                     Ul(dwMs / 1000), Ul(dwMs % 1000 / 10), Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                     nExit == kExitSent ? "matched" : "differed");
      return TRUE;
    }
    LPCSTR pszWhat = nExit == kExitStopped    ? "stopped"
                     : nExit == kExitNoAnswer ? "the console did not answer"
                                              : "failed";
    if (m_nPhase == kData)
      api::wsprintfA(sz, "%s after %lu of %lu bytes to %s\n", pszWhat, Ul(m_dwSent), Ul(m_dwLength), pszAddress);
    else
      api::wsprintfA(sz, "%s during the handshake, nothing sent\n", pszWhat);
    return TRUE;
  }

  // kExitStopped (Ctrl-C) or kExitNoAnswer (--wait) when this side stopped the transfer, else 0.
  int GetStopExit() const { return m_nStopExit; }

 private:
  enum Phase { kHandshake, kGo, kHeader, kData };

  static unsigned long Ul(DWORD n) { return static_cast<unsigned long>(n); }

  // Ctrl-C and the time limit reach the dialog as its cancel command, through its message
  // queue; this status poll reads "busy", so that the wait looks at the queue even when the
  // card answers at once.
  void Stop(int nExit) {
    m_nStopExit = nExit;
    m_bPollBusy = headless::Click(m_hDlg, IDCANCEL);
  }

  void Format(char* sz) const {
    DWORD dwPercent = m_nPhase == kData ? Percent(m_dwSent, m_dwLength) : 0;
    int n = api::wsprintfA(sz, "%s %3lu%%", m_szStatus, Ul(dwPercent));
    if (m_nPhase != kData) return;
    n += api::wsprintfA(sz + n, "  %lu/%lu bytes", Ul(m_dwSent), Ul(m_dwLength));
    DWORD dwMs = api::GetTickCount() - m_dwStart;
    if (dwMs >= 200 && m_dwSent) {
      DWORD dwRate = Rate(m_dwSent, dwMs);
      DWORD dwLeft = dwRate ? (m_dwLength - m_dwSent) / dwRate : 0;
      api::wsprintfA(sz + n, "  %lu.%lu KB/s  %lu:%02lu left", Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                     Ul(dwLeft / 60), Ul(dwLeft % 60));
    }
  }

  // On a terminal one line, redrawn; into a file or a pipe a line at each status and each
  // tenth of the data.
  void Show() {
    char sz[180] = "\r";
    Format(sz + 1);
    m_nTenth = m_nPhase == kData ? Percent(m_dwSent, m_dwLength) / 10 : 0;
    if (!m_bTerminal) {
      Write(STD_OUTPUT_HANDLE, sz + 1);
      Write(STD_OUTPUT_HANDLE, "\n");
      return;
    }
    // Spaces, not an escape sequence, clear what a longer line left: every console shows them.
    const int kWidth = 78;
    int n = AfxStrLen(sz);
    while (n < kWidth + 1) sz[n++] = ' ';
    sz[n] = 0;
    Write(STD_OUTPUT_HANDLE, sz);
    m_dwDrawn = api::GetTickCount();
    m_bDrawn = TRUE;
  }

  CPortIo* m_pInner;
  HWND m_hDlg;
  DWORD m_dwWaitMs;
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
  BOOL m_bBegun = FALSE;
  BOOL m_bPollBusy = FALSE;
  int m_nStopExit = 0;
  char m_szStatus[64];
  DWORD m_nTenth = 0;
  Phase m_nPhase = kHandshake;
  BYTE m_nLastWrite = 0;
  int m_nHeader = 0;
  DWORD m_dwLength = 0;
  DWORD m_dwSent = 0;
  DWORD m_dwStart = 0;
  DWORD m_dwMark = 0;
  DWORD m_dwDrawn = 0;
};

struct Outcome {
  CUploadDlg* pDlg;
  CWatcher* pWatcher;
  LPCSTR pszWhyNoPorts;
  int nExit;
};

// A message box of the dialog: its text on stderr, with what it is about; the first one sets the
// exit code.
void OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext) {
  char szReason[300];
  BOOL bReason = GetSystemError(szReason, sizeof(szReason));  // before anything else can fail
  Outcome* pOut = static_cast<Outcome*>(pContext);
  pOut->pWatcher->EndLine();
  // What each box is about: the file (and why, in the system's words or these), or the ports.
  static const struct {
    UINT nID;
    int nExit;
    BOOL bPath;
    BOOL bSystemReason;
    LPCSTR pszReason;
  } kBoxes[] = {{IDS_OPEN_ERROR, kExitBadInput, TRUE, TRUE, 0},
                {IDS_FILE_TOO_LARGE, kExitBadInput, TRUE, FALSE, "more than 4294967295 bytes"},
                {IDS_CHECKSUM_ERROR, kExitChecksum, FALSE, FALSE, 0},
                {IDS_PORT_ACCESS, kExitNoPortAccess, FALSE, FALSE, 0},
                // No failure in the system: the read came short (the file shrank, or is not all there).
                {IDS_READ_ERROR, kExitTransferFault, TRUE, TRUE, "the file ended before its length"},
                {IDS_OUT_OF_MEMORY, kExitTransferFault, FALSE, FALSE, 0}};
  int nExit = kExitBadInput;  // the validation messages
  CString strPath;
  pOut->pDlg->GetDlgItemText(IDC_FILE, strPath);
  LPCSTR pszObject = 0, pszReason = 0;
  for (const auto& b : kBoxes) {
    CString str;
    str.LoadString(b.nID);
    if (str != box.strText) continue;
    nExit = b.nExit;
    pszObject = b.bPath ? static_cast<LPCSTR>(strPath) : 0;
    pszReason = b.bSystemReason && bReason ? szReason : b.pszReason;
  }
  if (nExit == kExitNoPortAccess && pOut->pszWhyNoPorts[0]) pszObject = pOut->pszWhyNoPorts;
  Message(box.strText, pszObject, pszReason);
  if (pOut->nExit == kExitSent) pOut->nExit = nExit;
}

void OnMessage(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam, void* pContext) {
  Outcome* pOut = static_cast<Outcome*>(pContext);
  if (uMsg == WM_SETTEXT && api::GetDlgCtrlID(hWnd) == IDC_STATUS)
    pOut->pWatcher->OnStatus(reinterpret_cast<LPCSTR>(lParam));
}

}  // namespace

int CliMain(int argc, char** argv) {
  LPCSTR pszPort = 0, pszAddress = 0, pszFile = 0, pszSimulate = 0, pszWait = 0, pszReceipt = 0;
  for (int i = 1; i < argc; ++i) {
    LPCSTR a = argv[i];
    if (Equal(a, "--help") || Equal(a, "-h")) {
      Write(STD_OUTPUT_HANDLE, kUsage);
      return kExitSent;
    } else if (Equal(a, "--version")) {
      Write(STD_OUTPUT_HANDLE, kVersion);
      Write(STD_OUTPUT_HANDLE, "\n");
      return kExitSent;
    } else if (TakeValue("--port", argc, argv, i, pszPort) || TakeValue("--address", argc, argv, i, pszAddress) ||
               TakeValue("--wait", argc, argv, i, pszWait) || TakeValue("--receipt", argc, argv, i, pszReceipt)) {
    } else if (Equal(a, "--simulate")) {
      pszSimulate = "paced";
    } else if (TakeValue("--simulate", 0, argv, i, pszSimulate)) {
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
  if (pszReceipt && !pszSimulate) {
    Message("--receipt goes with --simulate");
    return kExitBadInput;
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
  DWORD dwWait = 0;
  if (pszWait) {
    LPCSTR p = pszWait;
    while (*p >= '0' && *p <= '9' && dwWait <= 1000000) dwWait = dwWait * 10 + static_cast<DWORD>(*p++ - '0');
    if (*p || dwWait == 0 || dwWait > 1000000) {
      Message("--wait takes a whole number of seconds, from 1 to 1000000");
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
  // The history keeps full paths, so that a later bare varnok-cli finds the file from anywhere;
  // the receipt, too, goes where it was named from here.
  if (pszFile) dlg.SetDlgItemText(IDC_FILE, AfxFullPath(pszFile));
  CString strReceipt = pszReceipt ? AfxFullPath(pszReceipt) : CString();
  if (pszReceipt) pszReceipt = strReceipt;
  if (pszAddress) dlg.SetDlgItemText(IDC_ADDRESS, pszAddress);

  // The card's registers: simulated, or the system's own way to the I/O ports. The simulated
  // console's receipt goes only where --receipt says, never into the user's profile.
  int nIndex = static_cast<int>(dlg.SendDlgItemMessage(IDC_PORT, CB_GETCURSEL));
  UINT nBase = static_cast<UINT>(0x300 + 16 * (nIndex >= 0 && nIndex < 4 ? nIndex : 1));
  CSimBus bus(mode, nBase);
  bus.SetReceiptProfile(pszReceipt);
  CPortIo* pAccess = 0;
  char szWhy[300] = "";
  if (pszSimulate)
    pAccess = &bus;
  else if (nIndex >= 0 && nIndex < 4)
    pAccess = OpenCliPortIo(nBase, szWhy, sizeof(szWhy));
  CWatcher watcher(pAccess, hDlg, dwWait * 1000);
  g_pPortIo = pAccess ? &watcher : 0;

  Outcome outcome = {&dlg, &watcher, szWhy, kExitSent};
  headless::SetMessageBoxHook(&OnBox, &outcome);
  headless::SetObserver(&OnMessage, &outcome);
  api::SetConsoleCtrlHandler(&OnControl, TRUE);

  ClearSystemError();
  headless::Click(hDlg, IDC_EXECUTE);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  watcher.EndLine();
  if (outcome.nExit == kExitSent && watcher.GetStopExit() == kExitStopped) {
    Message("stopped");
    outcome.nExit = kExitStopped;
  } else if (outcome.nExit == kExitSent && watcher.GetStopExit() == kExitNoAnswer) {
    char sz[80];
    api::wsprintfA(sz, "the console did not answer within %lu s", static_cast<unsigned long>(dwWait));
    Message(sz);
    outcome.nExit = kExitNoAnswer;
  }
  char szSummary[300];
  CString strAddress;
  dlg.GetDlgItemText(IDC_ADDRESS, strAddress);
  if (watcher.Summary(szSummary, outcome.nExit, strAddress)) Write(STD_OUTPUT_HANDLE, szSummary);

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
