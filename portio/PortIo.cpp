// PortIo.cpp - the process's port access.
#include "portio/PortIo.h"

CPortIo* g_pPortIo = 0;
