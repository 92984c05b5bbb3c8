// PortIo.h - byte access to the PC's I/O space, the link card's only way in.
//
// One interface, back ends chosen when building an executable:
//   portio/direct/  the x86 IN and OUT instructions (what Windows 95/98 let a program do)
//   portio/driver/  the port-I/O driver library of the NT family, loaded at run time
//   portio/sim/     a simulated link card with a console behind it (demo, tests)
// The program reaches it through g_pPortIo, which the application sets at start-up; 0 means
// that this system gives the program no access, and Execute refuses.
#ifndef VARNOK_PORTIO_PORTIO_H
#define VARNOK_PORTIO_PORTIO_H

#include "framework/platform.h"

class CPortIo {
 public:
  virtual BYTE In(UINT nPort) = 0;
  virtual void Out(UINT nPort, BYTE value) = 0;

 protected:
  ~CPortIo() {}
};

// The port access of this process; 0 until the application or a test has chosen one.
extern CPortIo* g_pPortIo;

// The access this executable was built with (each executable links one definition).
CPortIo* OpenPortIo();

// The choice the Windows program makes once, at start-up: the IN and OUT instructions on
// Windows 95/98; elsewhere (the NT family, where they fault) the driver library when it can be
// opened; otherwise no access at all.
CPortIo* ChoosePortIo(BOOL bWindows9x, CPortIo* pDirect, CPortIo* (*pfnOpenDriver)());

#endif  // VARNOK_PORTIO_PORTIO_H
