// UploadDlg.h - CUploadDlg, the main dialog: the inputs, the window states and the whole transfer.
//
// One class, defined across the folders of its concerns:
//   ui/UploadDlg.cpp            construction, initialisation, Browse, dropped files, the cancel command
//   ui/RecentLists.cpp          the recent file and address lists
//   ui/AboutDlg.cpp             the system menu's About command
//   settings/Settings.cpp       loading and saving the "Config" section of the profile
//   transfer/TransferControl.cpp  Execute, the Ready and Busy states
//   transfer/UploadProtocol.cpp   handshake, header, data, checksum; the status line
//   transfer/PortLink.cpp         one byte at a time through the link card's registers
#ifndef VARNOK_UI_UPLOADDLG_H
#define VARNOK_UI_UPLOADDLG_H

#include "framework/afxwin.h"
#include "res/resource.h"

// I/O addresses of the link card's data and status registers, set by Execute before each transfer.
extern int g_nDataPort;
extern int g_nStatusPort;

// How many entries each recent list holds.
const int kRecentMax = 16;

class CUploadDlg : public CDialog {
 public:
  explicit CUploadDlg(CWnd* pParent = 0);

  // Overridables
  BOOL OnInitDialog() override;
  void OnCancel() override;

  // Commands
  void OnExecute();
  void OnBrowse();
  void OnSysCommand(UINT nID, LPARAM lParam);
  // A file dropped on the window goes into the File box while Ready; nothing is sent.
  void OnDropFiles(HDROP hDropInfo);

  // Window states
  void EnterBusyState();
  void EnterReadyState();
  void SetStatus(UINT nStringId, int nPosition);

  // Upload protocol: the four phases, in calling order
  void Handshake();
  void SendHeader(CFile& file);
  DWORD SendData(CFile& file);
  void SendChecksum(DWORD dwSum);

  // Port link
  // The I/O base of the card at Port box index nPort: its data register; the status register is
  // two above it.
  static UINT CardBaseOf(int nPort) { return static_cast<UINT>((nPort + 0x30) * 16); }
  DWORD ReadPort(int nPort);
  void WaitReady();
  DWORD ExchangeByte(DWORD dwValue);
  DWORD Exchange16(DWORD dwValue);
  void Send32(DWORD dwValue);

  // Recent lists
  void AddRecentFile(LPCSTR pszPath);
  void AddRecentAddress(LPCSTR pszAddress);
  void FillRecentLists();

  // Settings
  void LoadSettings();
  void SaveSettings();

  // State, in the order the program has always kept it.
  int m_nPort;
  CString m_strFile;
  CString m_strRecentFile[kRecentMax];
  int m_nRecentFiles;
  DWORD m_dwStartAddress;
  CString m_strRecentAddress[kRecentMax];
  int m_nRecentAddresses;
  int m_bBusy;
  int m_bAbort;
  // A file given when the program starts: shown in the File box instead of the most recent one.
  CString m_strInitialFile;

  // How far the transfer has come, for whoever follows it from outside (the command line): its
  // phase, the data bytes sent and the length in the header. Execute starts them anew; they keep
  // the last transfer's values after it ends.
  enum Phase { kPhaseInit, kPhaseHandshake, kPhaseHeader, kPhaseData, kPhaseChecksum };
  int m_nPhase;
  DWORD m_dwSent;
  DWORD m_dwLength;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // Set when the data phase could not read the file or get its buffer: the checksum is skipped.
  // Cleared, like the two flags above, by entering either state.
  int m_bFailed;

  // Shows a stop-icon message box with string nStringId, captioned with the application's name.
  void ShowError(UINT nStringId);
  // The one list algorithm behind AddRecentFile and AddRecentAddress.
  void AddRecentItem(CString* pEntries, int& nCount, int nIDCombo, LPCSTR pszItem);
  // Sends nCount bytes of pBuffer, adding each reply to dwSum.
  void SendBytes(const BYTE* pBuffer, DWORD nCount, DWORD& dwSum);
  // Reads nCount bytes into pBuffer; shows "Read Error" and sets m_bFailed when the file gives
  // fewer (a short read or a read error), so that no stale byte is ever sent.
  BOOL ReadSlice(CFile& file, BYTE* pBuffer, DWORD nCount);
};

// Reads an address text as the standard strtoul does with base 16, in 32 bits: leading blanks,
// an optional sign, an optional 0x or 0X, then hexadecimal digits up to the first other
// character. No digits give 0; a number above 32 bits gives 0xFFFFFFFF, signed or not; otherwise
// a minus sign negates the value modulo 2^32.
DWORD ParseHexAddress(LPCSTR psz);

#endif  // VARNOK_UI_UPLOADDLG_H
