// SimConsole.h - a simulated link card with a console behind it.
//
// The card: data register at the base, status register at base + 2 whose bit 0 is set while
// the console has not answered the last byte (the other bits read as noise). The console
// plays its side of the upload: it answers 'R' to 'W' once it is ready, 'W' to 'B', takes
// 'X', the 8-byte header (address and length, most significant byte first), exactly that
// many data bytes, and the two checksum bytes; it answers every data byte with a reply of
// its own and adds the replies up, as the PC does, and answers the first checksum byte with
// its sum's bits 8-11 in bits 0-3.
//
// It records what it received and, when asked, every register access. Any access outside
// its two registers ends the process with a message: nothing may ever touch another port.
#ifndef VARNOK_PORTIO_SIM_SIMCONSOLE_H
#define VARNOK_PORTIO_SIM_SIMCONSOLE_H

#include "framework/afxwin.h"
#include "portio/PortIo.h"

class CSimConsole final : public CPortIo {
 public:
  struct Config {
    UINT nBase;              // I/O base the card is jumpered to (0x300, 0x310, 0x320, 0x330)
    int nReadyAfterOffers;   // 'W' offers answered before the first 'R'; -1: never ready
    int nBusyPolls;          // status reads that see "busy" after each byte
    DWORD dwBytesPerSecond;  // 0: as fast as polled; else busy until real time catches up
    BYTE notReadyReply;      // what a 'W' gets while the console is not ready
    int nBadSyncReplies;     // how many 'B's are answered with something other than 'W'
    BOOL bWrongChecksum;     // the reply to the first checksum byte is off by one
    BOOL bNoisyChecksum;     // the checksum replies carry more than the PC compares: bits 4-7
                             // of the first reply set, the second reply inverted
    BOOL bStuckBusy;         // the card never clears bit 0
    BOOL bStallMidData;      // the console stops answering half-way through the data (reset)
    BOOL bRecordAccesses;    // keep every register access
  };
  static Config DefaultConfig(UINT nBase);

  // Called after every byte the card takes: index counts all writes of the card's life.
  typedef void (*WriteObserver)(CSimConsole* pConsole, int nIndex, BYTE value, void* pContext);

  explicit CSimConsole(const Config& config);

  BYTE In(UINT nPort) override;
  void Out(UINT nPort, BYTE value) override;

  void SetObserver(WriteObserver pfn, void* pContext) {
    m_pfnObserver = pfn;
    m_pObserverContext = pContext;
  }
  // Forgets what was received (the configuration stays).
  void Reset();

  // What the console received in the latest transfer.
  int GetHeaderBytes() const { return m_nHeaderBytes; }
  DWORD GetAddress() const { return m_dwAddress; }
  DWORD GetLength() const { return m_dwLength; }
  const CSimpleArray<BYTE>& GetData() const { return m_data; }
  int GetChecksumBytes() const { return m_nChecksumBytes; }
  BYTE GetChecksumByte(int i) const { return m_checksum[i]; }
  DWORD GetConsoleSum() const { return m_dwSum; }
  // Transfers that reached their second checksum byte, and of those, the ones whose checksum
  // bytes matched the console's own sum.
  int GetCompletedTransfers() const { return m_nCompleted; }
  int GetMatchedChecksums() const { return m_nMatched; }
  int GetWriteCount() const { return m_nWrites; }

  // Register accesses, when recorded: port << 16 | kWrite when written | the byte.
  static const DWORD kWrite = 0x100;
  const CSimpleArray<DWORD>& GetAccesses() const { return m_accesses; }

  Config m_config;

 private:
  enum State { kSync, kExpectBegin, kExpectGo, kHeader, kData, kChecksumHigh, kChecksumLow };
  BYTE Answer(BYTE value);
  BOOL IsBusy();
  void CheckPort(UINT nPort);

  State m_state;
  int m_nOffers;
  int m_nBadSyncLeft;
  int m_nBusyLeft;
  BYTE m_reply;
  int m_nHeaderBytes;
  DWORD m_dwAddress;
  DWORD m_dwLength;
  CSimpleArray<BYTE> m_data;
  DWORD m_dwSum;
  BYTE m_checksum[2];
  int m_nChecksumBytes;
  int m_nCompleted;
  int m_nMatched;
  int m_nWrites;
  int m_nPacedBytes;
  DWORD m_dwPaceStart;
  CSimpleArray<DWORD> m_accesses;
  WriteObserver m_pfnObserver;
  void* m_pObserverContext;
};

#endif  // VARNOK_PORTIO_SIM_SIMCONSOLE_H
