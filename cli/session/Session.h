// Session.h - the one seam between varnok-cli and the dialog: the very same CUploadDlg on the
// headless window back end (the same validation in the same order, the same address
// normalisation, texts, recent lists and profile as the program's window), its history, and one
// tap on the card, through which the session tells its listeners what the transfer does.
//
// Only this room reads the dialog's state and the card's register addresses. Everything above
// hands it what goes out (Send) and reads what happened (UPLOAD_END).
#ifndef VARNOK_CLI_SESSION_SESSION_H
#define VARNOK_CLI_SESSION_SESSION_H

#include "cli/output/Output.h"
#include "cli/session/History.h"
#include "cli/session/Listener.h"
#include "portio/PortIo.h"

struct HEADLESS_MESSAGEBOX;

// One upload: what goes into the boxes, and what stands in for the file.
struct UPLOAD {
  LPCSTR pszFile;        // the File box's text (0: as it is)
  LPCSTR pszAddress;     // the Address box's text (0: as it is)
  CFileSource* pSource;  // read instead of the file (0: Execute reads the file itself)
  BOOL bElf;             // an ELF file's image: kept apart from the window's lists
};

// How it ended.
struct UPLOAD_END {
  int nExit;
  BOOL bBegan;          // a byte went to the card
  DWORD nAnswered;      // the data bytes the console had answered (at a stop: then)
  char szSummary[300];  // the closing line, when it began ("" otherwise)
  int nMessages;        // what the dialog said, or why it stopped
  CLI_MESSAGE messages[2];
};
// One more message of end (beyond two: left out).
void AddEndMessage(UPLOAD_END& end, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

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
