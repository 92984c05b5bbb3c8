// TransferControl.cpp - the Execute command and the window's Ready and Busy states.
#include "portio/PortIo.h"
#include "ui/UploadDlg.h"

static const int kPortCount = 4;
static const ULONGLONG kMaxLength = 0xFFFFFFFFull;  // the header's length field has 32 bits

void CUploadDlg::ShowError(UINT nStringId) { AfxMessageBox(nStringId, MB_ICONHAND); }

void CUploadDlg::OnExecute() {
  CString strPath;
  GetDlgItemText(IDC_FILE, strPath);
  if (strPath.IsEmpty()) {
    ShowError(IDS_NO_FILE);
    return;
  }

  CFile file;
  if (!file.Open(strPath, CFile::modeRead)) {
    ShowError(IDS_OPEN_ERROR);
    return;
  }
  m_strFile = strPath;

  CString strAddress;
  GetDlgItemText(IDC_ADDRESS, strAddress);
  if (strAddress.IsEmpty()) {
    ShowError(IDS_NO_ADDRESS);
    file.Close();
    return;
  }
  m_dwStartAddress = ParseHexAddress(strAddress);
  strAddress.Format("%08x", m_dwStartAddress);
  SetDlgItemText(IDC_ADDRESS, strAddress);

  m_nPort = static_cast<int>(SendDlgItemMessage(IDC_PORT, CB_GETCURSEL));
  g_nDataPort = static_cast<int>(CardBaseOf(m_nPort));
  g_nStatusPort = g_nDataPort + 2;

  // Refusals that keep the link untouched: with no selection the registers would lie outside
  // the four card bases; a length above 32 bits cannot be put in the header.
  if (m_nPort < 0 || m_nPort >= kPortCount) {
    ShowError(IDS_NO_PORT);
    file.Close();
    return;
  }
  if (file.GetLength() > kMaxLength) {
    ShowError(IDS_FILE_TOO_LARGE);
    file.Close();
    return;
  }
  // A system that gives the program no way to the ports: never try the instructions it forbids.
  if (!g_pPortIo) {
    ShowError(IDS_PORT_ACCESS);
    file.Close();
    return;
  }

  AddRecentFile(strPath);
  AddRecentAddress(strAddress);

  EnterBusyState();
  Handshake();
  if (!m_bAbort) SendHeader(file);
  if (!m_bAbort) {
    DWORD dwSum = SendData(file);
    if (!m_bAbort && !m_bFailed) SendChecksum(dwSum);
  }
  file.Close();
  EnterReadyState();
}

void CUploadDlg::EnterBusyState() {
  m_bBusy = 1;
  m_bAbort = 0;
  m_bFailed = 0;
  m_nPhase = kPhaseInit;
  m_dwSent = 0;
  m_dwLength = 0;
  SetStatus(IDS_STATUS_INIT, 10);
  GetDlgItem(IDC_EXECUTE)->EnableWindow(FALSE);
  CString str;
  str.LoadString(IDS_STOP);
  SetDlgItemText(IDCANCEL, str);
  GetDlgItem(IDC_BROWSE)->EnableWindow(FALSE);
  GetDlgItem(IDC_PORT)->EnableWindow(FALSE);
  GetDlgItem(IDC_FILE)->EnableWindow(FALSE);
  GetDlgItem(IDC_ADDRESS)->EnableWindow(FALSE);
  // The control that had the focus is disabled now, and a window without a focused control takes
  // no keys: Stop takes it, so that Esc (and Enter) still reach it from the keyboard.
  GotoDlgCtrl(GetDlgItem(IDCANCEL));
  str.LoadString(IDS_TITLE);
  str += " - ";
  str += m_strFile;
  SetWindowText(str);
}

void CUploadDlg::EnterReadyState() {
  CString str;
  str.LoadString(IDS_TITLE);
  SetWindowText(str);
  m_bBusy = 0;
  m_bAbort = 0;
  m_bFailed = 0;
  SetStatus(IDS_STATUS_READY, 0);
  GetDlgItem(IDC_EXECUTE)->EnableWindow(TRUE);
  str.LoadString(IDS_CLOSE);
  SetDlgItemText(IDCANCEL, str);
  GetDlgItem(IDC_BROWSE)->EnableWindow(TRUE);
  GetDlgItem(IDC_PORT)->EnableWindow(TRUE);
  GetDlgItem(IDC_FILE)->EnableWindow(TRUE);
  GetDlgItem(IDC_ADDRESS)->EnableWindow(TRUE);
  // Back to Execute: Enter on the button that now reads "Close" would end the program.
  GotoDlgCtrl(GetDlgItem(IDC_EXECUTE));
}
