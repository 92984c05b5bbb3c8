// System.cpp - varnok-cli's ties to Linux: port access, and the system's reason for a failure.
#include "cli/system/System.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/random.h>

#include "portio/linux/LinuxPortIo.h"

CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy) { return OpenLinuxPortIo(nBase, pszWhy, nWhy); }

BOOL GetSystemError(char* pszText, int nText) {
  if (!errno || nText <= 0) return FALSE;
  snprintf(pszText, static_cast<size_t>(nText), "%s", strerror(errno));
  return TRUE;
}

void ClearSystemError() { errno = 0; }

BOOL GetSystemRandom(BYTE* p, DWORD n) {
  for (DWORD nDone = 0; nDone < n;) {
    ssize_t k = getrandom(p + nDone, n - nDone, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return FALSE;
    nDone += static_cast<DWORD>(k);
  }
  return TRUE;
}
