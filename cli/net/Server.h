// Server.h - varnok-cli --serve: the card of this PC taken over HTTP, one upload at a time, each
// through the very same Execute as a local upload. It lets in only who holds its token, answers
// only to its own names, gives no other site's page a way in, and no client holds it up for
// another (Door.h, Connections.h). One thread: while an upload runs, every socket is looked at
// from the transfer's own polling of the card.
#ifndef VARNOK_CLI_NET_SERVER_H
#define VARNOK_CLI_NET_SERVER_H

#include "cli/net/Connections.h"
#include "cli/net/Token.h"

class CSession;

class CServer {
 public:
  static const int kMaxAllowed = 8;  // --allow-host names

  // dwWait: the server's --wait in seconds (0: none).
  CServer(CSession& session, DWORD dwWait) : m_session(session), m_dwWait(dwWait) {}
  ~CServer();

  // Listens where e says, for the card described, with this token (0: a new one) and the names
  // --allow-host adds; says so in its start line. FALSE, with the message shown, when it cannot.
  BOOL Listen(const ENDPOINT& e, LPCSTR pszCard, LPCSTR pszToken, const LPCSTR* ppszAllowed, int nAllowed);
  // Serves until Ctrl-C.
  void Run();

 private:
  // The PC's own names: its host name, with and without the domain, and the resolver's.
  void AddOwnNames(const LPCSTR* ppszAllowed, int nAllowed);
  void AddName(LPCSTR psz, int n);

  CSession& m_session;
  DWORD m_dwWait;
  CConnections m_connections;
  char m_szToken[kTokenMax + 1] = "";
  char m_names[4 + kMaxAllowed][128];
  LPCSTR m_ppszNames[4 + kMaxAllowed];
  int m_nNames = 0;
  char* m_pszPage = 0;  // what GET / answers: the text, and the page for a browser
  char* m_pszHtml = 0;
  BOOL m_bStarted = FALSE;
};

#endif  // VARNOK_CLI_NET_SERVER_H
