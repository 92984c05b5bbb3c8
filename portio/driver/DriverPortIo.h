// DriverPortIo.h - port access on the NT family, through the widely used port-I/O driver library.
#ifndef VARNOK_PORTIO_DRIVER_DRIVERPORTIO_H
#define VARNOK_PORTIO_DRIVER_DRIVERPORTIO_H

#include "portio/PortIo.h"

// Loads the library (inpout32.dll, or inpoutx64.dll in the 64-bit build) by full path only:
// from the executable's own folder, then from the system folder; never through the default
// search order, which would take a library planted in the current folder. 0 when the library
// is missing, lacks one of its functions, or its driver is not open.
CPortIo* OpenDriverPortIo();

#endif  // VARNOK_PORTIO_DRIVER_DRIVERPORTIO_H
