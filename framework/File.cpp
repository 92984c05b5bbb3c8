// File.cpp - CFile: a file opened for reading.
#include "afxwin.h"

namespace {
LPCSTR s_pszImagePath = 0;
const BYTE* s_pImage = 0;
DWORD s_nImageLength = 0;
}  // namespace

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE), m_nLength(0), m_pImage(0), m_nImageRead(0) {}

CFile::~CFile() { Close(); }

void CFile::SetImage(LPCSTR pszPath, const BYTE* pImage, DWORD nLength) {
  s_pszImagePath = pszPath;
  s_pImage = pImage;
  s_nImageLength = nLength;
}

BOOL CFile::Open(LPCSTR pszFileName, UINT nOpenFlags) {
  Close();
  // No share flag means exclusive: the open fails while anybody else has the file open.
  DWORD dwShare = (nOpenFlags & shareDenyNone) ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : 0;
  m_hFile = api::CreateFileA(pszFileName, GENERIC_READ, dwShare, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  // An image stands for its path whether a file is there or not (an upload that came over the
  // network has none); a file that is there stays open, as any other would, while the image is read.
  if (s_pszImagePath && CString(s_pszImagePath) == pszFileName) {
    m_pImage = s_pImage;
    m_nLength = s_nImageLength;
    return TRUE;
  }
  if (m_hFile == INVALID_HANDLE_VALUE) return FALSE;
  DWORD dwHigh = 0;
  DWORD dwLow = api::GetFileSize(m_hFile, &dwHigh);
  m_nLength = (static_cast<ULONGLONG>(dwHigh) << 32) | dwLow;
  return TRUE;
}

UINT CFile::Read(void* pBuffer, UINT nCount) {
  if (m_pImage) {
    DWORD nLeft = static_cast<DWORD>(m_nLength) - m_nImageRead;
    if (nCount > nLeft) nCount = nLeft;
    AfxMemCopy(pBuffer, m_pImage + m_nImageRead, static_cast<int>(nCount));
    m_nImageRead += nCount;
    return nCount;
  }
  DWORD dwRead = 0;
  if (!api::ReadFile(m_hFile, pBuffer, nCount, &dwRead, 0)) return 0;
  return dwRead;
}

void CFile::Close() {
  if (m_hFile != INVALID_HANDLE_VALUE) api::CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_nLength = 0;
  m_pImage = 0;
  m_nImageRead = 0;
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
