// ServerReply.cpp - varnok-cli --serve's side of a response: whole answers, the upload's lines
// as they are written, and connections closed only once the client has read them.
#include "cli/Net.h"
#include "cli/Report.h"
#include "cli/Server.h"

namespace {
// How long a connection whose response has gone is given to close its side.
const DWORD kLingerMs = 2000;
}  // namespace

// The server's own output, one line: never the response's, which CliWrite goes to meanwhile.
void CServer::Log(LPCSTR pszPeer, LPCSTR pszText, LPCSTR pszWhy) {
  char sz[700];
  int n = api::wsprintfA(sz, "%s: %.500s", pszPeer, pszText);
  while (n > 0 && sz[n - 1] == '\n') --n;
  if (pszWhy) n += api::wsprintfA(sz + n, " (%.100s)", pszWhy);
  sz[n++] = '\n';
  sz[n] = 0;
  CliWriteOwn(sz);
}

void CServer::Answer(SOCKET s, LPCSTR pszPeer, int nStatus, LPCSTR pszText, DWORD dwRetryAfter) {
  char sz[300];
  DWORD nText = static_cast<DWORD>(AfxStrLen(pszText));
  int n = FormatHttpHead(sz, nStatus, static_cast<long>(nText), dwRetryAfter);
  if (NetSendAll(s, sz, static_cast<DWORD>(n), kSendMs)) NetSendAll(s, pszText, nText, kSendMs);
  if (pszPeer) {
    api::wsprintfA(sz, "%d %s: %.200s", nStatus, HttpReason(nStatus), pszText + (nStatus == 200 ? 0 : 12));
    Log(pszPeer, sz);
  }
  Linger(s);
}

void CServer::Queue(LPCSTR psz, int n) {
  if (n > static_cast<int>(kOutMax - m_nOut)) n = static_cast<int>(kOutMax - m_nOut);
  AfxMemCopy(m_out + m_nOut, psz, static_cast<size_t>(n));
  m_nOut += static_cast<DWORD>(n);
}

BOOL CServer::Flush(DWORD dwMs) {
  DWORD dwStart = api::GetTickCount();
  while (m_nOutSent < m_nOut) {
    int n = api::send(m_s, m_out + m_nOutSent, static_cast<int>(m_nOut - m_nOutSent), 0);
    if (n > 0) {
      m_nOutSent += static_cast<DWORD>(n);
    } else if (n < 0 && NetWouldBlock()) {
      if (api::GetTickCount() - dwStart >= dwMs) return TRUE;
      NetWait(m_s, TRUE, 50);
    } else {
      return FALSE;
    }
  }
  // All gone: the buffer starts again.
  m_nOut = m_nOutSent = 0;
  return TRUE;
}

void CServer::OnText(DWORD nStream, LPCSTR psz, void* pContext) {
  CServer* pThis = static_cast<CServer*>(pContext);
  int n = AfxStrLen(psz);
  pThis->Queue(psz, n);
  // The summary: the one line written whole to the output (the progress lines end apart).
  if (nStream == STD_OUTPUT_HANDLE && n > 1 && psz[n - 1] == '\n') api::wsprintfA(pThis->m_szSummary, "%.290s", psz);
  if (nStream == STD_ERROR_HANDLE && !pThis->m_szMessage[0]) api::wsprintfA(pThis->m_szMessage, "%.290s", psz);
}

void CServer::Linger(SOCKET s) {
  // The end of the response, for a client that reads to the end of the connection.
  api::shutdown(s, SD_SEND);
  if (m_nLingering == static_cast<int>(sizeof(m_lingering) / sizeof(m_lingering[0]))) {
    api::closesocket(m_lingering[0].s);
    m_lingering[0] = m_lingering[--m_nLingering];
  }
  m_lingering[m_nLingering].s = s;
  m_lingering[m_nLingering++].dwSince = api::GetTickCount();
}

void CServer::DrainLingering(BOOL bAll) {
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
