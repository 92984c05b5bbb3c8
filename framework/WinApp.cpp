// WinApp.cpp - the application object, its profile and message pump; the open-file dialog.
#include "afxwin.h"

static CWinApp* s_pApp = 0;

CWinApp* AfxGetApp() { return s_pApp; }

CWnd* AfxGetMainWnd() { return s_pApp ? s_pApp->m_pMainWnd : 0; }

HWND AfxGetSafeOwner(CWnd* pParent) {
  if (pParent) return pParent->m_hWnd;
  CWnd* pMain = AfxGetMainWnd();
  HWND hWnd = pMain ? pMain->m_hWnd : 0;
  for (HWND hUp; hWnd && (hUp = api::GetParent(hWnd)) != 0;) hWnd = hUp;
  return hWnd;
}

HINSTANCE AfxGetInstanceHandle() { return s_pApp ? s_pApp->m_hInstance : 0; }

// Owned by the main window, captioned with the application's name.
static int ShowMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
  CWnd* pMain = AfxGetMainWnd();
  MSGBOXPARAMSA params = {};
  params.cbSize = sizeof(params);
  params.hwndOwner = pMain ? pMain->m_hWnd : 0;
  params.lpszText = lpszText;
  params.lpszCaption = s_pApp ? s_pApp->m_pszAppName : "";
  params.dwStyle = nType;
  params.dwContextHelpId = nIDHelp;
  return api::MessageBoxIndirectA(&params);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType) { return ShowMessageBox(lpszText, nType, 0); }

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString str;
  str.LoadString(nIDPrompt);
  return ShowMessageBox(str, nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}

void AfxEnableControlContainer() {}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_hInstance(0),
      m_lpCmdLine(const_cast<LPSTR>("")),
      m_pMainWnd(0),
      m_pszAppName(lpszAppName),
      m_pszProfileName(0) {
  m_szAppName[0] = 0;
  m_szProfileName[0] = 0;
  s_pApp = this;
}

