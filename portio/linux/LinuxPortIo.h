// LinuxPortIo.h - the link card's registers from Linux: ioperm for the card's three addresses
// (root or CAP_SYS_RAWIO), else /dev/port; x86 only.
#ifndef VARNOK_PORTIO_LINUX_LINUXPORTIO_H
#define VARNOK_PORTIO_LINUX_LINUXPORTIO_H

#include "portio/PortIo.h"

// Access to nBase .. nBase + 2, or 0 with the reason in pszWhy (a sentence for the user).
CPortIo* OpenLinuxPortIo(UINT nBase, char* pszWhy, int nWhy);

#endif  // VARNOK_PORTIO_LINUX_LINUXPORTIO_H
