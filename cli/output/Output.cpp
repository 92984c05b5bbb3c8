// Output.cpp - varnok-cli's text, messages and Ctrl-C.
#include "cli/output/Output.h"

#include "app/UploaderApp.h"
#include "cli/output/Exit.h"
#include "cli/system/System.h"

namespace {

volatile LONG s_bInterrupted = 0;
BOOL s_bConsole[2];  // stdout, stderr

BOOL WINAPI OnControl(DWORD) {
  // Called on a thread of its own for each Ctrl-C (Windows: two may run at once) or in a signal
  // handler (Linux): noted in one step, and the second ends the program.
  if (api::InterlockedExchange(&s_bInterrupted, 1)) api::ExitProcess(kExitStopped);
  return TRUE;
}

}  // namespace

void CliWrite(DWORD nStream, LPCSTR psz) {
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

int FormatCliMessage(char* sz, LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  int n = api::wsprintfA(sz, "varnok-cli: %.300s", pszWhat);
  if (pszObject) n += api::wsprintfA(sz + n, ": %.400s", pszObject);
  if (pszReason) n += api::wsprintfA(sz + n, ": %.300s", pszReason);
  return n + api::wsprintfA(sz + n, "\n");
}

void CliMessage(LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  char sz[1100];
  FormatCliMessage(sz, pszWhat, pszObject, pszReason);
  CliWrite(STD_ERROR_HANDLE, sz);
}

void CLineSink::Message(LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  char sz[1100];
  FormatCliMessage(sz, pszWhat, pszObject, pszReason);
  Write(STD_ERROR_HANDLE, sz);
}

void CLineSink::Message(const CLI_MESSAGE& m) {
  Message(m.szWhat, m.szObject[0] ? m.szObject : 0, m.szReason[0] ? m.szReason : 0);
}

void SetCliMessage(CLI_MESSAGE& m, LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  api::wsprintfA(m.szWhat, "%.299s", pszWhat);
  api::wsprintfA(m.szObject, "%.399s", pszObject ? pszObject : "");
  api::wsprintfA(m.szReason, "%.319s", pszReason ? pszReason : "");
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

BOOL CliInterrupted() { return s_bInterrupted != 0; }

void CStatusLine::Show(LPCSTR pszLine) {
  if (!m_bTerminal) {
    m_sink.Write(STD_OUTPUT_HANDLE, pszLine);
    m_sink.Write(STD_OUTPUT_HANDLE, "\n");
    return;
  }
  // Spaces, not an escape sequence, clear what a longer line left: every console shows them.
  const int kWidth = 78;
  char sz[kWidth + 2] = "\r";
  int n = 1 + api::wsprintfA(sz + 1, "%.78s", pszLine);
  while (n < kWidth + 1) sz[n++] = ' ';
  sz[n] = 0;
  m_sink.Write(STD_OUTPUT_HANDLE, sz);
  m_bDrawn = TRUE;
}

void CStatusLine::End() {
  if (m_bDrawn) m_sink.Write(STD_OUTPUT_HANDLE, "\n");
  m_bDrawn = FALSE;
}
