// Connections.cpp - connections taken in, their heads read side by side, refusals answered.
#include "cli/net/Connections.h"

#include "cli/net/Outcome.h"
#include "cli/output/Output.h"

namespace {
// How long a response may take to go out, and a connection whose response has gone may take to
// close its side.
const DWORD kSendMs = 10000;
const DWORD kLingerMs = 2000;
// A wrong token is answered no sooner than this after its head.
const DWORD kSlowMs = 1000;
}  // namespace

void ServerLog(LPCSTR pszPeer, LPCSTR pszText, LPCSTR pszWhy) {
  char sz[700];
  int n = api::wsprintfA(sz, "%s: %.500s", pszPeer, pszText);
  while (n > 0 && sz[n - 1] == '\n') --n;
  if (pszWhy) n += api::wsprintfA(sz + n, " (%.100s)", pszWhy);
  sz[n++] = '\n';
  sz[n] = 0;
  CliWrite(STD_OUTPUT_HANDLE, sz);
}

CConnections::CConnections() {
  for (SLOT& slot : m_slots) {
    slot.state = kFree;
    slot.s = INVALID_SOCKET;
    slot.pHead = 0;
  }
}

void CConnections::Close() {
  for (SLOT& slot : m_slots) {
    if (slot.state != kFree) Free(slot, TRUE);
    if (slot.pHead) api::HeapFree(api::GetProcessHeap(), 0, slot.pHead);
    slot.pHead = 0;
  }
  DrainLingering(TRUE);
  if (m_listen != INVALID_SOCKET) api::closesocket(m_listen);
  m_listen = INVALID_SOCKET;
}

BOOL CConnections::Listen(const ENDPOINT& e, sockaddr_in& a) {
  char szWhere[160];
  api::wsprintfA(szWhere, "%s:%u", e.szHost[0] ? e.szHost : "*", static_cast<UINT>(e.nPort));
  for (SLOT& slot : m_slots)
    if (!(slot.pHead = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kHttpMaxHead)))) {
      CliMessage("Not Enough Memory");
      return FALSE;
    }
  if (!NetAddress(e, a)) {
    CliMessage("no such host", e.szHost);
    return FALSE;
  }
  SOCKET s = api::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET || api::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || api::listen(s, 16) != 0) {
    NetMessage("cannot listen", szWhere);
    if (s != INVALID_SOCKET) api::closesocket(s);
    return FALSE;
  }
  m_listen = s;
  NetNonBlocking(s);
  int n = sizeof(a);
  api::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  return TRUE;
}

void CConnections::Wait(DWORD dwMs) {
  SOCKET sockets[kSlots + 1 + 16];
  int n = 0;
  sockets[n++] = m_listen;
  for (const SLOT& slot : m_slots)
    if (slot.state == kHead) sockets[n++] = slot.s;
  for (int i = 0; i < m_nLingering; ++i) sockets[n++] = m_lingering[i].s;
  // A slow answer due soon is not waited past.
  DWORD dwNow = api::GetTickCount();
  for (const SLOT& slot : m_slots) {
    LONG nDue = static_cast<LONG>(slot.dwSince - dwNow);
    if (slot.state == kSlow && nDue < static_cast<LONG>(dwMs)) dwMs = nDue > 0 ? static_cast<DWORD>(nDue) : 0;
  }
  NetWaitAny(sockets, n, dwMs);
}

void CConnections::Pump(BOOL bBusy, DWORD dwRetryAfter) {
  Accept();
  DWORD dwNow = api::GetTickCount();
  for (SLOT& slot : m_slots) {
    if (slot.state == kHead) Read(slot, bBusy, dwRetryAfter);
    if (slot.state == kSlow && static_cast<LONG>(dwNow - slot.dwSince) >= 0)
      Refuse(slot, slot.refusal.nStatus, slot.refusal.szWhy);
    if (slot.state == kLetIn && bBusy)
      Refuse(slot, 503, "the console is busy with another upload: try again when it is done", dwRetryAfter);
  }
  DrainLingering(FALSE);
}

void CConnections::Accept() {
  for (int k = 0; k < 8; ++k) {
    char szPeer[24];
    SOCKET s = NetAccept(m_listen, szPeer);
    if (s == INVALID_SOCKET) return;
    // A free slot; else the oldest whose head has not all come gives way.
    SLOT* pSlot = 0;
    for (SLOT& slot : m_slots)
      if (slot.state == kFree) pSlot = &slot;
    for (SLOT& slot : m_slots)
      if (!pSlot && slot.state == kHead) pSlot = &slot;
    for (SLOT& slot : m_slots)
      if (pSlot && pSlot->state == kHead && slot.state == kHead && static_cast<LONG>(slot.dwSince - pSlot->dwSince) < 0)
        pSlot = &slot;
    if (!pSlot) {
      api::closesocket(s);
      continue;
    }
    if (pSlot->state != kFree) Free(*pSlot, TRUE);
    pSlot->state = kHead;
    pSlot->s = s;
    api::wsprintfA(pSlot->szPeer, "%s", szPeer);
    pSlot->dwSince = api::GetTickCount();
    pSlot->nHead = 0;
  }
}

