// System.cpp - varnok-cli's ties to Windows: port access as the window's (IN/OUT on 95/98,
// the port-I/O driver library on the NT family), and the system's reason for a failure.
#include "cli/system/System.h"

#include "framework/afxwin.h"

CPortIo* OpenCliPortIo(UINT, char* pszWhy, int nWhy) {
  CPortIo* p = OpenPortIo();
  if (!p && nWhy > 0) {
    static const char kWhy[] =
        "no access to the I/O ports: on Windows NT, 2000, XP and later, install the port-I/O driver library "
        "(inpout32.dll, or inpoutx64.dll for the 64-bit build) beside varnok-cli.exe; or try --simulate";
    int n = AfxStrLen(kWhy) < nWhy - 1 ? AfxStrLen(kWhy) : nWhy - 1;
    AfxMemCopy(pszWhy, kWhy, n);
    pszWhy[n] = 0;
  }
  return p;
}

BOOL GetSystemError(char* pszText, int nText) {
  DWORD dwError = ::GetLastError();
  if (!dwError || nText <= 0) return FALSE;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 0, dwError, 0, pszText,
                             static_cast<DWORD>(nText), 0);
  // One line, as the system's texts end with a full stop and a line break.
  while (n > 0 && (pszText[n - 1] == '\r' || pszText[n - 1] == '\n' || pszText[n - 1] == ' ' || pszText[n - 1] == '.'))
    --n;
  if (n == 0) n = static_cast<DWORD>(api::wsprintfA(pszText, "system error %lu", static_cast<unsigned long>(dwError)));
  pszText[n] = 0;
  return TRUE;
}

void ClearSystemError() { ::SetLastError(0); }

BOOL GetSystemRandom(BYTE* p, DWORD n) {
  // ADVAPI32's CryptoAPI, where there is one: loaded when needed, so that the program starts on
  // a Windows 95 without it.
  typedef BOOL(WINAPI * ACQUIRE)(ULONG_PTR*, LPCSTR, LPCSTR, DWORD, DWORD);
  typedef BOOL(WINAPI * GENERATE)(ULONG_PTR, DWORD, BYTE*);
  typedef BOOL(WINAPI * RELEASE)(ULONG_PTR, DWORD);
  // From the system folder alone, by its full path.
  char szPath[MAX_PATH + 16];
  UINT nFolder = api::GetSystemDirectoryA(szPath, MAX_PATH);
  if (nFolder == 0 || nFolder >= MAX_PATH) return FALSE;
  api::wsprintfA(szPath + nFolder, "\\ADVAPI32.DLL");
  HINSTANCE h = api::LoadLibraryA(szPath);
  if (!h) return FALSE;
  ACQUIRE pfnAcquire =
      reinterpret_cast<ACQUIRE>(reinterpret_cast<void*>(api::GetProcAddress(h, "CryptAcquireContextA")));
  GENERATE pfnGenerate = reinterpret_cast<GENERATE>(reinterpret_cast<void*>(api::GetProcAddress(h, "CryptGenRandom")));
  RELEASE pfnRelease =
      reinterpret_cast<RELEASE>(reinterpret_cast<void*>(api::GetProcAddress(h, "CryptReleaseContext")));
  ULONG_PTR hProvider = 0;
  const DWORD kProvRsaFull = 1, kVerifyContext = 0xF0000000;
  BOOL bDone = pfnAcquire && pfnGenerate && pfnRelease && pfnAcquire(&hProvider, 0, 0, kProvRsaFull, kVerifyContext);
  if (bDone) {
    bDone = pfnGenerate(hProvider, n, p);
    pfnRelease(hProvider, 0);
  }
  api::FreeLibrary(h);
  return bDone;
}
