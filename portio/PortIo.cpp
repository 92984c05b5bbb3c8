// PortIo.cpp - the process's port access.
#include "portio/PortIo.h"

CPortIo* g_pPortIo = 0;

CPortIo* ChoosePortIo(BOOL bWindows9x, CPortIo* pDirect, CPortIo* (*pfnOpenDriver)()) {
  if (bWindows9x) return pDirect;
  return pfnOpenDriver();
}
