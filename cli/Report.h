// Report.h - what varnok-cli tells its user: messages on stderr, the dialog's message boxes turned
// into messages and exit codes, and Ctrl-C.
#ifndef VARNOK_CLI_REPORT_H
#define VARNOK_CLI_REPORT_H

#include "framework/headless/Headless.h"

// Text to stdout or stderr (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE).
void CliWrite(DWORD nStream, LPCSTR psz);
// "varnok-cli: what[: object[: reason]]" on stderr.
void CliMessage(LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

// The first thing the program does: Ctrl-C caught (the handler counts them; a second one ends
// the program at once), a write to the profile that fails reported on stderr (the first time
// only), and which of stdout and stderr is a console noted.
void CliStart();
LONG CliInterrupts();
BOOL CliIsConsole(DWORD nStream);

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