void CConnections::Read(SLOT& slot, BOOL bBusy, DWORD dwRetryAfter) {
  int n = api::recv(slot.s, slot.pHead + slot.nHead, static_cast<int>(kHttpMaxHead - slot.nHead), 0);
  if (n == 0 || (n < 0 && !NetWouldBlock())) return Free(slot, TRUE);
  HTTP_REQUEST& r = slot.request;
  HttpKind kind = kHttpMore;
  if (n > 0) {
    slot.nHead += static_cast<DWORD>(n);
    kind = ReadHttpRequest(slot.pHead, slot.nHead, r);
  }
  if (kind == kHttpMore) {
    // However it trickles.
    if (api::GetTickCount() - slot.dwSince >= kHeadMs) Refuse(slot, 408, "the request did not come whole within 10 s");
    return;
  }
  if (kind == kHttpBad) return Refuse(slot, r.nStatus, r.szWhy);
  DoorVerdict v = JudgeRequest(r, m_door, slot.refusal);
  if (v == kDoorRefused && slot.refusal.bSlow) {
    slot.state = kSlow;
    // (A tick more: the clock counts whole milliseconds.)
    slot.dwSince = api::GetTickCount() + kSlowMs + 1;
  } else if (v == kDoorRefused) {
    Refuse(slot, slot.refusal.nStatus, slot.refusal.szWhy);
  } else if (v == kDoorPage) {
    HTTP_RESPONSE h = {200, 0, 0, -1, r.bHtml && m_pszHtml};
    LPCSTR pszBody = h.bHtml ? m_pszHtml : m_pszText;
    h.nLength = AfxStrLen(pszBody);
    SOCKET s = slot.s;
    Free(slot, FALSE);
    Answer(s, 0, h, pszBody);
  } else if (bBusy) {
    Refuse(slot, 503, "the console is busy with another upload: try again when it is done", dwRetryAfter);
  } else {
    slot.state = kLetIn;
  }
}

BOOL CConnections::Take(TAKEN& t) {
  SLOT* pOldest = 0;
  for (SLOT& slot : m_slots)
    if (slot.state == kLetIn && (!pOldest || static_cast<LONG>(slot.dwSince - pOldest->dwSince) < 0)) pOldest = &slot;
  if (!pOldest) return FALSE;
  t.s = pOldest->s;
  api::wsprintfA(t.szPeer, "%s", pOldest->szPeer);
  t.request = pOldest->request;
  t.pAfterHead = pOldest->pHead + t.request.nHead;
  t.nAfterHead = pOldest->nHead - t.request.nHead;
  Free(*pOldest, FALSE);
  return TRUE;
}

void CConnections::Refuse(SLOT& slot, int nStatus, LPCSTR pszWhy, DWORD dwRetryAfter) {
  char sz[600];
  api::wsprintfA(sz, "varnok-cli: %.500s\n", pszWhy);
  HTTP_RESPONSE h = {nStatus, AfxStrLen(sz), dwRetryAfter, ExitOfStatus(nStatus), FALSE};
  SOCKET s = slot.s;
  char szPeer[24];
  api::wsprintfA(szPeer, "%s", slot.szPeer);
  Free(slot, FALSE);
  Answer(s, nStatus == 404 ? 0 : szPeer, h, sz);
}

void CConnections::Answer(SOCKET s, LPCSTR pszPeer, const HTTP_RESPONSE& h, LPCSTR pszBody) {
  char sz[400];
  DWORD nBody = static_cast<DWORD>(AfxStrLen(pszBody));
  int n = FormatHttpHead(sz, h);
  if (NetSendAll(s, sz, static_cast<DWORD>(n), kSendMs)) NetSendAll(s, pszBody, nBody, kSendMs);
  if (pszPeer) {
    char szLine[700];
    api::wsprintfA(szLine, "%d %s: %.500s", h.nStatus, HttpReason(h.nStatus), pszBody + (h.nStatus == 200 ? 0 : 12));
    ServerLog(pszPeer, szLine);
  }
  Linger(s);
}

void CConnections::Free(SLOT& slot, BOOL bClose) {
  if (bClose) api::closesocket(slot.s);
  slot.state = kFree;
  slot.s = INVALID_SOCKET;
}

void CConnections::Linger(SOCKET s) {
  // The end of the response, for a client that reads to the end of the connection.
  api::shutdown(s, SD_SEND);
  if (m_nLingering == static_cast<int>(sizeof(m_lingering) / sizeof(m_lingering[0]))) {
    api::closesocket(m_lingering[0].s);
    m_lingering[0] = m_lingering[--m_nLingering];
  }
  m_lingering[m_nLingering].s = s;
  m_lingering[m_nLingering++].dwSince = api::GetTickCount();
}

void CConnections::DrainLingering(BOOL bAll) {
  DWORD dwNow = api::GetTickCount();
  for (int i = 0; i < m_nLingering;) {
    char scratch[1024];
    int n = -1;
    for (int k = 0; k < 16 && !bAll && (n = api::recv(m_lingering[i].s, scratch, sizeof(scratch), 0)) > 0; ++k) {
    }
    if (!bAll && (n > 0 || (n < 0 && NetWouldBlock())) && dwNow - m_lingering[i].dwSince < kLingerMs) {
      ++i;
      continue;
    }
    api::closesocket(m_lingering[i].s);
    m_lingering[i] = m_lingering[--m_nLingering];
  }
}
