// ProgressLine.h - the progress of a transfer as varnok-cli shows it, from what the session tells
// of it (its status line, its phase, the bytes answered, the length): on a terminal one line,
// redrawn; into a file, a pipe or a response, a line at each status and each tenth of the data.
#ifndef VARNOK_CLI_SESSION_PROGRESSLINE_H
#define VARNOK_CLI_SESSION_PROGRESSLINE_H

#include "cli/output/Output.h"
#include "cli/session/Listener.h"

class CProgressLine final : public CTransferListener {
 public:
  explicit CProgressLine(CLineSink& sink) : m_line(sink) {}
  // Leaves the updating line behind before anything else is written.
  void End() { m_line.End(); }

  void OnBegin() override;
  void OnStatus(LPCSTR pszText, const TRANSFER& t) override;
  void OnByte(const TRANSFER& t) override;

 private:
  BOOL DataLineDue(const TRANSFER& t) const;
  void Show(const TRANSFER& t);

  CStatusLine m_line;
  BOOL m_bData = FALSE;
  char m_szStatus[64] = "";
  DWORD m_nTenth = 0;
  DWORD m_dwDrawn = 0;
};

#endif  // VARNOK_CLI_SESSION_PROGRESSLINE_H
