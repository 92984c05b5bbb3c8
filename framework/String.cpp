// String.cpp - CString and the plain-string helpers.
#include <stdarg.h>

#include "afxwin.h"

int AfxStrLen(LPCSTR psz) {
  int n = 0;
  if (psz)
    while (psz[n]) ++n;
  return n;
}

void AfxMemCopy(void* pDest, const void* pSrc, size_t nBytes) {
  char* d = static_cast<char*>(pDest);
  const char* s = static_cast<const char*>(pSrc);
  while (nBytes--) *d++ = *s++;
}

static char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int AfxStrCmpNoCase(LPCSTR a, LPCSTR b) {
  for (;; ++a, ++b) {
    char ca = FoldCase(*a), cb = FoldCase(*b);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
    if (!ca) return 0;
  }
}

static char s_chNil = 0;

CString::CString() : m_pchData(&s_chNil), m_nLength(0), m_nAlloc(0) {}

CString::CString(LPCSTR psz) : m_pchData(&s_chNil), m_nLength(0), m_nAlloc(0) { Assign(psz, AfxStrLen(psz)); }

CString::CString(const CString& str) : m_pchData(&s_chNil), m_nLength(0), m_nAlloc(0) {
  Assign(str.m_pchData, str.m_nLength);
}

CString::~CString() {
  if (m_nAlloc) delete[] m_pchData;
}

const CString& CString::operator=(const CString& str) {
  if (this != &str) Assign(str.m_pchData, str.m_nLength);
  return *this;
}

const CString& CString::operator=(LPCSTR psz) {
  Assign(psz, AfxStrLen(psz));
  return *this;
}

// Replaces the text; when memory is short the string is left as it was.
void CString::Assign(LPCSTR psz, int nLength) {
  if (nLength > m_nAlloc) {
    char* p = new char[nLength + 1];
    if (!p) return;
    AfxMemCopy(p, psz, nLength);
    if (m_nAlloc) delete[] m_pchData;
    m_pchData = p;
    m_nAlloc = nLength;
  } else if (nLength > 0) {
    // The source may overlap our own buffer only when it is that buffer: a forward copy is safe.
    AfxMemCopy(m_pchData, psz, nLength);
  }
  m_nLength = nLength;
  if (m_nAlloc) m_pchData[nLength] = 0;
}

const CString& CString::operator+=(LPCSTR psz) {
  int nAdd = AfxStrLen(psz);
  if (!nAdd) return *this;
  int nNew = m_nLength + nAdd;
  if (nNew > m_nAlloc) {
    char* p = new char[nNew + 1];
    if (!p) return *this;
    AfxMemCopy(p, m_pchData, m_nLength);
    AfxMemCopy(p + m_nLength, psz, nAdd);
    if (m_nAlloc) delete[] m_pchData;
    m_pchData = p;
    m_nAlloc = nNew;
  } else {
    AfxMemCopy(m_pchData + m_nLength, psz, nAdd);
  }
  m_nLength = nNew;
  m_pchData[nNew] = 0;
  return *this;
}

CString operator+(const CString& a, LPCSTR b) {
  CString s(a);
  s += b;
  return s;
}

void CString::Empty() {
  if (m_nAlloc) delete[] m_pchData;
  m_pchData = &s_chNil;
  m_nLength = m_nAlloc = 0;
}

BOOL CString::operator==(LPCSTR psz) const {
  LPCSTR a = m_pchData;
  if (!psz) psz = "";
  while (*a && *a == *psz) ++a, ++psz;
  return *a == *psz;
}

BOOL CString::LoadString(UINT nID) {
  char sz[256];
  int n = api::LoadStringA(AfxGetInstanceHandle(), nID, sz, sizeof(sz));
  Assign(sz, n > 0 ? n : 0);
  return n > 0;
}

void CString::Format(LPCSTR pszFormat, ...) {
  // wsprintfA writes at most 1024 characters; only the formats the program uses go through here.
  char sz[1025];
  va_list args;
  va_start(args, pszFormat);
  int n = api::wvsprintfA(sz, pszFormat, args);
  va_end(args);
  Assign(sz, n > 0 ? n : 0);
}

LPSTR CString::GetBuffer(int nMinLength) {
  if (nMinLength < 1) nMinLength = 1;  // always hand out a buffer of our own, never the shared empty one
  if (nMinLength > m_nAlloc) {
    char* p = new char[nMinLength + 1];
    if (!p) return 0;
    AfxMemCopy(p, m_pchData, m_nLength + 1);
    if (m_nAlloc) delete[] m_pchData;
    m_pchData = p;
    m_nAlloc = nMinLength;
  }
  return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0) nNewLength = AfxStrLen(m_pchData);
  m_nLength = nNewLength;
  if (m_nAlloc) m_pchData[nNewLength] = 0;
}
