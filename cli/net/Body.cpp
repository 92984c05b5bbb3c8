// Body.cpp - the body read ahead of the card.
#include "cli/net/Body.h"

#include "framework/afxwin.h"

BOOL CBody::Start(SOCKET s, DWORD nLength, const char* pFirst, DWORD nFirst) {
  Free();
  m_s = s;
  m_why = kNone;
  m_nLength = nLength;
  m_p = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, nLength ? nLength : 1));
  if (!m_p) return FALSE;
  // Bytes after the Content-Length are not part of the upload.
  m_nArrived = nFirst < nLength ? nFirst : nLength;
  AfxMemCopy(m_p, pFirst, m_nArrived);
  m_dwLastByte = api::GetTickCount();
  return TRUE;
}

void CBody::Free() {
  if (m_p) api::HeapFree(api::GetProcessHeap(), 0, m_p);
  m_p = 0;
}

LPCSTR CBody::GetWhyText() const {
  return m_why == kGone      ? "the client closed the connection"
         : m_why == kStalled ? "the client sent nothing for 10 s"
                             : 0;
}

void CBody::Read() {
  DWORD dwNow = api::GetTickCount();
  // After the body, bytes past the Content-Length are read away.
  while (m_why == kNone) {
    char scratch[512];
    BOOL bBody = m_nArrived < m_nLength;
    DWORD nWant = bBody ? m_nLength - m_nArrived : sizeof(scratch);
    int n = api::recv(m_s, bBody ? reinterpret_cast<char*>(m_p) + m_nArrived : scratch,
                      static_cast<int>(nWant < 0x100000 ? nWant : 0x100000), 0);
    if (n > 0 && bBody) {
      m_nArrived += static_cast<DWORD>(n);
      m_dwLastByte = dwNow;
      continue;
    }
    if (n == 0 || (n < 0 && !NetWouldBlock())) m_why = kGone;
    break;
  }
  if (m_why == kNone && m_nArrived < m_nLength && dwNow - m_dwLastByte >= kStallMs) m_why = kStalled;
}
