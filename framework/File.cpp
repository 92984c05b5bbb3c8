// File.cpp - CFile: a file opened for reading.
#include "afxwin.h"

namespace {
CFileStandIn* s_pNewestStandIn = 0;
}  // namespace

UINT CMemoryFileSource::ReadAt(DWORD nOffset, void* pBuffer, UINT nCount) {
  if (nOffset >= m_n) return 0;
  if (nCount > m_n - nOffset) nCount = m_n - nOffset;
  AfxMemCopy(pBuffer, m_p + nOffset, nCount);
  return nCount;
}

CFileStandIn::CFileStandIn(LPCSTR pszPath, CFileSource& source)
    : m_strPath(pszPath), m_source(source), m_pOlder(s_pNewestStandIn) {
  s_pNewestStandIn = this;
}

CFileStandIn::~CFileStandIn() {
  for (CFileStandIn** pp = &s_pNewestStandIn; *pp; pp = &(*pp)->m_pOlder)
    if (*pp == this) {
      *pp = m_pOlder;
      break;
    }
}

CFileSource* CFileStandIn::Find(LPCSTR pszPath) {
  for (CFileStandIn* p = s_pNewestStandIn; p; p = p->m_pOlder)
    if (p->m_strPath == pszPath) return &p->m_source;
  return 0;
}

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE), m_nLength(0), m_pSource(0), m_nSourceRead(0) {}

CFile::~CFile() { Close(); }

BOOL CFile::Open(LPCSTR pszFileName, UINT nOpenFlags) {
  Close();
  // No share flag means exclusive: the open fails while anybody else has the file open.
  DWORD dwShare = (nOpenFlags & shareDenyNone) ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : 0;
  m_hFile = api::CreateFileA(pszFileName, GENERIC_READ, dwShare, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  // A stand-in serves its path whether a file is there or not (an upload that came over the
  // network has none); a file that is there stays open, as any other would, while it is read.
  if (CFileSource* pSource = CFileStandIn::Find(pszFileName)) {
    m_pSource = pSource;
    m_nLength = pSource->GetLength();
    return TRUE;
  }
  if (m_hFile == INVALID_HANDLE_VALUE) return FALSE;
  DWORD dwHigh = 0;
  DWORD dwLow = api::GetFileSize(m_hFile, &dwHigh);
  m_nLength = (static_cast<ULONGLONG>(dwHigh) << 32) | dwLow;
  return TRUE;
}

UINT CFile::Read(void* pBuffer, UINT nCount) {
  if (m_pSource) {
    UINT nRead = m_pSource->ReadAt(m_nSourceRead, pBuffer, nCount);
    m_nSourceRead += nRead;
    return nRead;
  }
  DWORD dwRead = 0;
  if (!api::ReadFile(m_hFile, pBuffer, nCount, &dwRead, 0)) return 0;
  return dwRead;
}

void CFile::Close() {
  if (m_hFile != INVALID_HANDLE_VALUE) api::CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_nLength = 0;
  m_pSource = 0;
  m_nSourceRead = 0;
}

CString AfxFullPath(LPCSTR pszName) {
  CString strFull;
  DWORD nSize = api::GetFullPathNameA(pszName, 0, 0, 0);
  LPSTR pszFull = nSize ? strFull.GetBuffer(static_cast<int>(nSize)) : 0;
  DWORD nGot = pszFull ? api::GetFullPathNameA(pszName, nSize + 1, pszFull, 0) : 0;
  if (nGot == 0 || nGot > nSize) return CString(pszName);
  strFull.ReleaseBuffer(static_cast<int>(nGot));
  return strFull;
}
