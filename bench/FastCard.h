// FastCard.h - a lean card for the benchmark: answers every byte at once and only counts.
// Defined in its own file so that neither loop can see (and inline) its code: both reach it
// through the port-access interface, as the program does.
#ifndef VARNOK_BENCH_FASTCARD_H
#define VARNOK_BENCH_FASTCARD_H

#include "portio/PortIo.h"

CPortIo* NewFastCard();
long long FastCardAccesses(CPortIo* card);

#endif  // VARNOK_BENCH_FASTCARD_H
