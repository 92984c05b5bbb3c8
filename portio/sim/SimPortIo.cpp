// SimPortIo.cpp - the port access of the demo: a simulated card at 0x310 with a console behind it,
// paced like real hardware, on an I/O bus where the other three card bases float.
//
// After every transfer the console has received whole, it writes what it received to the
// section "DemoConsole" of the demo's own profile, where a person or a test can read it.
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
      int nBefore = m_console.GetCompletedTransfers();
      m_console.Out(nPort, value);
      if (m_console.GetCompletedTransfers() != nBefore) WriteReceipt();
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
  void WriteReceipt() {
    CWinApp* pApp = AfxGetApp();
    if (!pApp || !pApp->m_pszProfileName) return;
    // FNV-1a over the data: enough to tell the file apart from anything else.
    DWORD dwHash = 2166136261u;
    const CSimpleArray<BYTE>& data = m_console.GetData();
    for (int i = 0; i < data.GetSize(); ++i) dwHash = (dwHash ^ data[i]) * 16777619u;
    char sz[32];
    static const char kSection[] = "DemoConsole";
    api::wsprintfA(sz, "%d", m_console.GetCompletedTransfers());
    pApp->WriteProfileString(kSection, "Transfers", sz);
    api::wsprintfA(sz, "%08x", m_console.GetAddress());
    pApp->WriteProfileString(kSection, "Address", sz);
    api::wsprintfA(sz, "%lu", static_cast<unsigned long>(m_console.GetLength()));
    pApp->WriteProfileString(kSection, "Length", sz);
    api::wsprintfA(sz, "%lu", static_cast<unsigned long>(data.GetSize()));
    pApp->WriteProfileString(kSection, "Received", sz);
    api::wsprintfA(sz, "%08lx", static_cast<unsigned long>(dwHash));
    pApp->WriteProfileString(kSection, "DataFnv1a", sz);
    api::wsprintfA(sz, "%02x %02x", m_console.GetChecksumByte(0), m_console.GetChecksumByte(1));
    pApp->WriteProfileString(kSection, "Checksum", sz);
    api::wsprintfA(sz, "%d", m_console.GetMatchedChecksums());
    pApp->WriteProfileString(kSection, "Matched", sz);
  }
  static void Check(UINT nPort) {
    if (!IsCardRegister(nPort)) api::FatalAppExitA(0, "simulated I/O bus: access outside the link card's registers");
  }
  CSimConsole m_console;
};

CSimBus s_bus;

}  // namespace

CPortIo* OpenPortIo() { return &s_bus; }
