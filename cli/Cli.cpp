// Cli.cpp - varnok-cli: options, ELF files, the upload through the headless dialog, the watch
// mode, progress and exit codes.
#include "cli/Cli.h"

#include "app/UploaderApp.h"
#include "cli/ElfImage.h"
#include "cli/Progress.h"
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
    "usage: varnok-cli [--port 300|310|320|330] [--address HEX] [--wait SECONDS] [--watch]\n"
    "                  [--simulate[=MODE] [--receipt INI]] [FILE]\n"
    "\n"
    "Sends FILE to the console at the hexadecimal start address, through the link card at the port.\n"
    "A missing FILE or address is the most recent one (a bare varnok-cli sends the last upload again);\n"
    "a missing port is the one last used. The history is the program's own (the Varnok window's).\n"
    "An ELF file (a linked SuperH program) is sent as objcopy -O binary would make it, at its load\n"
    "address; any other file is sent as it is.\n"
    "\n"
    "  --port P        the card's I/O base: 300, 310, 320 or 330\n"
    "  --address HEX   the start address, read as the window reads it (1f, 0x1F, 06004000); with an\n"
    "                  ELF file, if given, it must be the file's load address\n"
    "  --wait SECONDS  give up (exit 6) when the console has not answered the handshake, or any\n"
    "                  later byte, within SECONDS; without it, wait until Ctrl-C\n"
    "  --watch         send FILE, then again each time it has changed and stayed unchanged for half\n"
    "                  a second, until Ctrl-C; a file that is gone meanwhile is waited for\n"
    "  --simulate      a simulated card at the port with a console behind it, paced like real\n"
    "                  hardware; =fast answers at once, =bad-checksum gets a checksum error,\n"
    "                  =silent never answers\n"
    "  --receipt INI   with --simulate: what the console received, in INI's [DemoConsole] section\n"
    "  --help, --version\n"
    "\n"
    "Ctrl-C stops the transfer (a second one ends at once); while --watch waits for a change it\n"
    "ends with the last transfer's exit code. More in the README, and on Linux in the manual page:\n"
    "man ./varnok-cli.1\n"
    "\n"
    "Exit codes: 0 sent and the checksum matched, 1 checksum error, 2 bad input, 3 stopped,\n"
    "4 no port access, 5 read error or out of memory during the transfer,\n"
    "6 the console did not answer (--wait).\n";

// While the console has not answered the handshake, the polls sleep a millisecond each once
// this long has gone by: no core is kept busy, and a console that answers at once is not slowed.
const DWORD kHandshakeSpinMs = 250;
// --watch: how often the file is looked at, and how long it must stay unchanged to be sent.
const DWORD kWatchPollMs = 100;
const DWORD kWatchSteadyMs = 500;

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

// The option's value when a is "--name VALUE" (taken from the next argument) or "--name=VALUE":
// 1; a is that option without its value: -1 (pszValue 0); another argument: 0.
int TakeValue(LPCSTR pszName, int argc, char** argv, int& i, LPCSTR& pszValue) {
  LPCSTR a = argv[i];
  while (*pszName)
    if (*a++ != *pszName++) return 0;
  if (*a == '=') {
    pszValue = a + 1;
    return 1;
  }
  if (*a) return 0;
  pszValue = i + 1 < argc ? argv[++i] : 0;
  return pszValue ? 1 : -1;
}

