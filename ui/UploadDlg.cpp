// UploadDlg.cpp - the main dialog: construction, initialisation, Browse, dropped files and the cancel
// command.
#include "ui/UploadDlg.h"

BEGIN_MESSAGE_MAP(CUploadDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
ON_BN_CLICKED(IDC_EXECUTE, OnExecute)
ON_WM_DROPFILES()
END_MESSAGE_MAP()

CUploadDlg::CUploadDlg(CWnd* pParent)
    : CDialog(IDD_VARNOK_DIALOG, pParent),
      m_nPort(1),
      m_nRecentFiles(0),
      m_dwStartAddress(0),
      m_nRecentAddresses(0),
      m_bBusy(0),
      m_bAbort(0),
      m_nPhase(kPhaseInit),
      m_dwSent(0),
      m_dwLength(0),
      m_bFailed(0) {}

BOOL CUploadDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  HICON hIcon = api::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  SetIcon(hIcon, TRUE);
  SetIcon(hIcon, FALSE);

  // The About entry at the end of the system menu.
  CMenu* pSysMenu = GetSystemMenu(FALSE);
  if (pSysMenu) {
    CString strAbout;
    strAbout.LoadString(IDS_ABOUTBOX);
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAbout);
  }

  m_strFile.Empty();
  m_bBusy = 0;
  m_bAbort = 0;
  LoadSettings();
  SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(m_nPort));
  FillRecentLists();
  if (!m_strInitialFile.IsEmpty()) SetDlgItemText(IDC_FILE, m_strInitialFile);
  DragAcceptFiles();
  SendDlgItemMessage(IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  EnterReadyState();
  return TRUE;
}

void CUploadDlg::OnBrowse() {
  CString strFilter;
  strFilter.LoadString(IDS_FILTER);
  CFileDialog dlg(TRUE, 0, 0, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, strFilter);
  if (dlg.DoModal() == IDOK) SetDlgItemText(IDC_FILE, dlg.GetPathName());
}

void CUploadDlg::OnDropFiles(HDROP hDropInfo) {
  // While Busy the File box belongs to the running transfer. Of several files, the first.
  UINT n = m_bBusy ? 0 : api::DragQueryFileA(hDropInfo, 0, 0, 0);
  CString strPath;
  LPSTR pszPath = n ? strPath.GetBuffer(static_cast<int>(n)) : 0;
  if (pszPath) {
    strPath.ReleaseBuffer(static_cast<int>(api::DragQueryFileA(hDropInfo, 0, pszPath, n + 1)));
    SetDlgItemText(IDC_FILE, strPath);
  }
  api::DragFinish(hDropInfo);
}

void CUploadDlg::OnCancel() {
  if (m_bBusy) {
    // Stop: the running transfer notices at its next look at the flag.
    m_bAbort = 1;
    return;
  }
  SaveSettings();
  EndDialog(IDCANCEL);
}