CWinApp::~CWinApp() {
  if (s_pApp == this) s_pApp = 0;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::SetNamesFromModule(LPCSTR pszName) {
  if (!m_hInstance) m_hInstance = api::GetModuleHandleA(0);
  char szPath[MAX_PATH];
  DWORD n = pszName ? 0 : api::GetModuleFileNameA(m_hInstance, szPath, sizeof(szPath));
  if (pszName) {
    n = static_cast<DWORD>(AfxStrLen(pszName));
    if (n >= sizeof(szPath)) n = sizeof(szPath) - 1;
    AfxMemCopy(szPath, pszName, n);
  }
  if (n >= sizeof(szPath)) n = sizeof(szPath) - 1;
  szPath[n] = 0;
  // Base name: after the last separator, up to the last dot.
  int nStart = 0, nDot = -1;
  for (int i = 0; szPath[i]; ++i) {
    if (szPath[i] == '\\' || szPath[i] == '/' || szPath[i] == ':') nStart = i + 1, nDot = -1;
    if (szPath[i] == '.') nDot = i;
  }
  int nEnd = nDot > nStart ? nDot : static_cast<int>(n);
  int nLen = nEnd - nStart;
  if (nLen > MAX_PATH - 16) nLen = MAX_PATH - 16;
  AfxMemCopy(m_szAppName, szPath + nStart, nLen);
  m_szAppName[nLen] = 0;
  m_pszAppName = m_szAppName;

  // The profile: <Windows directory>\<name>.INI, as the class library keeps it when no
  // registry key is set.
  UINT nDir = api::GetWindowsDirectoryA(m_szProfileName, MAX_PATH - 16);
  if (nDir == 0 || nDir >= MAX_PATH - 16 - static_cast<UINT>(nLen)) nDir = 0;
  m_szProfileName[nDir] = 0;
  // The folder's own kind of separator: a host folder is a POSIX path.
  char chSeparator = m_szProfileName[0] == '/' ? '/' : '\\';
  if (nDir && m_szProfileName[nDir - 1] != chSeparator) m_szProfileName[nDir++] = chSeparator;
  AfxMemCopy(m_szProfileName + nDir, m_szAppName, nLen);
  AfxMemCopy(m_szProfileName + nDir + nLen, ".INI", 5);
  m_pszProfileName = m_szProfileName;
}

BOOL CWinApp::PumpMessage() {
  MSG msg;
  if (!api::GetMessageA(&msg, 0, 0, 0)) return FALSE;
  // The dialog's own keyboard handling first, exactly as its modal loop does.
  if (m_pMainWnd && m_pMainWnd->m_hWnd && api::IsDialogMessageA(m_pMainWnd->m_hWnd, &msg)) return TRUE;
  api::TranslateMessage(&msg);
  api::DispatchMessageA(&msg);
  return TRUE;
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) {
  return api::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault) {
  if (!lpszDefault) lpszDefault = "";
  // Grow until the value fits: values are kept whole however long they are.
  for (DWORD nSize = 256;; nSize *= 2) {
    CString str;
    LPSTR p = str.GetBuffer(static_cast<int>(nSize));
    if (!p) return CString();
    DWORD n = api::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault, p, nSize, m_pszProfileName);
    if (n < nSize - 1 || nSize >= 0x100000) {
      str.ReleaseBuffer(static_cast<int>(n));
      return str;
    }
  }
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) {
  char sz[16];
  api::wsprintfA(sz, "%d", nValue);
  return WriteProfileString(lpszSection, lpszEntry, sz);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) {
  BOOL bWritten = api::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
  if (!bWritten && m_pfnProfileError) m_pfnProfileError(m_pszProfileName, m_pProfileErrorContext);
  return bWritten;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int) {
  CWinApp* pApp = AfxGetApp();
  if (!pApp) return -1;
  pApp->m_hInstance = hInstance;
  if (lpCmdLine) pApp->m_lpCmdLine = lpCmdLine;
  pApp->SetNamesFromModule();
  api::InitCommonControls();
  // The program runs entirely inside InitInstance (its modal dialog); a FALSE result ends it.
  if (!pApp->InitInstance()) return 0;
  MSG msg;
  while (api::GetMessageA(&msg, 0, 0, 0)) {
    api::TranslateMessage(&msg);
    api::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// ---- CFileDialog ----

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags, LPCSTR lpszFilter,
                         CWnd* pParentWnd)
    : CDialog(0, pParentWnd) {
  (void)bOpenFileDialog;  // only the open mode is used
  char* p = reinterpret_cast<char*>(&m_ofn);
  for (size_t i = 0; i < sizeof(m_ofn); ++i) p[i] = 0;
  // Windows 95 accepts only the structure's original size.
  m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  m_ofn.lpstrDefExt = lpszDefExt;
  m_ofn.Flags = dwFlags;
  m_szFile[0] = 0;
  int nName = AfxStrLen(lpszFileName);
  if (nName > 0 && nName < MAX_PATH) AfxMemCopy(m_szFile, lpszFileName, nName + 1);
  m_ofn.lpstrFile = m_szFile;
  m_ofn.nMaxFile = MAX_PATH;
  // "Desc|*.x|All|*.*||" becomes the double-NUL-terminated list the system wants.
  m_szFilter[0] = m_szFilter[1] = 0;
  int nFilter = AfxStrLen(lpszFilter);
  if (nFilter > 0 && nFilter < static_cast<int>(sizeof(m_szFilter)) - 1) {
    for (int i = 0; i <= nFilter; ++i) m_szFilter[i] = lpszFilter[i] == '|' ? 0 : lpszFilter[i];
    m_szFilter[nFilter + 1] = 0;
    m_ofn.lpstrFilter = m_szFilter;
  }
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = AfxGetSafeOwner(m_pParentWnd);
  m_ofn.hInstance = AfxGetInstanceHandle();
  return api::GetOpenFileNameA(&m_ofn) ? IDOK : IDCANCEL;
}
