// Listener.h - what the session tells those who follow a transfer (the progress line, the
// deadline, the server), and how one of them stops it.
#ifndef VARNOK_CLI_SESSION_LISTENER_H
#define VARNOK_CLI_SESSION_LISTENER_H

#include "framework/platform.h"

// How far a transfer has come.
enum TransferStep { kStepInit, kStepHandshake, kStepHeader, kStepData, kStepChecksum };
struct TRANSFER {
  TransferStep step;
  DWORD nSent;       // the data bytes the console has answered
  DWORD nLength;     // the length in the header (0 before it)
  BOOL bData;        // the data phase has begun
  DWORD dwDataTick;  // GetTickCount when it began
};

// A stop one of them asks for: the exit code, and why in words (0: "stopped").
struct TRANSFER_STOP {
  int nExit;
  LPCSTR pszWhy;
};

class CTransferListener {
 public:
  // A transfer is about to begin (Execute is pressed).
  virtual void OnBegin() {}
  // The status line shows pszText (the Ready of the end is not told).
  virtual void OnStatus(LPCSTR pszText, const TRANSFER& t) {
    (void)pszText;
    (void)t;
  }
  // A byte has gone to the card's data register.
  virtual void OnByte(const TRANSFER& t) { (void)t; }
  // The transfer is about to look at the card's status (it does so until the card has answered):
  // TRUE to stop it, for the reason in stop.
  virtual BOOL OnLook(const TRANSFER& t, TRANSFER_STOP& stop) {
    (void)t;
    (void)stop;
    return FALSE;
  }

 protected:
  ~CTransferListener() {}
};

#endif  // VARNOK_CLI_SESSION_LISTENER_H
