// Response.h - what the server answers an upload: the lines of its transfer as they are written
// (sent as they come when streamed, after the head), its messages and summary.
#ifndef VARNOK_CLI_NET_RESPONSE_H
#define VARNOK_CLI_NET_RESPONSE_H

#include "cli/net/Sockets.h"
#include "cli/output/Output.h"

class CResponse final : public CLineSink {
 public:
  static const DWORD kMax = 8192;  // what is kept of a response that is not streamed
  CResponse();
  ~CResponse();
  BOOL IsReady() const { return m_p != 0; }
  // A new response on s; streamed: each Flush sends what has come.
  void Start(SOCKET s, BOOL bStream);
  BOOL IsStreaming() const { return m_bStream; }
  void Write(DWORD nStream, LPCSTR psz) override;
  // Sends what has been written, within dwMs (0: what goes at once); FALSE when the client has gone.
  BOOL Flush(DWORD dwMs);
  // The text kept (not streamed).
  const char* GetText() const { return m_p; }
  DWORD GetLength() const { return m_n; }

 private:
  SOCKET m_s = INVALID_SOCKET;
  BOOL m_bStream = FALSE;
  char* m_p;  // kMax bytes, on the heap: the Windows build probes no stack
  DWORD m_n = 0, m_nSent = 0;
};

#endif  // VARNOK_CLI_NET_RESPONSE_H
