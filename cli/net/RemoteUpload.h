// RemoteUpload.h - one upload that came over the network, run through the session as a local one:
// the body read ahead of the card into memory while the console is busy (its source waits for
// what has not come), the lines of the transfer into the response, other clients kept answered
// meanwhile, and a client that has gone or stalled stopping the transfer as Stop does.
#ifndef VARNOK_CLI_NET_REMOTEUPLOAD_H
#define VARNOK_CLI_NET_REMOTEUPLOAD_H

#include "cli/image/Outgoing.h"
#include "cli/net/Body.h"
#include "cli/net/Connections.h"
#include "cli/net/Response.h"
#include "cli/session/Deadline.h"
#include "cli/session/Session.h"

class CRemoteUpload final : public CFileSource, public CTransferListener {
 public:
  // dwWait: the server's --wait in seconds (0: none).
  CRemoteUpload(CSession& session, CConnections& connections, DWORD dwWait);
  // Serves the connection taken, to its end.
  void Serve(TAKEN& t);

  // The body, as the dialog reads it: what has not come is waited for.
  DWORD GetLength() const override { return m_body.GetLength(); }
  UINT ReadAt(DWORD nOffset, void* pBuffer, UINT nCount) override;
  // The tap's news: a look at the others, now and then.
  void OnByte(const TRANSFER& t) override;
  BOOL OnLook(const TRANSFER& t, TRANSFER_STOP& stop) override;

 private:
  void Upload(const HTTP_REQUEST& r);
  void Run(const HTTP_REQUEST& r, LPCSTR pszName, const COutgoing& out);
  // Looks at every socket once: the body, the response's lines, the other clients.
  void Pump();
  void Tick(const TRANSFER& t);
  // Until the body holds nNeed bytes, or the client has gone or stalled, or Ctrl-C.
  BOOL WaitForBody(DWORD nNeed);
  // The stop a client that has gone or stalled (or Ctrl-C) asks for: TRUE, and stop.
  BOOL GetStop(TRANSFER_STOP& stop) const;
  void Refuse(int nStatus, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

  CSession& m_session;
  CConnections& m_connections;
  DWORD m_dwServerWait;
  CDeadline m_deadline;
  CResponse m_response;
  CBody m_body;
  SOCKET m_s = INVALID_SOCKET;
  char m_szPeer[24] = "";
  DWORD m_dwTick = 0, m_nAccesses = 0, m_dwStart = 0;
  TRANSFER m_last = {kStepInit, 0, 0, FALSE, 0};
};

#endif  // VARNOK_CLI_NET_REMOTEUPLOAD_H
