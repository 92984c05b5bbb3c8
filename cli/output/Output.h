// Output.h - what varnok-cli writes: text to stdout or stderr (in a console's own code page),
// its messages, Ctrl-C, and the sinks that take the lines of an upload (the console's, or a
// network response's).
#ifndef VARNOK_CLI_OUTPUT_OUTPUT_H
#define VARNOK_CLI_OUTPUT_OUTPUT_H

#include "framework/afxwin.h"

// Text to stdout or stderr (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE).
void CliWrite(DWORD nStream, LPCSTR psz);

// A message kept to be shown later: what, about what (the file, the ports; empty: nothing), and
// why (empty: no reason given).
struct CLI_MESSAGE {
  char szWhat[300];
  char szObject[400];
  char szReason[320];
};
void SetCliMessage(CLI_MESSAGE& m, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);
// "varnok-cli: what[: object[: reason]]\n" into sz (1100 bytes); its length.
int FormatCliMessage(char* sz, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);
// The same on stderr.
void CliMessage(LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

// The first thing the program does: Ctrl-C caught (the handler notes it; a second one ends the
// program at once), a write to the profile that fails reported on stderr (the first time only),
// and which of stdout and stderr is a console noted.
void CliStart();
// Whether Ctrl-C has been pressed.
BOOL CliInterrupted();
BOOL CliIsConsole(DWORD nStream);

// Where the lines of an upload go: progress and summary to nStream STD_OUTPUT_HANDLE, messages to
// STD_ERROR_HANDLE.
class CLineSink {
 public:
  virtual void Write(DWORD nStream, LPCSTR psz) = 0;
  // Whether the progress is redrawn on one line (a terminal) rather than written line by line.
  virtual BOOL IsTerminal() const { return FALSE; }
  void Message(LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);
  void Message(const CLI_MESSAGE& m);

 protected:
  ~CLineSink() {}
};

// stdout and stderr.
class CConsoleSink final : public CLineSink {
 public:
  void Write(DWORD nStream, LPCSTR psz) override { CliWrite(nStream, psz); }
  BOOL IsTerminal() const override { return CliIsConsole(STD_OUTPUT_HANDLE); }
};

// A status line: on a terminal one line, redrawn; else a line each.
class CStatusLine {
 public:
  explicit CStatusLine(CLineSink& sink) : m_sink(sink), m_bTerminal(sink.IsTerminal()) {}
  void Show(LPCSTR pszLine);
  // Leaves the line being redrawn behind, before anything else is written.
  void End();
  BOOL IsTerminal() const { return m_bTerminal; }

 private:
  CLineSink& m_sink;
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
};

#endif  // VARNOK_CLI_OUTPUT_OUTPUT_H
