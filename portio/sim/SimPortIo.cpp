// SimPortIo.cpp - the port access of the demo: a simulated card at 0x310 with a console behind it,
// paced like real hardware, on an I/O bus where the other three card bases float.
#include "portio/sim/SimConsole.h"

namespace {

const UINT kFirstBase = 0x300;
const UINT kLastBase = 0x330;
const UINT kDemoBase = 0x310;
// About what an ISA link card moves; the console takes a moment to answer the first offers.
const DWORD kDemoBytesPerSecond = 20000;
const int kDemoBootOffers = 2000;

BOOL IsCardRegister(UINT nPort) {
  UINT nBase = nPort & ~0xFu;
  UINT nOffset = nPort & 0xFu;
  return nBase >= kFirstBase && nBase <= kLastBase && (nOffset == 0 || nOffset == 2);
}

class CSimBus : public CPortIo {
 public:
  CSimBus() : m_console(Configure()) {}
  BYTE In(UINT nPort) override {
    if (nPort == kDemoBase || nPort == kDemoBase + 2) return m_console.In(nPort);
    Check(nPort);
    api::Sleep(1);
    return 0xFF;  // no card here: the bus floats, and bit 0 reads as busy
  }
  void Out(UINT nPort, BYTE value) override {
    if (nPort == kDemoBase || nPort == kDemoBase + 2) {
      m_console.Out(nPort, value);
      return;
    }
    Check(nPort);
  }

 private:
  static CSimConsole::Config Configure() {
    CSimConsole::Config c = CSimConsole::DefaultConfig(kDemoBase);
    c.dwBytesPerSecond = kDemoBytesPerSecond;
    c.nReadyAfterOffers = kDemoBootOffers;
    return c;
  }
  static void Check(UINT nPort) {
    if (!IsCardRegister(nPort)) api::FatalAppExitA(0, "simulated I/O bus: access outside the link card's registers");
  }
  CSimConsole m_console;
};

CSimBus s_bus;

}  // namespace

CPortIo* OpenPortIo() { return &s_bus; }
