// UploadProtocol.cpp - the conversation with the console: handshake, header, data, checksum.
//
// Wire, PC to card, one byte per exchange:
//   handshake  'W' until the reply is 'R'; then 'B'; if its reply is 'W', 'X'
//   header     start address, then file length: 32 bits each, most significant byte first
//   data       the file's bytes, unchanged; the replies are added up
//   checksum   bits 8-11 of the sum, then bits 0-7; the console answers the first byte with
//              its own sum's bits 8-11 in bits 0-3
#include "ui/UploadDlg.h"

static const DWORD kOffer = 'W';
static const DWORD kReady = 'R';
static const DWORD kBegin = 'B';
static const DWORD kGo = 'X';

void CUploadDlg::SetStatus(UINT nStringId, int nPosition) {
  CString str;
  str.LoadString(nStringId);
  SetDlgItemText(IDC_STATUS, str);
  SendDlgItemMessage(IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(nPosition), 0);
}

void CUploadDlg::Handshake() {
  m_nPhase = kPhaseHandshake;
  SetStatus(IDS_STATUS_WAITING, 10);
  DWORD r = ExchangeByte(kOffer);
  if (m_bAbort) return;
  for (;;) {
    if (r == kReady) {
      DWORD r2 = ExchangeByte(kBegin);
      if (m_bAbort) return;
      if (r2 == kOffer) {
        ExchangeByte(kGo);  // the console is synchronised; its reply means nothing
        return;
      }
    }
    r = ExchangeByte(kOffer);
    if (m_bAbort) return;
  }
}

void CUploadDlg::SendHeader(CFile& file) {
  m_nPhase = kPhaseHeader;
  m_dwLength = static_cast<DWORD>(file.GetLength());
  Send32(m_dwStartAddress);
  if (m_bAbort) return;
  Send32(m_dwLength);
}

void CUploadDlg::SendBytes(const BYTE* pBuffer, DWORD nCount, DWORD& dwSum) {
  for (DWORD i = 0; i < nCount; ++i) {
    dwSum += ExchangeByte(pBuffer[i]);
    ++m_dwSent;
  }
}

BOOL CUploadDlg::ReadSlice(CFile& file, BYTE* pBuffer, DWORD nCount) {
  if (nCount == 0) return TRUE;
  if (file.Read(pBuffer, nCount) == nCount) return TRUE;
  ShowError(IDS_READ_ERROR);
  m_bFailed = 1;
  return FALSE;
}

DWORD CUploadDlg::SendData(CFile& file) {
  m_nPhase = kPhaseData;
  DWORD dwLength = static_cast<DWORD>(file.GetLength());
  DWORD dwSlice = dwLength / 10;
  DWORD dwRemainder = dwLength % 10;
  DWORD dwBuffer = dwLength < 10 ? dwLength : (dwSlice > dwRemainder ? dwSlice : dwRemainder);

  // An empty file needs no buffer at all; any other size that cannot be had ends the phase.
  BYTE* pBuffer = 0;
  if (dwBuffer) {
    pBuffer = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, dwBuffer));
    if (!pBuffer) {
      ShowError(IDS_OUT_OF_MEMORY);
      m_bFailed = 1;
      return 0;
    }
  }

  DWORD dwSum = 0;
  if (dwLength < 10) {
    if (ReadSlice(file, pBuffer, dwLength)) SendBytes(pBuffer, dwLength, dwSum);
  } else {
    // Ten slices and the remainder; the stop flag is looked at after each slice.
    for (int k = 1; k <= 10 && !m_bFailed; ++k) {
      SetStatus(IDS_STATUS_SENDING, 10 * k);
      if (ReadSlice(file, pBuffer, dwSlice)) SendBytes(pBuffer, dwSlice, dwSum);
      if (m_bAbort) break;
    }
    if (!m_bAbort && !m_bFailed) {
      SetStatus(IDS_STATUS_SENDING, 100);
      if (ReadSlice(file, pBuffer, dwRemainder)) SendBytes(pBuffer, dwRemainder, dwSum);
    }
  }

  if (pBuffer) api::HeapFree(api::GetProcessHeap(), 0, pBuffer);
  return (m_bAbort || m_bFailed) ? 0 : dwSum;
}

void CUploadDlg::SendChecksum(DWORD dwSum) {
  m_nPhase = kPhaseChecksum;
  SetStatus(IDS_STATUS_CHECKSUM, 95);
  DWORD x = dwSum & 0xFFF;
  DWORD r = Exchange16(x);
  if (m_bAbort) return;
  // Only bits 8-11 take part: bits 0-3 of the reply to the first byte against the sum's.
  if ((r & 0xF00) != (x & 0xF00)) ShowError(IDS_CHECKSUM_ERROR);
}
