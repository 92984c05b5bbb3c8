// Report.cpp - varnok-cli's messages, exit codes and Ctrl-C.
#include "cli/Report.h"

#include "cli/Cli.h"
#include "cli/Progress.h"
#include "ui/UploadDlg.h"

namespace {

const char kName[] = "varnok-cli";

volatile LONG s_nInterrupts = 0;

BOOL WINAPI OnControl(DWORD) {
  // Called on a thread of its own for each Ctrl-C (Windows: two may run at once) or in a signal
  // handler (Linux): counted without losing one, and the second ends the program.
  api::InterlockedIncrement(&s_nInterrupts);
  if (s_nInterrupts > 1) api::ExitProcess(kExitStopped);
  return TRUE;
}

}  // namespace

void CliWrite(DWORD nStream, LPCSTR psz) {
  DWORD n = 0;
  api::WriteFile(api::GetStdHandle(nStream), psz, static_cast<DWORD>(AfxStrLen(psz)), &n, 0);
}

void CliMessage(LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  char sz[1100];
  int n = api::wsprintfA(sz, "%s: %.300s", kName, pszWhat);
  if (pszObject) n += api::wsprintfA(sz + n, ": %.400s", pszObject);
  if (pszReason) n += api::wsprintfA(sz + n, ": %.300s", pszReason);
  api::wsprintfA(sz + n, "\n");
  CliWrite(STD_ERROR_HANDLE, sz);
}

void CliCatchInterrupts() { api::SetConsoleCtrlHandler(&OnControl, TRUE); }

LONG CliInterrupts() { return s_nInterrupts; }

CReport::CReport(CUploadDlg& dlg, CProgressLine& line, LPCSTR pszWhyNoPorts)
    : m_dlg(dlg), m_line(line), m_pszWhyNoPorts(pszWhyNoPorts), m_nExit(kExitSent) {
  headless::SetMessageBoxHook(&OnBox, this);
}

CReport::~CReport() { headless::SetMessageBoxHook(0, 0); }

void CReport::Begin() {
  m_nExit = kExitSent;
  ClearSystemError();
}

void CReport::OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext) {
  char szReason[300];
  BOOL bReason = GetSystemError(szReason, sizeof(szReason));  // before anything else can fail
  CReport* pThis = static_cast<CReport*>(pContext);
  pThis->m_line.EndLine();
  // Each box the dialog shows, by its string's number: the exit code, and what it is about (the
  // file, and why in the system's words or these; or the ports).
  static const struct {
    UINT nID;
    int nExit;
    BOOL bPath;
    BOOL bSystemReason;
    LPCSTR pszReason;
  } kBoxes[] = {{IDS_NO_FILE, kExitBadInput, FALSE, FALSE, 0},
                {IDS_NO_ADDRESS, kExitBadInput, FALSE, FALSE, 0},
                {IDS_NO_PORT, kExitBadInput, FALSE, FALSE, 0},
                {IDS_OPEN_ERROR, kExitBadInput, TRUE, TRUE, 0},
                {IDS_FILE_TOO_LARGE, kExitBadInput, TRUE, FALSE, "more than 4294967295 bytes"},
                {IDS_CHECKSUM_ERROR, kExitChecksum, FALSE, FALSE, 0},
                {IDS_PORT_ACCESS, kExitNoPortAccess, FALSE, FALSE, 0},
                // No failure in the system: the read came short (the file shrank, or is not all there).
                {IDS_READ_ERROR, kExitTransferFault, TRUE, TRUE, "the file ended before its length"},
                {IDS_OUT_OF_MEMORY, kExitTransferFault, FALSE, FALSE, 0}};
  int nExit = kExitInternal;
  CString strPath;
  pThis->m_dlg.GetDlgItemText(IDC_FILE, strPath);
  LPCSTR pszObject = 0, pszReason = 0;
  for (const auto& b : kBoxes) {
    if (b.nID != box.nID) continue;
    nExit = b.nExit;
    pszObject = b.bPath ? static_cast<LPCSTR>(strPath) : 0;
    pszReason = b.bSystemReason && bReason ? szReason : b.pszReason;
  }
  if (nExit == kExitNoPortAccess && pThis->m_pszWhyNoPorts[0]) pszObject = pThis->m_pszWhyNoPorts;
  if (nExit == kExitInternal) {
    // A box this table has not heard of: a fault of the program, not of the user's input.
    char sz[80];
    api::wsprintfA(sz, "internal fault: message %u is not known here", box.nID);
    CliMessage(sz, box.strText);
  } else {
    CliMessage(box.strText, pszObject, pszReason);
  }
  if (pThis->m_nExit == kExitSent) pThis->m_nExit = nExit;
}
