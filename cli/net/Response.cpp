// Response.cpp - an upload's response, kept or streamed.
#include "cli/net/Response.h"

CResponse::CResponse() : m_p(static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kMax + 1))) {}

CResponse::~CResponse() {
  if (m_p) api::HeapFree(api::GetProcessHeap(), 0, m_p);
}

void CResponse::Start(SOCKET s, BOOL bStream) {
  m_s = s;
  m_bStream = bStream;
  m_n = m_nSent = 0;
  if (m_p) m_p[0] = 0;
}

void CResponse::Write(DWORD, LPCSTR psz) {
  if (!m_p) return;
  DWORD n = static_cast<DWORD>(AfxStrLen(psz));
  // Streamed, what has gone makes room (without waiting for a client that does not read: the
  // card would wait); what does not fit is left out.
  if (m_bStream && n > kMax - m_n) Flush(0);
  if (n > kMax - m_n) n = kMax - m_n;
  AfxMemCopy(m_p + m_n, psz, n);
  m_n += n;
  m_p[m_n] = 0;
}

BOOL CResponse::Flush(DWORD dwMs) {
  DWORD dwStart = api::GetTickCount();
  while (m_nSent < m_n) {
    int n = api::send(m_s, m_p + m_nSent, static_cast<int>(m_n - m_nSent), 0);
    if (n > 0) {
      m_nSent += static_cast<DWORD>(n);
    } else if (n < 0 && NetWouldBlock()) {
      if (api::GetTickCount() - dwStart >= dwMs) break;
      NetWait(m_s, TRUE, 50);
    } else {
      return FALSE;
    }
  }
  // What has gone makes room.
  m_n -= m_nSent;
  for (DWORD i = 0; i < m_n; ++i) m_p[i] = m_p[m_nSent + i];
  m_nSent = 0;
  return TRUE;
}
