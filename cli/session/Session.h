// Session.h - the one seam between varnok-cli and the dialog: the very same CUploadDlg on the
// headless window back end (the same validation in the same order, the same address
// normalisation, texts, recent lists and profile as the program's window), its history, and one
// tap on the card, through which the session tells its listeners what the transfer does.
//
// Only this room reads the dialog's state and the card's register addresses. Everything above
// hands it what goes out (Send) and reads what happened (UPLOAD_END).
#ifndef VARNOK_CLI_SESSION_SESSION_H
#define VARNOK_CLI_SESSION_SESSION_H

#include "cli/session/History.h"
#include "cli/session/Listener.h"
#include "cli/session/UploadEnd.h"
#include "portio/PortIo.h"

struct HEADLESS_MESSAGEBOX;

class CSession final : private CPortIo {
 public:
  // bHistory FALSE: uploads leave no history (the server's, for its clients).
  explicit CSession(BOOL bHistory);
  // Closes the dialog as the window is closed (from Ready: a kept history is saved).
  ~CSession();
  // The dialog created; FALSE when it cannot be.
  BOOL Open();

  // The Port box, as the window shows it: nIndex 0-3 for 300-330.
  void SelectPort(int nIndex);
  // The card's I/O base as Execute will take it; FALSE when no port is selected.
  BOOL GetCardBase(UINT& nBase) const;
  // The card behind the tap (0: none, Execute refuses), and why there is none.
  void SetCard(CPortIo* pCard, LPCSTR pszWhyNone);

  // For a run without FILE: the most recent upload into the boxes (see CHistory).
  void ChooseMostRecent(BOOL bAddressGiven) { m_history.ChooseMostRecent(bAddressGiven); }
  void SetFileText(LPCSTR pszPath);
  CString GetFileText() const;
  CString GetAddressText() const;
  // The settings written, as the window does when it closes (--watch, between uploads).
  void SaveSettings();

  void AddListener(CTransferListener* p);
  void RemoveListener(CTransferListener* p);

  // One press of Execute, to its end: how it ended (until the next Send).
  const UPLOAD_END& Send(const UPLOAD& u);
  // The one Stop: the dialog's cancel command, now (a transfer runs); the first stop's reason
  // holds.
  void Stop(const TRANSFER_STOP& stop);

 private:
  // The tap: every access to the card passes here.
  BYTE In(UINT nPort) override;
  void Out(UINT nPort, BYTE value) override;
  TRANSFER Now() const;
  void NoteDataPhase();
  static void OnMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext);
  static void OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext);
  void Pump();

  CUploadDlg m_dlg;
  CHistory m_history;
  CPortIo* m_pCard = 0;
  LPCSTR m_pszWhyNoCard = "";
  CTransferListener* m_listeners[4];
  int m_nListeners = 0;
  // The transfer under way, and how the last one ended.
  UPLOAD_END* m_pEnd = 0;
  UPLOAD_END m_end;
  BOOL m_bData = FALSE;
  DWORD m_dwDataTick = 0;
  TRANSFER_STOP m_stop = {0, 0};
  DWORD m_nAnsweredAtStop = 0;
};

#endif  // VARNOK_CLI_SESSION_SESSION_H
