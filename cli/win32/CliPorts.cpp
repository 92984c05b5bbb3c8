// CliPorts.cpp - varnok-cli's port access on Windows: as the window's (IN/OUT on 95/98, the
// port-I/O driver library on the NT family).
#include "framework/afxwin.h"
#include "portio/PortIo.h"

CPortIo* OpenCliPortIo(UINT, char* pszWhy, int nWhy) {
  CPortIo* p = OpenPortIo();
  if (!p && nWhy > 0) {
    static const char kWhy[] =
        "no access to the I/O ports: on Windows NT, 2000, XP and later, install the port-I/O driver library "
        "(inpout32.dll, or inpoutx64.dll for the 64-bit build) beside varnok-cli.exe; or try --simulate";
    int n = AfxStrLen(kWhy) < nWhy - 1 ? AfxStrLen(kWhy) : nWhy - 1;
    AfxMemCopy(pszWhy, kWhy, n);
    pszWhy[n] = 0;
  }
  return p;
}
