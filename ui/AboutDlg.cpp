// AboutDlg.cpp - the About box, and the main window's system-menu command that opens it.
#include "ui/AboutDlg.h"

#include "ui/UploadDlg.h"

static const int kIconSize = 32;

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
ON_WM_PAINT()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The grey frame only marks where the icon goes.
  CWnd* pFrame = GetDlgItem(IDC_ABOUT_ICON);
  pFrame->GetWindowRect(&m_rcIcon);
  pFrame->DestroyWindow();
  ScreenToClient(&m_rcIcon);
  return TRUE;
}

void CAboutDlg::OnPaint() {
  CPaintDC dc(this);
  CWnd* pMain = AfxGetMainWnd();
  HICON hIcon = pMain ? reinterpret_cast<HICON>(pMain->SendMessage(WM_GETICON, ICON_BIG, 0)) : 0;
  if (!hIcon) return;

  // The icon on the button face in a 32 x 32 bitmap, then stretched to the frame, hard-edged.
  CDC dcMem;
  CBitmap bitmap;
  dcMem.CreateCompatibleDC(&dc);
  bitmap.CreateCompatibleBitmap(&dc, kIconSize, kIconSize);
  HGDIOBJ hOld = dcMem.SelectObject(&bitmap);
  CBrush brush(api::GetSysColor(COLOR_BTNFACE));
  RECT rc = {0, 0, kIconSize, kIconSize};
  dcMem.FillRect(&rc, &brush);
  dcMem.DrawIcon(0, 0, hIcon);
  dc.StretchBlt(m_rcIcon.left, m_rcIcon.top, m_rcIcon.Width(), m_rcIcon.Height(), &dcMem, 0, 0, kIconSize, kIconSize,
                SRCCOPY);
  dcMem.SelectObject(hOld);
  // The brush, the bitmap and the memory context are deleted as they go out of scope.
}

void CUploadDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CWnd::OnSysCommand(nID, lParam);
  }
}
