// SimPortIo.cpp - the port access of the demo: the simulated bus, its receipt in the demo's profile.
#include "portio/sim/SimBus.h"

static CSimBus s_bus;

CPortIo* OpenPortIo() {
  CWinApp* pApp = AfxGetApp();
  s_bus.SetReceiptProfile(pApp ? pApp->m_pszProfileName : 0);
  return &s_bus;
}
