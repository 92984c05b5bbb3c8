// PortIo.h - byte access to the PC's I/O space, the link card's only way in.
//
// One interface, three back ends chosen when building an executable:
//   portio/direct/  the x86 IN and OUT instructions (Windows 95/98)
//   portio/sim/     a simulated link card with a console behind it (demo, tests)
// The program reaches it through g_pPortIo, which the application sets at start-up.
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

// The access this executable was built with (each port-access back end defines it).
CPortIo* OpenPortIo();

#endif  // VARNOK_PORTIO_PORTIO_H
