// Connections.h - the server's door: the listening socket and the connections whose requests are
// coming, read side by side so that no client holds up another. Each head must come whole within
// 10 s of its connection; a refusal is answered at once (a wrong token no sooner than a second
// after its head, meanwhile costing nothing); the page is answered; an upload waits to be taken,
// or is answered busy while another runs. One thread: nothing here waits on any one client.
#ifndef VARNOK_CLI_NET_CONNECTIONS_H
#define VARNOK_CLI_NET_CONNECTIONS_H

#include "cli/net/Door.h"
#include "cli/net/Sockets.h"

// A connection let in for an upload, its head read.
struct TAKEN {
  SOCKET s;
  char szPeer[24];
  HTTP_REQUEST request;
  const char* pAfterHead;  // what came after the head (the body's first bytes): nAfterHead bytes
  DWORD nAfterHead;
};

class CConnections {
 public:
  static const int kSlots = 16;        // connections whose heads are read at once
  static const DWORD kHeadMs = 10000;  // a head's time to come whole

  CConnections();
  ~CConnections() { Close(); }
  // Every connection closed, and the listening socket.
  void Close();
  // Listens where e says (FALSE, with the message shown, when it cannot); the address it took.
  BOOL Listen(const ENDPOINT& e, sockaddr_in& a);
  void SetDoor(const DOOR& door) { m_door = door; }
  // What GET / answers (text, and the page for a browser), kept by the caller.
  void SetPage(LPCSTR pszText, LPCSTR pszHtml) {
    m_pszText = pszText;
    m_pszHtml = pszHtml;
  }

  // Looks at every socket once, without waiting: newcomers taken in, heads read and judged,
  // refusals and the page answered, answers due sent, finished connections closed. While bBusy,
  // an upload let in is answered 503, with dwRetryAfter.
  void Pump(BOOL bBusy, DWORD dwRetryAfter);
  // Until a socket has something to read, or dwMs have gone by.
  void Wait(DWORD dwMs);
  // The oldest upload let in: TRUE, its connection now the caller's (t's pAfterHead valid until
  // the next Pump).
  BOOL Take(TAKEN& t);
  // A whole response on s, the connection then closed once its client has read it; the line of
  // the server's output (pszPeer 0: none).
  void Answer(SOCKET s, LPCSTR pszPeer, const HTTP_RESPONSE& h, LPCSTR pszBody);
  // A connection whose response has gone: closed for sending, its input read away until the peer
  // closes it, so that the response is not lost to a reset.
  void Linger(SOCKET s);

 private:
  enum State { kFree, kHead, kSlow, kLetIn };
  struct SLOT {
    State state;
    SOCKET s;
    char szPeer[24];
    DWORD dwSince;  // the connection's (kHead), the answer's due time (kSlow)
    DWORD nHead;
    char* pHead;  // kHttpMaxHead bytes (on the heap: the Windows build probes no stack)
    HTTP_REQUEST request;
    DOOR_REFUSAL refusal;
  };
  void Accept();
  void Read(SLOT& slot, BOOL bBusy, DWORD dwRetryAfter);
  void Refuse(SLOT& slot, int nStatus, LPCSTR pszWhy, DWORD dwRetryAfter = 0);
  void Free(SLOT& slot, BOOL bClose);
  void DrainLingering(BOOL bAll);

  SOCKET m_listen = INVALID_SOCKET;
  DOOR m_door = {"", 0, 0};
  LPCSTR m_pszText = "";
  LPCSTR m_pszHtml = 0;
  SLOT m_slots[kSlots];
  struct LINGERING {
    SOCKET s;
    DWORD dwSince;
  } m_lingering[16];
  int m_nLingering = 0;
};

// The server's own output, one line: "PEER: TEXT[ (WHY)]".
void ServerLog(LPCSTR pszPeer, LPCSTR pszText, LPCSTR pszWhy = 0);

#endif  // VARNOK_CLI_NET_CONNECTIONS_H
