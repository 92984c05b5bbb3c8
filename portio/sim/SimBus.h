// SimBus.h - an ISA bus with one simulated link card (at 0x310 unless told otherwise) and a
// console behind it, paced like real hardware (or as fast as polled, busy for one status poll
// after each byte, with a console whose checksum answer is wrong, one that never answers, or
// one that stops answering half-way through the data, as when it is reset mid-transfer).
// The other card bases float (read 0xFF: busy forever); an access anywhere else ends the
// process. After every transfer the console has received whole, what it received goes to the
// section "DemoConsole" of the given profile.
#ifndef VARNOK_PORTIO_SIM_SIMBUS_H
#define VARNOK_PORTIO_SIM_SIMBUS_H

#include "portio/sim/SimConsole.h"

class CSimBus final : public CPortIo {
 public:
  enum Mode { kPaced, kFast, kFastBusy, kBadChecksum, kSilent, kStall };
  explicit CSimBus(Mode mode = kPaced, UINT nBase = 0x310);
  BYTE In(UINT nPort) override;
  void Out(UINT nPort, BYTE value) override;
  // Where the receipt goes (0: nowhere). The text is not copied.
  void SetReceiptProfile(LPCSTR pszProfile) { m_pszProfile = pszProfile; }
  // The card and console behind the bus: their configuration, what they received.
  CSimConsole& Console() { return m_console; }

 private:
  void WriteReceipt();
  UINT m_nBase;
  CSimConsole m_console;
  LPCSTR m_pszProfile;
};

#endif  // VARNOK_PORTIO_SIM_SIMBUS_H
