// Win32System.cpp - the system half of the platform seam: KERNEL32 and USER32 (ANSI).
#include "framework/api.h"

namespace api {

HANDLE CreateFileA(LPCSTR lpName, DWORD dwAccess, DWORD dwShare, void* pSecurity, DWORD dwDisposition, DWORD dwFlags,
                   HANDLE hTemplate) {
  return ::CreateFileA(lpName, dwAccess, dwShare, static_cast<LPSECURITY_ATTRIBUTES>(pSecurity), dwDisposition, dwFlags,
                       hTemplate);
}
BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nToRead, DWORD* pnRead, void* pOverlapped) {
  return ::ReadFile(hFile, pBuffer, nToRead, pnRead, static_cast<LPOVERLAPPED>(pOverlapped));
}
DWORD GetFileSize(HANDLE hFile, DWORD* pHigh) { return ::GetFileSize(hFile, pHigh); }
HANDLE FindFirstFileA(LPCSTR lpName, WIN32_FIND_DATAA* pData) { return ::FindFirstFileA(lpName, pData); }
BOOL FindClose(HANDLE hFind) { return ::FindClose(hFind); }
BOOL CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }
HANDLE GetProcessHeap() { return ::GetProcessHeap(); }
void* HeapAlloc(HANDLE hHeap, DWORD dwFlags, size_t nBytes) { return ::HeapAlloc(hHeap, dwFlags, nBytes); }
void* HeapReAlloc(HANDLE hHeap, DWORD dwFlags, void* p, size_t nBytes) {
  return ::HeapReAlloc(hHeap, dwFlags, p, nBytes);
}
BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, void* p) { return ::HeapFree(hHeap, dwFlags, p); }
int LoadStringA(HINSTANCE hInst, UINT uID, LPSTR lpBuffer, int nMax) {
  return ::LoadStringA(hInst, uID, lpBuffer, nMax);
}
DWORD GetModuleFileNameA(HINSTANCE hInst, LPSTR lpName, DWORD nSize) {
  return ::GetModuleFileNameA(hInst, lpName, nSize);
}
HINSTANCE GetModuleHandleA(LPCSTR lpName) { return ::GetModuleHandleA(lpName); }
UINT GetPrivateProfileIntA(LPCSTR lpSection, LPCSTR lpKey, int nDefault, LPCSTR lpFile) {
  return ::GetPrivateProfileIntA(lpSection, lpKey, nDefault, lpFile);
}
DWORD GetPrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpDefault, LPSTR lpReturned, DWORD nSize,
                               LPCSTR lpFile) {
  return ::GetPrivateProfileStringA(lpSection, lpKey, lpDefault, lpReturned, nSize, lpFile);
}
BOOL WritePrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpValue, LPCSTR lpFile) {
  return ::WritePrivateProfileStringA(lpSection, lpKey, lpValue, lpFile);
}
UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT nSize) { return ::GetWindowsDirectoryA(lpBuffer, nSize); }
DWORD GetEnvironmentVariableA(LPCSTR pszName, LPSTR pszBuffer, DWORD nSize) {
  return ::GetEnvironmentVariableA(pszName, pszBuffer, nSize);
}
DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nSize, LPSTR lpBuffer, LPSTR* lpFilePart) {
  return ::GetFullPathNameA(lpFileName, nSize, lpBuffer, lpFilePart);
}
DWORD GetTickCount() { return ::GetTickCount(); }
void Sleep(DWORD dwMilliseconds) { ::Sleep(dwMilliseconds); }
int wvsprintfA(LPSTR lpOut, LPCSTR lpFormat, va_list args) { return ::wvsprintfA(lpOut, lpFormat, args); }
int wsprintfA(LPSTR lpOut, LPCSTR lpFormat, ...) {
  va_list args;
  va_start(args, lpFormat);
  int n = ::wvsprintfA(lpOut, lpFormat, args);
  va_end(args);
  return n;
}
void FatalAppExitA(UINT uAction, LPCSTR lpMessage) { ::FatalAppExitA(uAction, lpMessage); }

HANDLE GetStdHandle(DWORD nStdHandle) { return ::GetStdHandle(nStdHandle); }
BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nToWrite, DWORD* pnWritten, void* pOverlapped) {
  return ::WriteFile(hFile, pBuffer, nToWrite, pnWritten, static_cast<LPOVERLAPPED>(pOverlapped));
}
BOOL GetConsoleMode(HANDLE hConsole, DWORD* pMode) { return ::GetConsoleMode(hConsole, pMode); }
BOOL CharToOemBuffA(LPCSTR lpszSrc, LPSTR lpszDst, DWORD cchDstLength) {
  return ::CharToOemBuffA(lpszSrc, lpszDst, cchDstLength);
}
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE pfnRoutine, BOOL bAdd) { return ::SetConsoleCtrlHandler(pfnRoutine, bAdd); }
LONG InterlockedExchange(LONG volatile* pn, LONG n) { return __atomic_exchange_n(pn, n, __ATOMIC_SEQ_CST); }
void ExitProcess(UINT uExitCode) { ::ExitProcess(uExitCode); }

DWORD GetVersion() { return ::GetVersion(); }
HINSTANCE LoadLibraryA(LPCSTR lpFileName) { return ::LoadLibraryA(lpFileName); }
FARPROC GetProcAddress(HINSTANCE hModule, LPCSTR lpName) { return ::GetProcAddress(hModule, lpName); }
BOOL FreeLibrary(HINSTANCE hModule) { return ::FreeLibrary(hModule); }
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT nSize) { return ::GetSystemDirectoryA(lpBuffer, nSize); }

}  // namespace api
