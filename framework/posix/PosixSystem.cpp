// PosixSystem.cpp - files, heap, profile, strings and time for the host build.
#include "framework/posix/PosixSystem.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "framework/api.h"

namespace {

posix::ReadHook s_pfnRead = nullptr;
void* s_pReadContext = nullptr;
posix::AllocHook s_pfnAlloc = nullptr;
void* s_pAllocContext = nullptr;
size_t s_nLargest = 0;
long s_nLive = 0;
int s_nOpenFiles = 0;
char s_chHeap;  // the one "process heap" handle

HANDLE ToHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1); }
int ToFd(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1); }

}  // namespace

namespace posix {

void SetReadHook(ReadHook pfn, void* pContext) {
  s_pfnRead = pfn;
  s_pReadContext = pContext;
}

void SetAllocHook(AllocHook pfn, void* pContext) {
  s_pfnAlloc = pfn;
  s_pAllocContext = pContext;
}

size_t GetLargestAllocation() { return s_nLargest; }
long GetLiveAllocations() { return s_nLive; }
void ResetAllocationStats() { s_nLargest = 0; }
int GetOpenFileCount() { return s_nOpenFiles; }

}  // namespace posix

namespace api {

HANDLE CreateFileA(LPCSTR lpName, DWORD dwAccess, DWORD dwShare, void*, DWORD dwDisposition, DWORD, HANDLE) {
  if (!lpName || dwDisposition != OPEN_EXISTING || (dwAccess & GENERIC_WRITE)) return INVALID_HANDLE_VALUE;
  int fd = open(lpName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  struct stat st;
  // A folder is not a file to read, as on Windows; errno says why for the caller.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return INVALID_HANDLE_VALUE;
  }
  // Share modes as advisory locks: exclusive unless the caller shares, and refused while
  // another open holds a lock that conflicts.
  int op = (dwShare & (FILE_SHARE_READ | FILE_SHARE_WRITE)) ? LOCK_SH : LOCK_EX;
  if (flock(fd, op | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    errno = error;
    return INVALID_HANDLE_VALUE;
  }
  ++s_nOpenFiles;
  return ToHandle(fd);
}

BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nToRead, DWORD* pnRead, void*) {
  if (s_pfnRead) {
    BOOL bResult = FALSE;
    if (s_pfnRead(hFile, pBuffer, nToRead, pnRead, &bResult, s_pReadContext)) return bResult;
  }
  DWORD nDone = 0;
  char* p = static_cast<char*>(pBuffer);
  while (nDone < nToRead) {
    ssize_t n = read(ToFd(hFile), p + nDone, nToRead - nDone);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (pnRead) *pnRead = nDone;
      return FALSE;
    }
    if (n == 0) break;
    nDone += static_cast<DWORD>(n);
  }
  if (pnRead) *pnRead = nDone;
  return TRUE;
}

DWORD GetFileSize(HANDLE hFile, DWORD* pHigh) {
  struct stat st;
  if (fstat(ToFd(hFile), &st) != 0) {
    if (pHigh) *pHigh = 0;
    return INVALID_FILE_SIZE;
  }
  uint64_t n = static_cast<uint64_t>(st.st_size);
  if (pHigh) *pHigh = static_cast<DWORD>(n >> 32);
  return static_cast<DWORD>(n);
}

HANDLE FindFirstFileA(LPCSTR lpName, WIN32_FIND_DATAA* pData) {
  struct stat st;
  if (!lpName || stat(lpName, &st) != 0) return INVALID_HANDLE_VALUE;
  *pData = WIN32_FIND_DATAA();
  uint64_t n = static_cast<uint64_t>(st.st_size);
  pData->nFileSizeHigh = static_cast<DWORD>(n >> 32);
  pData->nFileSizeLow = static_cast<DWORD>(n);
  // 100 ns units, as Windows counts them (from another epoch: only differences matter here).
  uint64_t t = static_cast<uint64_t>(st.st_mtim.tv_sec) * 10000000u + static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
  pData->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(t);
  pData->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(1));
}

BOOL FindClose(HANDLE hFind) { return hFind != INVALID_HANDLE_VALUE; }

BOOL CloseHandle(HANDLE hObject) {
  if (hObject == INVALID_HANDLE_VALUE || !hObject) return FALSE;
  --s_nOpenFiles;
  return close(ToFd(hObject)) == 0;
}

HANDLE GetProcessHeap() { return &s_chHeap; }

void* HeapAlloc(HANDLE, DWORD, size_t nBytes) {
  if (s_pfnAlloc && s_pfnAlloc(nBytes, false, s_pAllocContext)) return nullptr;
  void* p = malloc(nBytes ? nBytes : 1);
  if (p) {
    ++s_nLive;
    if (nBytes > s_nLargest) s_nLargest = nBytes;
  }
  return p;
}

void* HeapReAlloc(HANDLE, DWORD, void* p, size_t nBytes) {
  if (s_pfnAlloc && s_pfnAlloc(nBytes, true, s_pAllocContext)) return nullptr;
  return realloc(p, nBytes ? nBytes : 1);
}

