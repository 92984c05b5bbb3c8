// Body.h - an upload's body as it arrives, into memory (the whole of it fits: at most 16 MiB):
// read without waiting, as far as it has come; after it, only whether the client is still there.
#ifndef VARNOK_CLI_NET_BODY_H
#define VARNOK_CLI_NET_BODY_H

#include "cli/net/Sockets.h"

class CBody {
 public:
  enum Why { kNone, kGone, kStalled, kInterrupted };
  static const DWORD kStallMs = 10000;  // a client that sends nothing this long has stalled

  ~CBody() { Free(); }
  // nLength bytes from s, the first nFirst of them in pFirst already; FALSE without the memory.
  BOOL Start(SOCKET s, DWORD nLength, const char* pFirst, DWORD nFirst);
  void Free();
  // One look at the socket: what has come of the body, or that the client has gone or stalled.
  void Read();
  void SetWhy(Why why) {
    if (m_why == kNone) m_why = why;
  }

  Why GetWhy() const { return m_why; }
  // "the client closed the connection", "the client sent nothing for 10 s", or 0.
  LPCSTR GetWhyText() const;
  DWORD GetLength() const { return m_nLength; }
  DWORD GetArrived() const { return m_nArrived; }
  const BYTE* GetBytes() const { return m_p; }

 private:
  SOCKET m_s = INVALID_SOCKET;
  BYTE* m_p = 0;
  DWORD m_nLength = 0, m_nArrived = 0;
  DWORD m_dwLastByte = 0;
  Why m_why = kNone;
};

#endif  // VARNOK_CLI_NET_BODY_H
