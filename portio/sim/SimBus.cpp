// SimBus.cpp - the simulated I/O bus of the demo and of the test port-I/O library.
#include "portio/sim/SimBus.h"

namespace {

const UINT kFirstBase = 0x300;
const UINT kLastBase = 0x330;
// About what an ISA link card moves; the console takes a moment to answer the first offers.
const DWORD kBytesPerSecond = 20000;
const int kBootOffers = 2000;

BOOL IsCardRegister(UINT nPort) {
  UINT nBase = nPort & ~0xFu;
  UINT nOffset = nPort & 0xFu;
  return nBase >= kFirstBase && nBase <= kLastBase && (nOffset == 0 || nOffset == 2);
}

void Check(UINT nPort) {
  if (!IsCardRegister(nPort)) api::FatalAppExitA(0, "simulated I/O bus: access outside the link card's registers");
}

CSimConsole::Config Configure(CSimBus::Mode mode, UINT nBase) {
  CSimConsole::Config c = CSimConsole::DefaultConfig(nBase);
  if (mode == CSimBus::kPaced) {
    c.dwBytesPerSecond = kBytesPerSecond;
    c.nReadyAfterOffers = kBootOffers;
  }
  // The console needs a moment for each byte, as real hardware may: one status poll sees it busy.
  if (mode == CSimBus::kFastBusy) c.nBusyPolls = 1;
  c.bWrongChecksum = mode == CSimBus::kBadChecksum;
  if (mode == CSimBus::kSilent) c.nReadyAfterOffers = -1;
  c.bStallMidData = mode == CSimBus::kStall;
  return c;
}

}  // namespace

CSimBus::CSimBus(Mode mode, UINT nBase) : m_nBase(nBase), m_console(Configure(mode, nBase)), m_pszProfile(0) {}

BYTE CSimBus::In(UINT nPort) {
  if (nPort == m_nBase || nPort == m_nBase + 2) return m_console.In(nPort);
  Check(nPort);
  api::Sleep(1);
  return 0xFF;  // no card here: the bus floats, and bit 0 reads as busy
}

void CSimBus::Out(UINT nPort, BYTE value) {
  if (nPort == m_nBase || nPort == m_nBase + 2) {
    int nBefore = m_console.GetCompletedTransfers();
    m_console.Out(nPort, value);
    if (m_console.GetCompletedTransfers() != nBefore) WriteReceipt();
    return;
  }
  Check(nPort);
}

void CSimBus::WriteReceipt() {
  if (!m_pszProfile) return;
  // FNV-1a over the data: enough to tell the file apart from anything else.
  DWORD dwHash = 2166136261u;
  const CSimpleArray<BYTE>& data = m_console.GetData();
  for (int i = 0; i < data.GetSize(); ++i) dwHash = (dwHash ^ data[i]) * 16777619u;
  struct {
    LPCSTR pszKey;
    LPCSTR pszFormat;
    DWORD dwValue;
  } const items[] = {
      {"Transfers", "%lu", static_cast<DWORD>(m_console.GetCompletedTransfers())},
      {"Address", "%08lx", m_console.GetAddress()},
      {"Length", "%lu", m_console.GetLength()},
      {"Received", "%lu", static_cast<DWORD>(data.GetSize())},
      {"DataFnv1a", "%08lx", dwHash},
      {"Checksum", "%04lx", static_cast<DWORD>(m_console.GetChecksumByte(0) << 8 | m_console.GetChecksumByte(1))},
      {"Matched", "%lu", static_cast<DWORD>(m_console.GetMatchedChecksums())},
  };
  char sz[32];
  for (const auto& item : items) {
    api::wsprintfA(sz, item.pszFormat, static_cast<unsigned long>(item.dwValue));
    api::WritePrivateProfileStringA("DemoConsole", item.pszKey, sz, m_pszProfile);
  }
}
