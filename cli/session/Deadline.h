// Deadline.h - the watch over a transfer's time: it gives up on a console that does not answer in
// time (--wait), turns Ctrl-C into Stop, and keeps the waits from burning a core.
#ifndef VARNOK_CLI_SESSION_DEADLINE_H
#define VARNOK_CLI_SESSION_DEADLINE_H

#include "cli/session/Listener.h"

class CDeadline final : public CTransferListener {
 public:
  // dwWaitSeconds: how long the console may take to answer (0: for ever).
  explicit CDeadline(DWORD dwWaitSeconds) { SetWait(dwWaitSeconds); }
  void SetWait(DWORD dwWaitSeconds);

  void OnBegin() override { m_bBegun = FALSE; }
  void OnByte(const TRANSFER& t) override;
  BOOL OnLook(const TRANSFER& t, TRANSFER_STOP& stop) override;

 private:
  DWORD m_dwWaitMs = 0;
  char m_szNoAnswer[60] = "";
  BOOL m_bBegun = FALSE;
  DWORD m_dwMark = 0;
};

#endif  // VARNOK_CLI_SESSION_DEADLINE_H
