// Progress.h - varnok-cli's progress line and closing summary, in 32-bit arithmetic (the 32-bit
// Windows build has no 64-bit division) for files up to 4 GiB less one byte.
#ifndef VARNOK_CLI_PROGRESS_H
#define VARNOK_CLI_PROGRESS_H

#include "portio/PortIo.h"

// nDone of nTotal in per cent, 100 only when all is done.
DWORD ProgressPercent(DWORD nDone, DWORD nTotal);
// Bytes a second.
DWORD ProgressRate(DWORD nBytes, DWORD dwMs);

// What a transfer has done so far; bData once the data phase has begun, dwMs since then.
struct PROGRESS {
  LPCSTR pszStatus;
  BOOL bData;
  DWORD nSent, nLength, dwMs;
};

// "Status:Sending data...  42%  1234/2938 bytes  19.5 KB/s  0:01 left" (the rate and the time
// left once 200 ms of data have gone by); before the data phase, the status and 0%. sz holds 180.
void FormatProgress(char* sz, const PROGRESS& p);

// The closing line of a transfer, for its exit code (the command line's exit codes); sz holds 300.
void FormatSummary(char* sz, int nExit, const PROGRESS& p, LPCSTR pszAddress);

class CUploadDlg;

// The progress of the dialog's transfer on stdout, from what the transfer reports of itself (its
// phase, the bytes sent, the length) and its status line: on a terminal one line, redrawn; into a
// file or a pipe a line at each status and each tenth of the data. It sits between the dialog and
// the card, to see each byte go.
class CProgressLine final : public CPortIo {
 public:
  CProgressLine(CPortIo* pInner, CUploadDlg& dlg);
  ~CProgressLine();

  // A new transfer.
  void Begin();
  // Plain lines whatever the output is (the server's, for its clients).
  void SetPlain() { m_bTerminal = FALSE; }
  // Leaves the updating line behind before anything else is printed.
  void EndLine();
  // Whether the transfer began: its first byte went to the card.
  BOOL Began() const { return m_bBegun; }
  // The closing line after a transfer that sent nSent data bytes, into sz (300); FALSE when no
  // transfer began.
  BOOL Summary(char* sz, int nExit, DWORD nSent, LPCSTR pszAddress) const;

  BYTE In(UINT nPort) override { return m_pInner->In(nPort); }
  void Out(UINT nPort, BYTE value) override;

 private:
  static void OnMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext);
  // The dialog's status line changed (Ready, the end, is left to the summary).
  void OnStatus(LPCSTR pszText);
  BOOL DataLineDue() const;
  void NoteDataPhase();
  PROGRESS Get() const;
  void Show();

  CPortIo* m_pInner;
  CUploadDlg& m_dlg;
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
  BOOL m_bBegun = FALSE;
  BOOL m_bData = FALSE;
  char m_szStatus[64] = "";
  DWORD m_nTenth = 0;
  DWORD m_dwStart = 0;
  DWORD m_dwDrawn = 0;
};

#endif  // VARNOK_CLI_PROGRESS_H
