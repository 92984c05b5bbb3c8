// SelectPortIo.cpp - the real program's port access: chosen once, at start-up.
#include "framework/api.h"
#include "portio/direct/DirectPortIo.h"
#include "portio/driver/DriverPortIo.h"

CPortIo* OpenPortIo() {
  // The high bit of the version says Windows 95/98 (not the NT family).
  BOOL bWindows9x = (api::GetVersion() & 0x80000000u) != 0;
  return ChoosePortIo(bWindows9x, GetDirectPortIo(), &OpenDriverPortIo);
}
