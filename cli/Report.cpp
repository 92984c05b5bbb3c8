// Report.cpp - varnok-cli's messages, exit codes and Ctrl-C.
#include "cli/Report.h"

#include "app/UploaderApp.h"
#include "cli/Cli.h"
#include "cli/Progress.h"
#include "ui/UploadDlg.h"

namespace {

const char kName[] = "varnok-cli";

volatile LONG s_nInterrupts = 0;
CLI_SINK s_pfnSink = 0;
void* s_pSinkContext = 0;
BOOL s_bConsole[2];  // stdout, stderr

BOOL WINAPI OnControl(DWORD) {
  // Called on a thread of its own for each Ctrl-C (Windows: two may run at once) or in a signal
  // handler (Linux): counted without losing one, and the second ends the program.
  if (api::InterlockedIncrement(&s_nInterrupts) > 1) api::ExitProcess(kExitStopped);
  return TRUE;
}

void WriteTo(DWORD nStream, LPCSTR psz) {
  HANDLE h = api::GetStdHandle(nStream);
  DWORD nDone;
  // A console shows its own (OEM) code page: a name with a letter beyond ASCII is converted for
  // it; a file or a pipe gets the program's bytes as they are.
  BOOL bConsole = CliIsConsole(nStream);
  for (DWORD n = static_cast<DWORD>(AfxStrLen(psz)); n;) {
    char sz[512];
    DWORD nPart = n < sizeof(sz) ? n : sizeof(sz);
    if (bConsole) api::CharToOemBuffA(psz, sz, nPart);
    api::WriteFile(h, bConsole ? sz : psz, nPart, &nDone, 0);
    psz += nPart;
    n -= nPart;
  }
}

}  // namespace

void CliSetSink(CLI_SINK pfn, void* pContext) {
  s_pfnSink = pfn;
  s_pSinkContext = pContext;
}

void CliWrite(DWORD nStream, LPCSTR psz) {
  if (s_pfnSink) return s_pfnSink(nStream, psz, s_pSinkContext);
  WriteTo(nStream, psz);
}

void CliWriteOwn(LPCSTR psz) { WriteTo(STD_OUTPUT_HANDLE, psz); }

void CliMessage(LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  char sz[1100];
  int n = api::wsprintfA(sz, "%s: %.300s", kName, pszWhat);
  if (pszObject) n += api::wsprintfA(sz + n, ": %.400s", pszObject);
  if (pszReason) n += api::wsprintfA(sz + n, ": %.300s", pszReason);
  api::wsprintfA(sz + n, "\n");
  CliWrite(STD_ERROR_HANDLE, sz);
}

BOOL CliIsConsole(DWORD nStream) { return s_bConsole[nStream == STD_ERROR_HANDLE]; }

void CliStart() {
  api::SetConsoleCtrlHandler(&OnControl, TRUE);
  // Asked once: the question leaves a failure behind where the answer is no, which must not pass
  // for a later failure's reason.
  DWORD nMode;
  s_bConsole[0] = api::GetConsoleMode(api::GetStdHandle(STD_OUTPUT_HANDLE), &nMode);
  s_bConsole[1] = api::GetConsoleMode(api::GetStdHandle(STD_ERROR_HANDLE), &nMode);
  // The first failure says it all; the upload's exit code stays what the upload earned.
  theApp.SetProfileErrorHook(
      [](LPCSTR pszProfile, void*) {
        char szReason[300] = "the system gave no reason";
        GetSystemError(szReason, sizeof(szReason));
        CliMessage("cannot save the history in the profile", pszProfile, szReason);
        theApp.SetProfileErrorHook(0, 0);
      },
      0);
}

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
  // The command line's own paths are full; the window keeps one typed into its File box as typed,
  // relative to the folder it was started in, which a bare run from elsewhere cannot know.
  if (box.nID == IDS_OPEN_ERROR && !strPath.IsEmpty() && strPath[0] != '/' && strPath[0] != '\\' &&
      (strPath.GetLength() < 2 || strPath[1] != ':'))
    CliMessage("the window's history holds a relative path, looked for as", AfxFullPath(strPath),
               "the window keeps a path typed into its File box as typed; give the file again, or choose it with "
               "Browse in the window, which keeps full paths");
  if (pThis->m_nExit == kExitSent) pThis->m_nExit = nExit;
}