// Whether an address text holds a number as the window reads it: after blanks and a sign, a
// hexadecimal digit ("0x" alone is the 0). Anything else is a typo, not address 0.
BOOL HasHexDigit(LPCSTR p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  if (*p == '+' || *p == '-') ++p;
  return (*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f') || (*p >= 'A' && *p <= 'F');
}

// Follows the transfer from outside the dialog, through what the transfer reports of itself
// (its phase, the bytes sent, the length); sees the user's Ctrl-C and the time the console takes
// to answer; and draws the progress.
class CWatcher final : public CPortIo {
 public:
  CWatcher(CPortIo* pInner, CUploadDlg& dlg, DWORD dwWaitMs) : m_pInner(pInner), m_dlg(dlg), m_dwWaitMs(dwWaitMs) {
    DWORD nMode;
    m_bTerminal = api::GetConsoleMode(api::GetStdHandle(STD_OUTPUT_HANDLE), &nMode);
  }

  // A new transfer.
  void Begin() {
    m_bBegun = m_bData = m_bPollBusy = FALSE;
    m_nStopExit = 0;
    m_szStatus[0] = 0;
    m_nTenth = 0;
  }

  BYTE In(UINT nPort) override {
    if (nPort == static_cast<UINT>(g_nStatusPort)) {
      DWORD dwNow = api::GetTickCount();
      if (!m_nStopExit && s_nInterrupts) Stop(kExitStopped);
      if (!m_nStopExit && m_dwWaitMs && dwNow - m_dwMark >= m_dwWaitMs) Stop(kExitNoAnswer);
      if (m_bPollBusy) {
        m_bPollBusy = FALSE;
        return 0xFF;
      }
      if (m_dlg.m_nPhase == CUploadDlg::kPhaseHandshake && dwNow - m_dwBegin >= kHandshakeSpinMs) api::Sleep(1);
    }
    return m_pInner->In(nPort);
  }

  void Out(UINT nPort, BYTE value) override {
    m_pInner->Out(nPort, value);
    if (nPort != static_cast<UINT>(g_nDataPort)) return;
    DWORD dwNow = api::GetTickCount();
    // The time limit runs from the first offer through the whole handshake, then from each byte.
    if (!m_bBegun || m_dlg.m_nPhase != CUploadDlg::kPhaseHandshake) m_dwMark = dwNow;
    if (!m_bBegun) m_dwBegin = dwNow;
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
    if (m_bTerminal && dwNow - m_dwDrawn >= 100) Show();
  }

  // The dialog's status line changed (Ready, the end, is left to the summary).
  void OnStatus(LPCSTR pszText) {
    NoteDataPhase();
    if (!AfxStrCmpNoCase(pszText, m_szStatus)) return;
    // The data's last tenth, before the checksum's status.
    if (DataLineDue()) Show();
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
    FormatSummary(sz, nExit, Get(), pszAddress);
    return TRUE;
  }

  // kExitStopped (Ctrl-C) or kExitNoAnswer (--wait) when this side stopped the transfer, else 0.
  int GetStopExit() const { return m_nStopExit; }

 private:
  // Into a file or a pipe: a line is due at each tenth of the data.
  BOOL DataLineDue() const {
    return m_bData && !m_bTerminal && ProgressPercent(m_dlg.m_dwSent, m_dlg.m_dwLength) / 10 != m_nTenth;
  }

  void NoteDataPhase() {
    if (m_bData || m_dlg.m_nPhase < CUploadDlg::kPhaseData) return;
    m_bData = TRUE;
    m_dwStart = api::GetTickCount();
  }

  PROGRESS Get() const {
    PROGRESS p = {m_szStatus, m_bData, m_dlg.m_dwSent, m_dlg.m_dwLength, api::GetTickCount() - m_dwStart};
    return p;
  }

  // Ctrl-C and the time limit reach the dialog as its cancel command, through its message
  // queue; this status poll reads "busy", so that the wait looks at the queue even when the
  // card answers at once.
  void Stop(int nExit) {
    m_nStopExit = nExit;
    m_bPollBusy = headless::Click(m_dlg.m_hWnd, IDCANCEL);
  }

  // On a terminal one line, redrawn; into a file or a pipe a line at each status and each
  // tenth of the data.
  void Show() {
    char sz[180] = "\r";
    PROGRESS p = Get();
    FormatProgress(sz + 1, p);
    m_nTenth = p.bData ? ProgressPercent(p.nSent, p.nLength) / 10 : 0;
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
  CUploadDlg& m_dlg;
  DWORD m_dwWaitMs;
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
  BOOL m_bBegun = FALSE;
  BOOL m_bData = FALSE;
  BOOL m_bPollBusy = FALSE;
  int m_nStopExit = 0;
  char m_szStatus[64] = "";
  DWORD m_nTenth = 0;
  DWORD m_dwBegin = 0;
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

// An ELF file in the File box goes out as its image, at its load address (into the Address
// box); FALSE, with the message shown, when it cannot. Any other file, or one that does not
// open, is left to Execute. image gets what the caller frees; strPath, the file's path, stays
// with the caller as long as the image serves.
BOOL PrepareElf(CUploadDlg& dlg, LPCSTR pszAddress, ELF_IMAGE& image, CString& strPath) {
  image.pData = 0;
  dlg.GetDlgItemText(IDC_FILE, strPath);
  CFile file;
  BYTE head[64];
  if (strPath.IsEmpty() || !file.Open(strPath, CFile::shareDenyNone)) return TRUE;
  UINT nHead = file.Read(head, sizeof(head));
  if (!IsElfOrCoff(head, nHead)) return TRUE;
  char szWhy[300] = "an ELF file larger than 64 MiB";
  ElfKind kind = kElfRefused;
  DWORD nFile = static_cast<DWORD>(file.GetLength());
  if (file.GetLength() <= kElfMaxImage && nHead <= nFile) {
    BYTE* pFile = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, nFile));
    AfxMemCopy(szWhy, "the file could not be read whole", 33);
    if (pFile) AfxMemCopy(pFile, head, nHead);
    if (pFile && file.Read(pFile + nHead, nFile - nHead) == nFile - nHead)
      kind = MakeElfImage(pFile, nFile, image, szWhy, sizeof(szWhy));
    if (pFile) api::HeapFree(api::GetProcessHeap(), 0, pFile);
  }
  if (kind == kElfRefused) {
    Message("Cannot Send", strPath, szWhy);
    return FALSE;
  }
  char szAddress[12];
  api::wsprintfA(szAddress, "%08lx", static_cast<unsigned long>(image.dwAddress));
  if (pszAddress && ParseHexAddress(pszAddress) != image.dwAddress) {
    char sz[200];
    api::wsprintfA(sz, "--address %08lx differs from the load address of the ELF file, %s",
                   static_cast<unsigned long>(ParseHexAddress(pszAddress)), szAddress);
    Message(sz, strPath);
    api::HeapFree(api::GetProcessHeap(), 0, image.pData);
    image.pData = 0;
    return FALSE;
  }
  dlg.SetDlgItemText(IDC_ADDRESS, szAddress);
  CFile::SetImage(strPath, image.pData, image.nLength);
  return TRUE;
}

// One press of Execute with what the boxes hold, to its end: its exit code.
int SendOnce(CUploadDlg& dlg, CWatcher& watcher, Outcome& outcome, LPCSTR pszAddress, DWORD dwWait) {
  ELF_IMAGE image;
  CString strPath;
  if (!PrepareElf(dlg, pszAddress, image, strPath)) return kExitBadInput;
  watcher.Begin();
  outcome.nExit = kExitSent;
  ClearSystemError();
  headless::Click(dlg.m_hWnd, IDC_EXECUTE);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  CFile::SetImage(0, 0, 0);
  if (image.pData) api::HeapFree(api::GetProcessHeap(), 0, image.pData);
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
  return outcome.nExit;
}

// A file's size and time of its last change; all zero while there is no such file.
struct Stamp {
  DWORD a[4];
  BOOL operator!=(const Stamp& o) const { return a[0] != o.a[0] || a[1] != o.a[1] || a[2] != o.a[2] || a[3] != o.a[3]; }
};
Stamp GetStamp(LPCSTR pszPath) {
  Stamp s = {{0, 0, 0, 0}};
  WIN32_FIND_DATAA fd;
  HANDLE h = api::FindFirstFileA(pszPath, &fd);
  if (h == INVALID_HANDLE_VALUE) return s;
  api::FindClose(h);
  s.a[0] = fd.nFileSizeLow;
  s.a[1] = fd.nFileSizeHigh;
  s.a[2] = fd.ftLastWriteTime.dwLowDateTime;
  s.a[3] = fd.ftLastWriteTime.dwHighDateTime | 0x80000000u;  // never all zero for a file
  return s;
}

// --watch: waits until the file differs from what was sent and has stayed so for a moment;
// FALSE on Ctrl-C.
BOOL WaitForChange(LPCSTR pszPath, const Stamp& sent) {
  Stamp seen = sent;
  DWORD dwSince = api::GetTickCount();
  char sz[500];
  api::wsprintfA(sz, "watching %.400s for a change (Ctrl-C ends)\n", pszPath);
  Write(STD_OUTPUT_HANDLE, sz);
  for (;;) {
    if (s_nInterrupts) return FALSE;
    api::Sleep(kWatchPollMs);
    Stamp now = GetStamp(pszPath);
    if (now != seen) {
      seen = now;
      dwSince = api::GetTickCount();
    } else if (now.a[3] && now != sent && api::GetTickCount() - dwSince >= kWatchSteadyMs) {
      return TRUE;
    }
  }
}

}  // namespace

