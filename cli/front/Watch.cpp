// Watch.cpp - a file watched through FindFirstFileA (size and time, without opening it), which
// Windows 95 has.
#include "cli/front/Watch.h"

#include "cli/output/Output.h"
#include "framework/api.h"

namespace {
// How often the file is looked at, and how long it must stay unchanged to be sent.
const DWORD kWatchPollMs = 100;
const DWORD kWatchSteadyMs = 500;
}  // namespace

FILE_STAMP GetFileStamp(LPCSTR pszPath) {
  FILE_STAMP s = {{0, 0, 0, 0}};
  WIN32_FIND_DATAA fd;
  HANDLE h = api::FindFirstFileA(pszPath, &fd);
  if (h == INVALID_HANDLE_VALUE) return s;
  api::FindClose(h);
  s.a[0] = fd.nFileSizeLow;
  s.a[1] = fd.nFileSizeHigh;
  s.a[2] = fd.ftLastWriteTime.dwLowDateTime;
  s.a[3] = fd.ftLastWriteTime.dwHighDateTime | 0x80000000u;  // never all zero for a file
  return s;
}

BOOL WaitForChange(LPCSTR pszPath, const FILE_STAMP& sent) {
  FILE_STAMP seen = sent;
  DWORD dwSince = api::GetTickCount();
  char sz[500];
  api::wsprintfA(sz, "watching %.400s for a change (Ctrl-C ends)\n", pszPath);
  CliWrite(STD_OUTPUT_HANDLE, sz);
  for (;;) {
    if (CliInterrupted()) return FALSE;
    api::Sleep(kWatchPollMs);
    FILE_STAMP now = GetFileStamp(pszPath);
    if (now != seen) {
      seen = now;
      dwSince = api::GetTickCount();
    } else if (now.a[3] && now != sent && api::GetTickCount() - dwSince >= kWatchSteadyMs) {
      return TRUE;
    }
  }
}
