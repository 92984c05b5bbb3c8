// PortLink.cpp - one byte at a time through the link card's two registers.
//
// Every exchange writes a byte to the data register, waits until the status register's bit 0
// is clear (the card has answered), and reads the reply from the data register. While the
// card is busy, the wait keeps the window alive by pumping its messages; the cancel command
// can run there and set the stop flag, which ends the wait.
#include "portio/PortIo.h"
#include "ui/UploadDlg.h"

int g_nDataPort = 0;
int g_nStatusPort = 0;

static const BYTE kStatusBusy = 0x01;

DWORD CUploadDlg::ReadPort(int nPort) { return g_pPortIo->In(static_cast<UINT>(nPort)); }

void CUploadDlg::WaitReady() {
  if (!(ReadPort(g_nStatusPort) & kStatusBusy)) return;
  for (;;) {
    MSG msg;
    while (api::PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE)) {
      if (!AfxGetApp()->PumpMessage()) {
        // The quit message: hand it on to the dialog's own loop and stop waiting.
        api::PostQuitMessage(0);
        return;
      }
    }
    if (m_bAbort) return;
    if (!(ReadPort(g_nStatusPort) & kStatusBusy)) return;
  }
}

DWORD CUploadDlg::ExchangeByte(DWORD dwValue) {
  g_pPortIo->Out(static_cast<UINT>(g_nDataPort), static_cast<BYTE>(dwValue & 0xFF));
  WaitReady();
  if (m_bAbort) return 0;
  return g_pPortIo->In(static_cast<UINT>(g_nDataPort));
}

DWORD CUploadDlg::Exchange16(DWORD dwValue) {
  DWORD r1 = ExchangeByte((dwValue >> 8) & 0xFF);
  if (m_bAbort) return 0;
  DWORD r2 = ExchangeByte(dwValue & 0xFF);
  return r1 * 256 + r2;
}

void CUploadDlg::Send32(DWORD dwValue) {
  ExchangeByte(dwValue >> 24);
  if (m_bAbort) return;
  ExchangeByte((dwValue >> 16) & 0xFF);
  if (m_bAbort) return;
  ExchangeByte((dwValue >> 8) & 0xFF);
  if (m_bAbort) return;
  ExchangeByte(dwValue & 0xFF);
}
