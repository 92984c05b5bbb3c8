// System.h - varnok-cli's ties to its system (system/posix, system/win32): the card's ports, and
// the system's reason for a failure.
#ifndef VARNOK_CLI_SYSTEM_SYSTEM_H
#define VARNOK_CLI_SYSTEM_SYSTEM_H

#include "portio/PortIo.h"

// The card's registers at nBase, or 0 with a reason in pszWhy.
CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy);
// The system's reason for the latest failed call, FALSE when there is none; and forgetting it.
BOOL GetSystemError(char* pszText, int nText);
void ClearSystemError();
// n bytes from the system's random source (the kernel's; the CryptoAPI's on Windows 98 and the
// NT family); FALSE where the system has none (Windows 95 as shipped).
BOOL GetSystemRandom(BYTE* p, DWORD n);

#endif  // VARNOK_CLI_SYSTEM_SYSTEM_H
