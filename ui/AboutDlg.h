// AboutDlg.h - the About box: the program, its version, the hardware, and its icon enlarged.
#ifndef VARNOK_UI_ABOUTDLG_H
#define VARNOK_UI_ABOUTDLG_H

#include "framework/afxwin.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
  BOOL OnInitDialog() override;
  void OnPaint();

  // Where the icon is painted, in the box's client coordinates: the frame control 1013 had.
  CRect m_rcIcon;

 protected:
  DECLARE_MESSAGE_MAP()
};

#endif  // VARNOK_UI_ABOUTDLG_H
