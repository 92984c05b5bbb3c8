// Wnd.cpp - message maps, CWnd, CMenu and CDialog.
#include "afxwin.h"

const AFX_MSGMAP_ENTRY* AfxFindEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode, UINT nID) {
  for (; pMap; pMap = pMap->pBaseMap) {
    for (const AFX_MSGMAP_ENTRY* p = pMap->lpEntries; p && p->nSig != AfxSig_end; ++p) {
      if (p->nMessage == nMessage && p->nCode == nCode && p->nID == nID) return p;
    }
  }
  return 0;
}

static const AFX_MSGMAP_ENTRY s_noEntries[] = {{0, 0, 0, AfxSig_end, 0, 0, 0}};
const AFX_MSGMAP CCmdTarget::messageMap = {0, &s_noEntries[0]};

BOOL CCmdTarget::OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  const AFX_MSGMAP_ENTRY* p;
  if (nMessage == WM_COMMAND)
    p = AfxFindEntry(GetMessageMap(), WM_COMMAND, HIWORD(wParam), LOWORD(wParam));
  else
    p = AfxFindEntry(GetMessageMap(), nMessage, 0, 0);
  if (!p) return FALSE;
  switch (p->nSig) {
    case AfxSig_vv:
      (this->*p->pfn)();
      break;
    case AfxSig_vwl:
      (this->*p->pfnWL)(static_cast<UINT>(wParam), lParam);
      break;
    case AfxSig_vD:
      (this->*p->pfnDrop)(reinterpret_cast<HDROP>(wParam));
      break;
  }
  return TRUE;
}

// ---- CMenu ----

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
  return api::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

// ---- CWnd ----

static CWnd s_wndTemp;

CWnd* CWnd::GetDlgItem(int nID) const {
  s_wndTemp.m_hWnd = api::GetDlgItem(m_hWnd, nID);
  return &s_wndTemp;
}

void CWnd::SetWindowText(LPCSTR lpszString) { api::SetWindowTextA(m_hWnd, lpszString); }

void CWnd::GetWindowText(CString& rString) const {
  int n = api::GetWindowTextLengthA(m_hWnd);
  LPSTR p = rString.GetBuffer(n);
  if (!p) return;
  int nGot = api::GetWindowTextA(m_hWnd, p, n + 1);
  rString.ReleaseBuffer(nGot > 0 ? nGot : 0);
}

BOOL CWnd::EnableWindow(BOOL bEnable) { return api::EnableWindow(m_hWnd, bEnable); }

BOOL CWnd::IsWindowEnabled() const { return api::IsWindowEnabled(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return api::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return api::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SetDlgItemText(int nID, LPCSTR lpszString) { api::SetWindowTextA(api::GetDlgItem(m_hWnd, nID), lpszString); }

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  GetDlgItem(nID)->GetWindowText(rString);
  return rString.GetLength();
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) {
  return api::SendMessageA(api::GetDlgItem(m_hWnd, nID), message, wParam, lParam);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  m_menuSystem.m_hMenu = api::GetSystemMenu(m_hWnd, bRevert);
  return m_menuSystem.m_hMenu ? &m_menuSystem : 0;
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  if (!lpszCaption) lpszCaption = AfxGetApp() ? AfxGetApp()->m_pszAppName : "";
  return api::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }

// ---- CDialog ----

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
  HWND hParent = AfxGetSafeOwner(m_pParentWnd);
  INT_PTR nResult = api::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hParent,
                                         &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = 0;
  return nResult;
}

BOOL CDialog::Create(CWnd* pParentWnd) {
  if (pParentWnd) m_pParentWnd = pParentWnd;
  HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : 0;
  return api::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hParent, &CDialog::DialogProc,
                                 reinterpret_cast<LPARAM>(this)) != 0;
}

void CDialog::EndDialog(int nResult) { api::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnInitDialog() {
  // The template's initialisation data: items for the combo boxes, before the program's own code runs.
  for (const AFX_DLGINIT_ITEM* p = g_afxDlgInit; p->pszText; ++p) {
    if (p->nIDTemplate == m_nIDTemplate)
      SendDlgItemMessage(p->nIDControl, p->nMessage, 0, reinterpret_cast<LPARAM>(p->pszText));
  }
  return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

// The one dialog procedure: `this` arrives with WM_INITDIALOG and is kept in a small table of
// live dialogs (there are never more than two: the main dialog and the About box).
namespace {
struct DialogSlot {
  HWND hWnd;
  CDialog* pDlg;
};
DialogSlot s_dialogs[8];

CDialog* FindDialog(HWND hWnd) {
  for (DialogSlot& s : s_dialogs)
    if (s.hWnd == hWnd) return s.pDlg;
  return 0;
}

void ForgetDialog(HWND hWnd) {
  for (DialogSlot& s : s_dialogs)
    if (s.hWnd == hWnd) s.hWnd = 0, s.pDlg = 0;
}
}  // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    for (DialogSlot& s : s_dialogs) {
      if (!s.hWnd) {
        s.hWnd = hWnd;
        s.pDlg = pDlg;
        break;
      }
    }
    pDlg->m_hWnd = hWnd;
    return pDlg->OnInitDialog();
  }
  CDialog* pDlg = FindDialog(hWnd);
  if (!pDlg) return FALSE;
  if (message == WM_DESTROY) {
    ForgetDialog(hWnd);
    return FALSE;
  }
  // Handlers can run nested (a transfer pumps messages): each message keeps its own answer.
  BOOL bOuterDefault = pDlg->m_bPassToDefault;
  pDlg->m_bPassToDefault = FALSE;
  BOOL bHandled = pDlg->OnWndMsg(message, wParam, lParam);
  // Commands the dialog does not handle go on to the application object (the Help command).
  if (!bHandled && message == WM_COMMAND && AfxGetApp()) bHandled = AfxGetApp()->OnWndMsg(message, wParam, lParam);
  BOOL bDefault = pDlg->m_bPassToDefault;
  pDlg->m_bPassToDefault = bOuterDefault;
  return bHandled && !bDefault;
}
