// ServerPump.cpp - varnok-cli --serve between the dialog and the card: while the console is busy,
// the body read ahead of it, a second client answered busy, a client gone or stalled noticed.
#include "cli/Cli.h"
#include "cli/Follower.h"
#include "cli/Net.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "cli/Server.h"
#include "ui/UploadDlg.h"

void CServer::Tick() {
  // Every 64th access looks at the clock: the card is not slowed by it.
  if (++m_nAccesses % 64) return;
  DWORD dwNow = api::GetTickCount();
  if (dwNow == m_dwTick) return;
  m_dwTick = dwNow;
  Pump();
}

BYTE CServer::In(UINT nPort) {
  if (m_bActive && nPort == static_cast<UINT>(g_nStatusPort)) {
    Tick();
    // A stop asked for just now: this poll reads busy, so that the wait takes it from the queue.
    if (m_bStopPending) {
      m_bStopPending = FALSE;
      return 0xFF;
    }
  }
  return m_pInner->In(nPort);
}

void CServer::Out(UINT nPort, BYTE value) {
  if (m_bActive && nPort == static_cast<UINT>(g_nDataPort)) {
    DWORD nNeed = NeededAfterByte();
    if (nNeed > m_nBody) WaitForBody(nNeed);
    Tick();
  }
  m_pInner->Out(nPort, value);
}

DWORD CServer::NeededAfterByte() {
  // The data phase reads the first slice after the header's last byte, and each next one after
  // the last byte of a slice: ten slices of L/10 bytes and the remainder; a file under ten bytes
  // at once.
  DWORD nLength = m_nLength;
  if (m_dlg.m_nPhase == CUploadDlg::kPhaseHeader)
    return ++m_nHeaderBytes < 8 ? 0 : nLength < 10 ? nLength : nLength / 10;
  if (m_dlg.m_nPhase != CUploadDlg::kPhaseData || nLength < 10) return 0;
  DWORD nSlice = nLength / 10, nDone = m_dlg.m_dwSent + 1;
  if (nDone % nSlice || nDone / nSlice > 10) return 0;
  return nDone / nSlice < 10 ? nDone + nSlice : nLength;
}

BOOL CServer::WaitForBody(DWORD nNeed) {
  while (m_nBody < nNeed && m_why == kNone) {
    if (CliInterrupts()) {
      // During a transfer the follower stops it at its next look.
      if (!m_bActive) m_why = kInterrupted;
      return FALSE;
    }
    NetWait(m_s, FALSE, 50);
    Pump();
  }
  return m_nBody >= nNeed;
}

void CServer::Pump() {
  DWORD dwNow = api::GetTickCount();
  // The body as far as it has come; after it, only whether the client is still there (bytes past
  // the Content-Length are not part of the upload and are read away).
  while (m_why == kNone) {
    char scratch[512];
    BOOL bBody = m_nBody < m_nLength;
    DWORD nWant = bBody ? m_nLength - m_nBody : sizeof(scratch);
    int n = api::recv(m_s, bBody ? reinterpret_cast<char*>(m_pBody) + m_nBody : scratch,
                      static_cast<int>(nWant < 0x100000 ? nWant : 0x100000), 0);
    if (n > 0 && bBody) {
      m_nBody += static_cast<DWORD>(n);
      m_dwLastByte = dwNow;
      continue;
    }
    if (n == 0 || (n < 0 && !NetWouldBlock())) m_why = kGone;
    break;
  }
  if (m_why == kNone && m_nBody < m_nLength && dwNow - m_dwLastByte >= kStallMs) m_why = kStalled;
  if (m_why == kNone && m_bStream && !Flush(0)) m_why = kGone;
  // While a transfer stops, a newcomer waits for its end, to be served.
  if (m_why == kNone) AnswerNewcomers();
  DrainLingering(FALSE);
  if (m_why != kNone && m_bActive && !m_bStopAsked) {
    m_bStopAsked = m_bStopPending = TRUE;
    m_pFollower->Stop(kExitStopped, WhyText(m_why));
  }
}

void CServer::AnswerNewcomers() {
  for (int k = 0; k < 4 && NetWait(m_listen, FALSE, 0) > 0; ++k) {
    char szPeer[24];
    SOCKET s = NetAccept(m_listen, szPeer);
    if (s == INVALID_SOCKET) return;
    // When the running upload may be done, from its pace so far.
    DWORD nSent = m_dlg.m_dwSent, dwRate = ProgressRate(nSent, api::GetTickCount() - m_dwStart);
    DWORD dwLeft = nSent && dwRate ? (m_nLength - nSent) / dwRate + 1 : 5;
    Answer(s, szPeer, 503, "varnok-cli: the console is busy with another upload: try again when it is done\n", dwLeft);
  }
}
