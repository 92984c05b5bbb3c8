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

  // Its full path: a name relative to the folder the program was started in means that folder.
  DWORD nFull = api::GetFullPathNameA(strArgument, 0, 0, 0);
  CString strFull;
  LPSTR pszFull = nFull ? strFull.GetBuffer(static_cast<int>(nFull)) : 0;
  if (!pszFull) return strArgument;
  DWORD nGot = api::GetFullPathNameA(strArgument, nFull + 1, pszFull, 0);
  if (nGot == 0 || nGot > nFull) return strArgument;
  strFull.ReleaseBuffer(static_cast<int>(nGot));
  return strFull;
}
