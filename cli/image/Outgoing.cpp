// Outgoing.cpp - the decision of what goes out: the file as it is, or an ELF file's image; its
// address; the work RAM's bounds.
#include "cli/image/Outgoing.h"

#include "cli/image/ElfImage.h"
#include "cli/image/WorkRam.h"
#include "cli/output/Exit.h"
#include "cli/system/System.h"
#include "res/resource.h"

namespace {
CString LoadText(UINT nID) {
  CString str;
  str.LoadString(nID);
  return str;
}
}  // namespace

BOOL ParseStrictAddress(LPCSTR psz, DWORD& dwAddress) {
  dwAddress = 0;
  if (psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X')) psz += 2;
  if (!*psz) return FALSE;
  for (; *psz; ++psz) {
    char c = *psz;
    DWORD d = c >= '0' && c <= '9'   ? static_cast<DWORD>(c - '0')
              : c >= 'a' && c <= 'f' ? static_cast<DWORD>(c - 'a' + 10)
              : c >= 'A' && c <= 'F' ? static_cast<DWORD>(c - 'A' + 10)
                                     : 16;
    if (d == 16 || dwAddress > 0x0FFFFFFF) return FALSE;
    dwAddress = dwAddress << 4 | d;
  }
  return TRUE;
}

COutgoing::~COutgoing() {
  if (m_pOwned) api::HeapFree(api::GetProcessHeap(), 0, m_pOwned);
}

void* COutgoing::Alloc(DWORD n) {
  m_pOwned = api::HeapAlloc(api::GetProcessHeap(), 0, n ? n : 1);
  return m_pOwned;
}

void COutgoing::Refuse(int nExit, LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  m_nExit = nExit;
  SetCliMessage(m_message, pszWhat, pszObject, pszReason);
}

void COutgoing::FromFile(LPCSTR pszPath, const DWORD* pdwGiven, const DWORD* pdwRecent, DWORD nRead,
                         LPCSTR pszTooLong) {
  CFile file;
  BYTE head[64];
  ClearSystemError();
  if (!file.Open(pszPath, CFile::shareDenyNone)) {
    char szReason[300];
    BOOL bReason = GetSystemError(szReason, sizeof(szReason));
    if (nRead) Refuse(kExitBadInput, LoadText(IDS_OPEN_ERROR), pszPath, bReason ? szReason : 0);
    return;
  }
  UINT nHead = file.Read(head, sizeof(head));
  if (IsElfOrCoff(head, nHead)) {
    // The whole file, for its image.
    ULONGLONG nFile = file.GetLength();
    if (nFile > kElfMaxImage || nHead > nFile)
      return Refuse(kExitBadInput, "Cannot Send", pszPath, "an ELF file larger than 64 MiB");
    BYTE* pFile = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, static_cast<DWORD>(nFile)));
    DWORD nRest = static_cast<DWORD>(nFile) - nHead;
    if (pFile) AfxMemCopy(pFile, head, nHead);
    if (pFile && file.Read(pFile + nHead, nRest) == nRest)
      FromContents(pFile, static_cast<DWORD>(nFile), pszPath, pdwGiven, "--address");
    else
      Refuse(kExitBadInput, "Cannot Send", pszPath, "the file could not be read whole");
    if (pFile) api::HeapFree(api::GetProcessHeap(), 0, pFile);
    if (!m_nExit && nRead && m_nLength > nRead) Refuse(kExitBadInput, "Cannot Send", pszPath, pszTooLong);
    return;
  }
  // The file as it is, at the address given, or else the history's.
  m_bAddress = pdwGiven || pdwRecent;
  m_dwAddress = pdwGiven ? *pdwGiven : pdwRecent ? *pdwRecent : 0;
  if (nRead && !m_bAddress) return Refuse(kExitBadInput, LoadText(IDS_NO_ADDRESS));
  if (nRead && file.GetLength() > nRead) return Refuse(kExitBadInput, "Cannot Send", pszPath, pszTooLong);
  // Longer than the header's 32 bits: Execute refuses it.
  if (file.GetLength() > 0xFFFFFFFF) return;
  m_nLength = static_cast<DWORD>(file.GetLength());
  if (nRead) {
    BYTE* p = static_cast<BYTE*>(Alloc(m_nLength));
    if (!p) return Refuse(kExitTransferFault, LoadText(IDS_OUT_OF_MEMORY));
    AfxMemCopy(p, head, nHead < m_nLength ? nHead : m_nLength);
    DWORD nRest = m_nLength > nHead ? m_nLength - nHead : 0;
    if (m_nLength < nHead || file.Read(p + nHead, nRest) != nRest)
      return Refuse(kExitTransferFault, LoadText(IDS_READ_ERROR), pszPath, "the file ended before its length");
    m_pBytes = p;
  }
  if (m_bAddress) CheckBounds(pszPath);
}

void COutgoing::FromBytes(const BYTE* p, DWORD n, LPCSTR pszName, const DWORD* pdwGiven, LPCSTR pszGivenAs) {
  FromContents(p, n, pszName, pdwGiven, pszGivenAs);
  if (m_nExit || m_bElf) return;
  m_bAddress = pdwGiven != 0;
  m_dwAddress = pdwGiven ? *pdwGiven : 0;
  m_pBytes = p;
  m_nLength = n;
  if (m_bAddress) CheckBounds(pszName);
}

void COutgoing::FromLength(DWORD n, LPCSTR pszName, DWORD dwAddress) {
  m_bAddress = TRUE;
  m_dwAddress = dwAddress;
  m_nLength = n;
  CheckBounds(pszName);
}

void COutgoing::FromContents(const BYTE* pFile, DWORD nFile, LPCSTR pszName, const DWORD* pdwGiven, LPCSTR pszGivenAs) {
  if (!IsElfOrCoff(pFile, nFile)) return;
  char szWhy[320];
  ELF_IMAGE image;
  if (MakeElfImage(pFile, nFile, image, szWhy, sizeof(szWhy)) != kElfImage)
    return Refuse(kExitBadInput, "Cannot Send", pszName, szWhy);
  m_pOwned = image.pData;
  if (pdwGiven && *pdwGiven != image.dwAddress) {
    char sz[200];
    api::wsprintfA(sz, "%s %08lx differs from the load address of the ELF file, %08lx", pszGivenAs,
                   static_cast<unsigned long>(*pdwGiven), static_cast<unsigned long>(image.dwAddress));
    return Refuse(kExitBadInput, sz, pszName);
  }
  m_bElf = m_bAddress = TRUE;
  m_dwAddress = image.dwAddress;
  m_pBytes = image.pData;
  m_nLength = image.nLength;
  CheckBounds(pszName);
}

void COutgoing::CheckBounds(LPCSTR pszName) {
  WorkRamVerdict v = CheckWorkRam(m_dwAddress, m_nLength, pszName, m_message);
  if (v == kWorkRamPast) m_nExit = kExitBadInput;
  m_bWarned = v == kWorkRamOutside;
}
