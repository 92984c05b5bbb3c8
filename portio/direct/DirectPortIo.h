// DirectPortIo.h - the IN and OUT instructions.
#ifndef VARNOK_PORTIO_DIRECT_DIRECTPORTIO_H
#define VARNOK_PORTIO_DIRECT_DIRECTPORTIO_H

#include "portio/PortIo.h"

CPortIo* GetDirectPortIo();

#endif  // VARNOK_PORTIO_DIRECT_DIRECTPORTIO_H
