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
  dlg.m_strInitialFile = GetFileArgument();
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = 0;
  // The dialog has ended: returning FALSE ends the application.
  return FALSE;
}

CString CUploaderApp::GetFileArgument() const {
  // The first argument; quotes hold a name with blanks together.
  LPCSTR p = m_lpCmdLine;
  while (*p == ' ' || *p == '\t') ++p;
  char chEnd = ' ';
  if (*p == '"') chEnd = *p++;
  int n = 0;
  while (p[n] && p[n] != chEnd && (chEnd == '"' || p[n] != '\t')) ++n;
  CString strArgument;
  LPSTR pszArgument = strArgument.GetBuffer(n);
  if (!pszArgument || n == 0) return CString();
  AfxMemCopy(pszArgument, p, n);
  strArgument.ReleaseBuffer(n);
  // A name relative to the folder the program was started in means that folder.
  return AfxFullPath(strArgument);
}
