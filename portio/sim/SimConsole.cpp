// SimConsole.cpp - the simulated link card and console.
#include "portio/sim/SimConsole.h"

static const BYTE kOffer = 'W';
static const BYTE kReady = 'R';
static const BYTE kBegin = 'B';
static const BYTE kGo = 'X';
static const BYTE kNotReady = 0x00;
static const BYTE kRefuse = 'Z';
// The status register's other bits float; only bit 0 means anything.
static const BYTE kStatusBusy = 0xFF;
static const BYTE kStatusReady = 0xFE;

CSimConsole::Config CSimConsole::DefaultConfig(UINT nBase) {
  Config c;
  c.nBase = nBase;
  c.nReadyAfterOffers = 0;
  c.nBusyPolls = 0;
  c.dwBytesPerSecond = 0;
  c.notReadyReply = 0x00;
  c.nBadSyncReplies = 0;
  c.bWrongChecksum = FALSE;
  c.bNoisyChecksum = FALSE;
  c.bStuckBusy = FALSE;
  c.bStallMidData = FALSE;
  c.bRecordAccesses = FALSE;
  return c;
}

CSimConsole::CSimConsole(const Config& config)
    : m_config(config), m_nCompleted(0), m_nMatched(0), m_nWrites(0), m_pfnObserver(0), m_pObserverContext(0) {
  Reset();
}

void CSimConsole::Reset() {
  m_state = kSync;
  m_nOffers = 0;
  m_nBadSyncLeft = m_config.nBadSyncReplies;
  m_nBusyLeft = 0;
  m_reply = 0;
  m_nHeaderBytes = 0;
  m_dwAddress = 0;
  m_dwLength = 0;
  m_data.RemoveAll();
  m_dwSum = 0;
  m_checksum[0] = m_checksum[1] = 0;
  m_nChecksumBytes = 0;
  m_nPacedBytes = 0;
  m_dwPaceStart = api::GetTickCount();
  m_accesses.RemoveAll();
}

void CSimConsole::CheckPort(UINT nPort) {
  if (nPort != m_config.nBase && nPort != m_config.nBase + 2) {
    char sz[96];
    api::wsprintfA(sz, "simulated link card at %x: access to I/O port %x, outside its registers", m_config.nBase,
                   nPort);
    api::FatalAppExitA(0, sz);
  }
}

BOOL CSimConsole::IsBusy() {
  if (m_config.bStuckBusy) return TRUE;
  // The byte that passes the middle of the data is taken and never answered.
  if (m_config.bStallMidData && m_state == kData && static_cast<DWORD>(m_data.GetSize()) > m_dwLength / 2) return TRUE;
  if (m_nBusyLeft > 0) {
    --m_nBusyLeft;
    return TRUE;
  }
  if (m_config.dwBytesPerSecond) {
    // Busy until the clock has caught up with the bytes taken so far.
    DWORD dwPerMs = m_config.dwBytesPerSecond / 1000 ? m_config.dwBytesPerSecond / 1000 : 1;
    DWORD dwElapsed = api::GetTickCount() - m_dwPaceStart;
    if (static_cast<DWORD>(m_nPacedBytes) > dwElapsed * dwPerMs) return TRUE;
  }
  return FALSE;
}

BYTE CSimConsole::In(UINT nPort) {
  CheckPort(nPort);
  BYTE value;
  if (nPort == m_config.nBase + 2) {
    BOOL bBusy = IsBusy();
    value = bBusy ? kStatusBusy : kStatusReady;
    // A paced card gives the processor back while it is busy, as the bus would.
    if (bBusy && (m_config.dwBytesPerSecond || m_config.bStuckBusy)) api::Sleep(1);
  } else {
    value = m_reply;
  }
  if (m_config.bRecordAccesses) m_accesses.Add((static_cast<DWORD>(nPort) << 16) | value);
  return value;
}

void CSimConsole::Out(UINT nPort, BYTE value) {
  CheckPort(nPort);
  if (m_config.bRecordAccesses) m_accesses.Add((static_cast<DWORD>(nPort) << 16) | kWrite | value);
  if (nPort != m_config.nBase) return;  // the status register takes nothing
  m_reply = Answer(value);
  m_nBusyLeft = m_config.nBusyPolls;
  ++m_nPacedBytes;
  int nIndex = m_nWrites++;
  if (m_pfnObserver) m_pfnObserver(this, nIndex, value, m_pObserverContext);
}

BYTE CSimConsole::Answer(BYTE value) {
  switch (m_state) {
    case kSync:
    case kExpectBegin:
    case kExpectGo:
      if (value == kBegin && m_state == kExpectBegin) {
        if (m_nBadSyncLeft > 0) {
          --m_nBadSyncLeft;
          m_state = kSync;
          return kRefuse;
        }
        m_state = kExpectGo;
        return kOffer;
      }
      if (value == kGo && m_state == kExpectGo) {
        m_state = kHeader;
        m_nHeaderBytes = 0;
        m_dwAddress = m_dwLength = 0;
        m_data.RemoveAll();
        m_dwSum = 0;
        m_nChecksumBytes = 0;
        return 0;
      }
      if (value == kOffer) {
        if (m_state == kSync && m_nOffers == 0) {
          // A new handshake: the pace starts here.
          m_nPacedBytes = 0;
          m_dwPaceStart = api::GetTickCount();
        }
        ++m_nOffers;
        if (m_config.nReadyAfterOffers >= 0 && m_nOffers > m_config.nReadyAfterOffers) {
          m_state = kExpectBegin;
          return kReady;
        }
        m_state = kSync;
        return m_config.notReadyReply;
      }
      m_state = kSync;
      return kNotReady;

    case kHeader:
      if (m_nHeaderBytes < 4)
        m_dwAddress = (m_dwAddress << 8) | value;
      else
        m_dwLength = (m_dwLength << 8) | value;
      if (++m_nHeaderBytes == 8) m_state = m_dwLength ? kData : kChecksumHigh;
      return 0;

    case kData: {
      m_data.Add(value);
      // A reply that differs from the byte, so that a PC adding up its own bytes is caught.
      BYTE reply = static_cast<BYTE>(value ^ 0xA5);
      m_dwSum += reply;
      if (static_cast<DWORD>(m_data.GetSize()) == m_dwLength) m_state = kChecksumHigh;
      return reply;
    }

    case kChecksumHigh: {
      m_checksum[0] = value;
      m_nChecksumBytes = 1;
      m_state = kChecksumLow;
      BYTE nibble = static_cast<BYTE>((m_dwSum >> 8) & 0x0F);
      if (m_config.bWrongChecksum) nibble = static_cast<BYTE>((nibble + 1) & 0x0F);
      return m_config.bNoisyChecksum ? static_cast<BYTE>(nibble | 0xF0) : nibble;
    }

    case kChecksumLow:
      m_checksum[1] = value;
      m_nChecksumBytes = 2;
      ++m_nCompleted;
      if (m_checksum[0] == ((m_dwSum >> 8) & 0x0F) && m_checksum[1] == (m_dwSum & 0xFF)) ++m_nMatched;
      m_state = kSync;
      m_nOffers = 0;
      m_nBadSyncLeft = m_config.nBadSyncReplies;
      return static_cast<BYTE>(m_config.bNoisyChecksum ? ~m_dwSum : m_dwSum);
  }
  return 0;
}