int CliMain(int argc, char** argv) {
  LPCSTR pszPort = 0, pszAddress = 0, pszFile = 0, pszSimulate = 0, pszWait = 0, pszReceipt = 0;
  BOOL bWatch = FALSE;
  // Each option with a value, and what it takes.
  static const struct {
    LPCSTR pszName;
    LPCSTR pszTakes;
  } kOptions[] = {{"--port", "300, 310, 320 or 330"},
                  {"--address", "a hexadecimal start address"},
                  {"--wait", "a whole number of seconds, from 1 to 1000000"},
                  {"--receipt", "a file name"}};
  LPCSTR* const ppszValues[] = {&pszPort, &pszAddress, &pszWait, &pszReceipt};
  enum { kPort, kAddress, kWait, kReceipt };
  auto Refuse = [](int k) {
    char sz[200];
    api::wsprintfA(sz, "%s takes %s", kOptions[k].pszName, kOptions[k].pszTakes);
    Message(sz);
    return kExitBadInput;
  };
  for (int i = 1; i < argc; ++i) {
    LPCSTR a = argv[i];
    int nTaken = 0;
    for (int k = 0; k < 4 && !nTaken; ++k) {
      nTaken = TakeValue(kOptions[k].pszName, argc, argv, i, *ppszValues[k]);
      if (nTaken < 0) return Refuse(k);
    }
    if (nTaken) continue;
    if (Equal(a, "--help") || Equal(a, "-h")) {
      Write(STD_OUTPUT_HANDLE, kUsage);
      return kExitSent;
    } else if (Equal(a, "--version")) {
      Write(STD_OUTPUT_HANDLE, kVersion);
      Write(STD_OUTPUT_HANDLE, "\n");
      return kExitSent;
    } else if (Equal(a, "--watch")) {
      bWatch = TRUE;
    } else if (Equal(a, "--simulate")) {
      pszSimulate = "paced";
    } else if (TakeValue("--simulate", 0, argv, i, pszSimulate) > 0) {
    } else if (a[0] == '-' && a[1]) {
      char sz[300];
      api::wsprintfA(sz, "unknown option: %.200s (see --help)", a);
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
  if (pszReceipt && !*pszReceipt) return Refuse(kReceipt);
  if (pszReceipt && !pszSimulate) {
    Message("--receipt goes with --simulate");
    return kExitBadInput;
  }
  int nPortIndex = -2;  // not given
  if (pszPort) {
    static const char* const kPorts[] = {"300", "310", "320", "330"};
    for (int i = 0; i < 4; ++i)
      if (Equal(pszPort, kPorts[i])) nPortIndex = i;
    if (nPortIndex < 0) return Refuse(kPort);
  }
  if (pszAddress && !HasHexDigit(pszAddress)) {
    char sz[300];
    api::wsprintfA(sz, "--address takes %s, not \"%.200s\"", kOptions[kAddress].pszTakes, pszAddress);
    Message(sz);
    return kExitBadInput;
  }
  DWORD dwWait = 0;
  if (pszWait) {
    LPCSTR p = pszWait;
    while (*p >= '0' && *p <= '9' && dwWait <= 1000000) dwWait = dwWait * 10 + static_cast<DWORD>(*p++ - '0');
    if (*p || dwWait == 0 || dwWait > 1000000) return Refuse(kWait);
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
  CWatcher watcher(pAccess, dlg, dwWait * 1000);
  g_pPortIo = pAccess ? &watcher : 0;

  Outcome outcome = {&dlg, &watcher, szWhy, kExitSent};
  headless::SetMessageBoxHook(&OnBox, &outcome);
  headless::SetObserver(&OnMessage, &outcome);
  api::SetConsoleCtrlHandler(&OnControl, TRUE);

  // Once; with --watch again at each change, until Ctrl-C or what no change of the file mends.
  CString strPath;
  dlg.GetDlgItemText(IDC_FILE, strPath);
  int nExit;
  for (;;) {
    Stamp sent = GetStamp(strPath);
    nExit = SendOnce(dlg, watcher, outcome, pszAddress, dwWait);
    if (!bWatch || strPath.IsEmpty() || nExit == kExitStopped || nExit == kExitNoPortAccess) break;
    dlg.SaveSettings();
    if (!WaitForChange(strPath, sent)) break;
    dlg.SetDlgItemText(IDC_FILE, strPath);
  }

  // Closing the dialog from Ready keeps the history, as closing the window does.
  headless::Click(hDlg, IDCANCEL);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  headless::SetObserver(0, 0);
  headless::SetMessageBoxHook(0, 0);
  api::DestroyWindow(hDlg);
  theApp.m_pMainWnd = 0;
  g_pPortIo = 0;
  return nExit;
}
