// ProgressLine.cpp - the progress line, drawn from the session's account of the transfer.
#include "cli/session/ProgressLine.h"

#include "cli/output/Progress.h"
#include "res/resource.h"

void CProgressLine::OnBegin() {
  m_bData = FALSE;
  m_szStatus[0] = 0;
  m_nTenth = 0;
}

void CProgressLine::OnByte(const TRANSFER& t) {
  if (t.bData && !m_bData) {
    // The data phase, whatever the dialog's status line says for a file under ten bytes.
    CString str;
    str.LoadString(IDS_STATUS_SENDING);
    OnStatus(str, t);
  } else if (DataLineDue(t)) {
    Show(t);
  }
  if (m_line.IsTerminal() && api::GetTickCount() - m_dwDrawn >= 100) Show(t);
}

void CProgressLine::OnStatus(LPCSTR pszText, const TRANSFER& t) {
  m_bData = t.bData;
  if (!AfxStrCmpNoCase(pszText, m_szStatus)) return;
  // The data's last tenth, before the checksum's status.
  if (DataLineDue(t)) Show(t);
  api::wsprintfA(m_szStatus, "%.63s", pszText);
  Show(t);
}

// Line by line: a line is due at each tenth of the data.
BOOL CProgressLine::DataLineDue(const TRANSFER& t) const {
  return t.bData && !m_line.IsTerminal() && ProgressPercent(t.nSent, t.nLength) / 10 != m_nTenth;
}

void CProgressLine::Show(const TRANSFER& t) {
  char sz[180];
  PROGRESS p = {m_szStatus, t.bData, t.nSent, t.nLength, api::GetTickCount() - t.dwDataTick};
  FormatProgress(sz, p);
  m_nTenth = t.bData ? ProgressPercent(t.nSent, t.nLength) / 10 : 0;
  m_line.Show(sz);
  m_dwDrawn = api::GetTickCount();
}
