// UploaderApp.cpp - start-up: the one application object and its InitInstance.
#include "app/UploaderApp.h"

#include "portio/PortIo.h"
#include "ui/UploadDlg.h"

BEGIN_MESSAGE_MAP(CUploaderApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CUploaderApp::CUploaderApp() {}

// The one application object, constructed before the entry point runs.
CUploaderApp theApp;

BOOL CUploaderApp::InitInstance() {
  AfxEnableControlContainer();
  Enable3dControls();
  g_pPortIo = OpenPortIo();

  CUploadDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = 0;
  // The dialog has ended: returning FALSE ends the application.
  return FALSE;
}
