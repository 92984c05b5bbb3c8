// Deadline.cpp - the transfer timed and stopped from outside the dialog.
#include "cli/session/Deadline.h"

#include "cli/output/Exit.h"
#include "cli/output/Output.h"

namespace {
// Once the console has kept the transfer waiting this long (for its Ready in the handshake, for
// the answer to a byte after it), each look at the card sleeps a millisecond first: no core is
// kept busy, and a console that answers in time is never slowed. A console that is starting up
// answers many offers "not ready", each at once, for a while: the handshake's is longer.
const DWORD kHandshakeSpinMs = 250;
const DWORD kByteSpinMs = 20;
}  // namespace

void CDeadline::SetWait(DWORD dwWaitSeconds) {
  m_dwWaitMs = dwWaitSeconds * 1000;
  api::wsprintfA(m_szNoAnswer, "the console did not answer within %lu s", static_cast<unsigned long>(dwWaitSeconds));
}

void CDeadline::OnByte(const TRANSFER& t) {
  // The wait (and its time limit) runs from the first offer through the whole handshake, then
  // from each byte.
  if (!m_bBegun || t.step != kStepHandshake) m_dwMark = api::GetTickCount();
  m_bBegun = TRUE;
}

BOOL CDeadline::OnLook(const TRANSFER& t, TRANSFER_STOP& stop) {
  DWORD dwNow = api::GetTickCount();
  if (CliInterrupted()) {
    stop.nExit = kExitStopped;
    stop.pszWhy = 0;
    return TRUE;
  }
  if (m_dwWaitMs && dwNow - m_dwMark >= m_dwWaitMs) {
    stop.nExit = kExitNoAnswer;
    stop.pszWhy = m_szNoAnswer;
    return TRUE;
  }
  if (dwNow - m_dwMark >= (t.step == kStepHandshake ? kHandshakeSpinMs : kByteSpinMs)) api::Sleep(1);
  return FALSE;
}
