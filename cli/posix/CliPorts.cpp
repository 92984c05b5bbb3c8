// CliPorts.cpp - varnok-cli's ties to Linux: port access, and the system's reason for a failure.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "portio/linux/LinuxPortIo.h"

CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy) { return OpenLinuxPortIo(nBase, pszWhy, nWhy); }

BOOL GetSystemError(char* pszText, int nText) {
  if (!errno || nText <= 0) return FALSE;
  snprintf(pszText, static_cast<size_t>(nText), "%s", strerror(errno));
  return TRUE;
}

void ClearSystemError() { errno = 0; }