BOOL HeapFree(HANDLE, DWORD, void* p) {
  if (p) --s_nLive;
  free(p);
  return TRUE;
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int nMax) {
  if (nMax <= 0) return 0;
  for (const HOST_STRING* s = g_hostStrings; s->nID; ++s) {
    if (s->nID == uID) {
      int n = static_cast<int>(strlen(s->pszText));
      if (n > nMax - 1) n = nMax - 1;
      memcpy(lpBuffer, s->pszText, n);
      lpBuffer[n] = 0;
      return n;
    }
  }
  lpBuffer[0] = 0;
  return 0;
}

DWORD GetModuleFileNameA(HINSTANCE, LPSTR lpName, DWORD nSize) {
  if (!nSize) return 0;
  ssize_t n = readlink("/proc/self/exe", lpName, nSize - 1);
  if (n < 0) n = 0;
  lpName[n] = 0;
  return static_cast<DWORD>(n);
}

HINSTANCE GetModuleHandleA(LPCSTR) { return reinterpret_cast<HINSTANCE>(&s_chHeap); }

DWORD GetEnvironmentVariableA(LPCSTR pszName, LPSTR pszBuffer, DWORD nSize) {
  const char* psz = getenv(pszName);
  if (!psz) return 0;
  DWORD n = static_cast<DWORD>(strlen(psz));
  if (n >= nSize) return n + 1;
  memcpy(pszBuffer, psz, n + 1);
  return n;
}
DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nSize, LPSTR lpBuffer, LPSTR* lpFilePart) {
  if (lpFilePart) *lpFilePart = nullptr;
  std::string name = lpFileName ? lpFileName : "";
  if (name.empty()) return 0;
  if (name[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof(cwd))) return 0;
    name = std::string(cwd) + "/" + name;
  }
  // As Windows makes it: by the text alone (no link followed), "." and ".." gone (".." at the
  // root stays there), one separator between names, a final one kept.
  std::string path;
  for (size_t at = 0, end; at < name.size(); at = end + 1) {
    end = name.find('/', at);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(at, end - at);
    if (part == "..")
      path.resize(path.empty() ? 0 : path.rfind('/'));
    else if (!part.empty() && part != ".")
      path += "/" + part;
  }
  if (path.empty() || name.back() == '/') path += "/";
  if (path.size() + 1 > nSize) return static_cast<DWORD>(path.size() + 1);
  memcpy(lpBuffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

DWORD GetTickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void Sleep(DWORD dwMilliseconds) {
  timespec ts = {static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int wvsprintfA(LPSTR lpOut, LPCSTR lpFormat, va_list args) {
  // wsprintfA's limit: 1024 characters and the terminator.
  int n = vsnprintf(lpOut, 1025, lpFormat, args);
  return n > 1024 ? 1024 : n;
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFormat, ...) {
  va_list args;
  va_start(args, lpFormat);
  int n = wvsprintfA(lpOut, lpFormat, args);
  va_end(args);
  return n;
}

HANDLE GetStdHandle(DWORD nStdHandle) {
  return ToHandle(nStdHandle == STD_ERROR_HANDLE ? 2 : nStdHandle == STD_OUTPUT_HANDLE ? 1 : 0);
}

BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nToWrite, DWORD* pnWritten, void*) {
  DWORD nDone = 0;
  const char* p = static_cast<const char*>(pBuffer);
  while (nDone < nToWrite) {
    ssize_t n = write(ToFd(hFile), p + nDone, nToWrite - nDone);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    nDone += static_cast<DWORD>(n);
  }
  if (pnWritten) *pnWritten = nDone;
  return nDone == nToWrite;
}

BOOL GetConsoleMode(HANDLE hConsole, DWORD* pMode) {
  if (pMode) *pMode = 0;
  return isatty(ToFd(hConsole));
}

BOOL CharToOemBuffA(LPCSTR lpszSrc, LPSTR lpszDst, DWORD cchDstLength) {
  memmove(lpszDst, lpszSrc, cchDstLength);
  return TRUE;
}

static PHANDLER_ROUTINE s_pfnCtrl = nullptr;
static void OnInterrupt(int) {
  if (!s_pfnCtrl || !s_pfnCtrl(CTRL_C_EVENT)) _exit(130);
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE pfnRoutine, BOOL bAdd) {
  s_pfnCtrl = bAdd ? pfnRoutine : nullptr;
  struct sigaction sa = {};
  sa.sa_handler = bAdd ? &OnInterrupt : SIG_DFL;
  sigemptyset(&sa.sa_mask);
  return sigaction(SIGINT, &sa, nullptr) == 0;
}

LONG InterlockedExchange(LONG volatile* pn, LONG n) { return __atomic_exchange_n(pn, n, __ATOMIC_SEQ_CST); }

void ExitProcess(UINT uExitCode) { _exit(static_cast<int>(uExitCode)); }

void FatalAppExitA(UINT, LPCSTR lpMessage) {
  fprintf(stderr, "fatal: %s\n", lpMessage);
  abort();
}

}  // namespace api
