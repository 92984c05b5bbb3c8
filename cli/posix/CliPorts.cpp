// CliPorts.cpp - varnok-cli's port access on Linux.
#include "portio/linux/LinuxPortIo.h"

CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy) { return OpenLinuxPortIo(nBase, pszWhy, nWhy); }
