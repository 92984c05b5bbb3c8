// Follower.h - varnok-cli's watch over a transfer, between the dialog and the card: it times the
// console (--wait), turns Ctrl-C into Stop, and keeps the waits from burning a core.
#ifndef VARNOK_CLI_FOLLOWER_H
#define VARNOK_CLI_FOLLOWER_H

#include "portio/PortIo.h"

class CUploadDlg;

class CFollower final : public CPortIo {
 public:
  // dwWaitMs: how long the console may take to answer (0: for ever).
  CFollower(CPortIo* pInner, CUploadDlg& dlg, DWORD dwWaitMs);

  // A new transfer.
  void Begin();
  // kExitStopped (Ctrl-C) or kExitNoAnswer (--wait) when this side stopped the transfer, else 0;
  // and why, when the stop came from elsewhere (0: Ctrl-C or --wait).
  int GetStopExit() const { return m_nStopExit; }
  LPCSTR GetStopWhy() const { return m_pszWhy; }
  void SetWait(DWORD dwWaitMs) { m_dwWaitMs = dwWaitMs; }
  // Ctrl-C and the time limit reach the dialog as its cancel command, through its message
  // queue; this status poll reads "busy", so that the wait looks at the queue even when the
  // card answers at once. pszWhy (kept, not copied): a stop for another reason (the server's).
  void Stop(int nExit, LPCSTR pszWhy = 0);
  // The data bytes the console had answered then (the dialog writes the rest of its slice after
  // a stop without waiting for answers).
  DWORD GetSentAtStop() const { return m_nSentAtStop; }

  BYTE In(UINT nPort) override;
  void Out(UINT nPort, BYTE value) override;

 private:
  CPortIo* m_pInner;
  CUploadDlg& m_dlg;
  DWORD m_dwWaitMs;
  BOOL m_bBegun = FALSE;
  BOOL m_bPollBusy = FALSE;
  int m_nStopExit = 0;
  LPCSTR m_pszWhy = 0;
  DWORD m_nSentAtStop = 0;
  DWORD m_dwMark = 0;
};

#endif  // VARNOK_CLI_FOLLOWER_H
