// Follower.cpp - the transfer timed and stopped from outside the dialog.
#include "cli/Follower.h"

#include "cli/Cli.h"
#include "cli/Report.h"
#include "framework/headless/Headless.h"
#include "ui/UploadDlg.h"

namespace {
// While the console has not answered the handshake, the polls sleep a millisecond each once
// this long has gone by: no core is kept busy, and a console that answers at once is not slowed.
const DWORD kHandshakeSpinMs = 250;
}  // namespace

CFollower::CFollower(CPortIo* pInner, CUploadDlg& dlg, DWORD dwWaitMs)
    : m_pInner(pInner), m_dlg(dlg), m_dwWaitMs(dwWaitMs) {}

void CFollower::Begin() {
  m_bBegun = m_bPollBusy = FALSE;
  m_nStopExit = 0;
  m_pszWhy = 0;
}

BYTE CFollower::In(UINT nPort) {
  if (nPort == static_cast<UINT>(g_nStatusPort)) {
    DWORD dwNow = api::GetTickCount();
    if (!m_nStopExit && CliInterrupts()) Stop(kExitStopped);
    if (!m_nStopExit && m_dwWaitMs && dwNow - m_dwMark >= m_dwWaitMs) Stop(kExitNoAnswer);
    if (m_bPollBusy) {
      m_bPollBusy = FALSE;
      return 0xFF;
    }
    if (m_dlg.m_nPhase == CUploadDlg::kPhaseHandshake && dwNow - m_dwBegin >= kHandshakeSpinMs) api::Sleep(1);
  }
  return m_pInner->In(nPort);
}

void CFollower::Out(UINT nPort, BYTE value) {
  m_pInner->Out(nPort, value);
  if (nPort != static_cast<UINT>(g_nDataPort)) return;
  DWORD dwNow = api::GetTickCount();
  // The time limit runs from the first offer through the whole handshake, then from each byte.
  if (!m_bBegun || m_dlg.m_nPhase != CUploadDlg::kPhaseHandshake) m_dwMark = dwNow;
  if (!m_bBegun) m_dwBegin = dwNow;
  m_bBegun = TRUE;
}

void CFollower::Stop(int nExit, LPCSTR pszWhy) {
  if (m_nStopExit) return;
  m_nStopExit = nExit;
  m_pszWhy = pszWhy;
  m_bPollBusy = headless::Click(m_dlg.m_hWnd, IDCANCEL);
}
