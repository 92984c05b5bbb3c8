// Report.h - what varnok-cli tells its user: messages on stderr, the dialog's message boxes turned
// into messages and exit codes, and Ctrl-C.
#ifndef VARNOK_CLI_REPORT_H
#define VARNOK_CLI_REPORT_H

#include "framework/headless/Headless.h"

// Text to stdout or stderr (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE), or to where a sink takes it
// (the server: into the response), when one is set.
void CliWrite(DWORD nStream, LPCSTR psz);
typedef void (*CLI_SINK)(DWORD nStream, LPCSTR psz, void* pContext);
void CliSetSink(CLI_SINK pfn, void* pContext);
// "varnok-cli: what[: object[: reason]]" on stderr.
void CliMessage(LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

// Ctrl-C: the handler counts them (a second one ends the program at once); how many came.
void CliCatchInterrupts();
LONG CliInterrupts();

// The system's side (cli/posix, cli/win32): the system's reason for the latest failed call, FALSE
// when there is none; and forgetting it.
BOOL GetSystemError(char* pszText, int nText);
void ClearSystemError();

class CUploadDlg;
class CProgressLine;

// The dialog's message boxes during an upload: each one's text on stderr with what it is about
// (the file, the ports); the first one sets the upload's exit code.
class CReport {
 public:
  CReport(CUploadDlg& dlg, CProgressLine& line, LPCSTR pszWhyNoPorts);
  ~CReport();
  // A new upload: no box shown yet.
  void Begin();
  int GetExit() const { return m_nExit; }
  void SetExit(int nExit) { m_nExit = nExit; }

 private:
  static void OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext);
  CUploadDlg& m_dlg;
  CProgressLine& m_line;
  LPCSTR m_pszWhyNoPorts;
  int m_nExit;
};

#endif  // VARNOK_CLI_REPORT_H
