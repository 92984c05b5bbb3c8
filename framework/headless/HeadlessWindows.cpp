// HeadlessWindows.cpp - dialogs, controls and the message queue, in memory.
//
// Follows the Win32 behaviour the program relies on: combo boxes that never sort,
// CB_RESETCONTENT that also empties the text, CB_FINDSTRINGEXACT that compares whole strings
// ignoring case from after the given index round to the top, CB_SETCURSEL that selects
// nothing when out of range; disabled controls that take no input; the dialog manager's
// keys (Esc is the cancel command, Enter the default button, Tab and the arrows move the
// focus); the close box reaching the cancel command; the quit message after all others; a modal
// dialog's owner disabled while it is open, and no input reaching a disabled window; files
// dropped only on a window that accepts them.
#include "framework/headless/Headless.h"

namespace {

enum Kind { kDialog, kButton, kStatic, kCombo, kComboList, kProgress, kOther };

struct MenuItem {
  UINT uFlags;
  UINT_PTR uID;
  CString* pText;
};

struct Window {
  Window* pParent;
  Kind kind;
  int nID;
  DWORD dwStyle;
  CString strText;
  BOOL bEnabled;
  // Combo boxes
  CSimpleArray<CString*> items;
  int nCurSel;
  // Progress bars
  int nLow, nHigh, nPos;
  // Dialogs
  DLGPROC pfnProc;
  CSimpleArray<Window*> children;
  Window* pFocus;
  BOOL bEnded;
  INT_PTR nResult;
  HICON hIcon[2];
  CSimpleArray<MenuItem> menu;
  UINT nTemplate;
  BOOL bAcceptFiles;
};

HWND ToHandle(Window* p) { return reinterpret_cast<HWND>(p); }

// Live windows, so that a stale or foreign handle is refused instead of followed.
CSimpleArray<Window*> s_windows;

Window* FromHandle(HWND h) {
  Window* p = reinterpret_cast<Window*>(h);
  if (!p) return 0;
  for (int i = 0; i < s_windows.GetSize(); ++i)
    if (s_windows[i] == p) return p;
  return 0;
}

Window* NewWindow(Window* pParent, Kind kind, int nID, DWORD dwStyle, LPCSTR pszText) {
  Window* p = new Window();
  if (!p) return 0;
  p->pParent = pParent;
  p->kind = kind;
  p->nID = nID;
  p->dwStyle = dwStyle;
  p->strText = pszText;
  p->bEnabled = !(dwStyle & WS_DISABLED);
  p->nCurSel = -1;
  p->nLow = 0;
  p->nHigh = 100;
  p->nPos = 0;
  p->pfnProc = 0;
  p->pFocus = 0;
  p->bEnded = FALSE;
  p->nResult = 0;
  p->hIcon[0] = p->hIcon[1] = 0;
  p->nTemplate = 0;
  p->bAcceptFiles = FALSE;
  s_windows.Add(p);
  return p;
}

void FreeWindow(Window* p) {
  for (int i = 0; i < p->children.GetSize(); ++i) FreeWindow(p->children[i]);
  for (int i = 0; i < p->items.GetSize(); ++i) delete p->items[i];
  for (int i = 0; i < p->menu.GetSize(); ++i) delete p->menu[i].pText;
  for (int i = 0; i < s_windows.GetSize(); ++i)
    if (s_windows[i] == p) {
      s_windows.RemoveAt(i);
      break;
    }
  delete p;
}

Kind KindOf(LPCSTR pszClass, DWORD dwStyle) {
  if (!AfxStrCmpNoCase(pszClass, "Button")) return kButton;
  if (!AfxStrCmpNoCase(pszClass, "Static")) return kStatic;
  if (!AfxStrCmpNoCase(pszClass, "msctls_progress32")) return kProgress;
  if (!AfxStrCmpNoCase(pszClass, "ComboBox")) return (dwStyle & 3) == CBS_DROPDOWNLIST ? kComboList : kCombo;
  return kOther;
}

// ---- the queue ----
CSimpleArray<MSG> s_queue;
BOOL s_bQuit = FALSE;
int s_nQuitCode = 0;

// Each hook a list: whoever adds one is called until it removes it, whoever else adds theirs.
template <typename FN>
struct Hooks {
  static const int kMax = 8;
  FN pfn[kMax];
  void* pContext[kMax];
  int n;
  void Add(FN f, void* p) {
    if (n < kMax) {
      pfn[n] = f;
      pContext[n++] = p;
    }
  }
  void Remove(FN f, void* p) {
    for (int i = 0; i < n; ++i)
      if (pfn[i] == f && pContext[i] == p) {
        for (--n; i < n; ++i) {
          pfn[i] = pfn[i + 1];
          pContext[i] = pContext[i + 1];
        }
        return;
      }
  }
};
Hooks<HEADLESS_OBSERVER> s_observers;
Hooks<HEADLESS_MSGBOX_HOOK> s_boxHooks;
Hooks<HEADLESS_IDLE_HOOK> s_idleHooks;

const int kMessageBoxesKept = 64;
HEADLESS_MESSAGEBOX s_boxes[kMessageBoxesKept];
int s_nBoxes = 0;

Window* Dialog(Window* p) {
  while (p && p->kind != kDialog) p = p->pParent;
  return p;
}

Window* Child(Window* pDlg, int nID) {
  if (!pDlg) return 0;
  for (int i = 0; i < pDlg->children.GetSize(); ++i)
    if (pDlg->children[i]->nID == nID) return pDlg->children[i];
  return 0;
}

// ---- controls ----

LRESULT ComboMessage(Window* p, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  int nCount = p->items.GetSize();
  LPCSTR psz = reinterpret_cast<LPCSTR>(lParam);
  int nIndex = static_cast<int>(wParam);
  switch (uMsg) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      if (uMsg == CB_ADDSTRING || nIndex == -1) nIndex = nCount;
      if (nIndex < 0 || nIndex > nCount) return CB_ERR;
      CString* pItem = new CString(psz);
      if (!pItem || !p->items.InsertAt(nIndex, pItem)) {
        delete pItem;
        return CB_ERR;
      }
      if (p->nCurSel >= nIndex) ++p->nCurSel;
      return nIndex;
    }
    case CB_DELETESTRING:
      if (nIndex < 0 || nIndex >= nCount) return CB_ERR;
      delete p->items[nIndex];
      p->items.RemoveAt(nIndex);
      if (p->nCurSel == nIndex)
        p->nCurSel = -1;
      else if (p->nCurSel > nIndex)
        --p->nCurSel;
      return nCount - 1;
    case CB_RESETCONTENT:
      for (int i = 0; i < nCount; ++i) delete p->items[i];
      p->items.RemoveAll();
      p->nCurSel = -1;
      p->strText.Empty();
      return 0;
    case CB_FINDSTRINGEXACT: {
      if (nCount == 0) return CB_ERR;
      int nStart = (nIndex < 0 || nIndex >= nCount) ? -1 : nIndex;
      for (int k = 1; k <= nCount; ++k) {
        int i = (nStart + k) % nCount;
        if (!AfxStrCmpNoCase(*p->items[i], psz ? psz : "")) return i;
      }
      return CB_ERR;
    }
    case CB_GETCURSEL:
      return p->nCurSel;
    case CB_SETCURSEL:
      if (nIndex < 0 || nIndex >= nCount) {
        p->nCurSel = -1;
        if (p->kind == kComboList) p->strText.Empty();
        return CB_ERR;
      }
      p->nCurSel = nIndex;
      p->strText = *p->items[nIndex];
      return nIndex;
    case CB_GETCOUNT:
      return nCount;
    case CB_GETLBTEXTLEN:
      return (nIndex < 0 || nIndex >= nCount) ? CB_ERR : p->items[nIndex]->GetLength();
    case CB_GETLBTEXT:
      if (nIndex < 0 || nIndex >= nCount) return CB_ERR;
      AfxMemCopy(reinterpret_cast<LPSTR>(lParam), static_cast<LPCSTR>(*p->items[nIndex]),
                 p->items[nIndex]->GetLength() + 1);
      return p->items[nIndex]->GetLength();
  }
  return 0;
}

LRESULT ProgressMessage(Window* p, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case PBM_SETRANGE: {
      LRESULT old = MAKELPARAM(p->nLow, p->nHigh);
      p->nLow = LOWORD(lParam);
      p->nHigh = HIWORD(lParam);
      return old;
    }
    case PBM_SETPOS: {
      int old = p->nPos;
      int n = static_cast<int>(wParam);
      p->nPos = n < p->nLow ? p->nLow : (n > p->nHigh ? p->nHigh : n);
      return old;
    }
    case PBM_GETPOS:
      return p->nPos;
  }
  return 0;
}

LRESULT TextMessage(Window* p, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_SETTEXT:
      p->strText = reinterpret_cast<LPCSTR>(lParam);
      return TRUE;
    case WM_GETTEXTLENGTH:
      return p->strText.GetLength();
    case WM_GETTEXT: {
      int nMax = static_cast<int>(wParam);
      if (nMax <= 0) return 0;
      int n = p->strText.GetLength() < nMax - 1 ? p->strText.GetLength() : nMax - 1;
      LPSTR out = reinterpret_cast<LPSTR>(lParam);
      AfxMemCopy(out, static_cast<LPCSTR>(p->strText), n);
      out[n] = 0;
      return n;
    }
  }
  return 0;
}

void SendToDialog(Window* pDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// What the system does with a message the dialog procedure did not handle.
void DefaultDialogMessage(Window* pDlg, UINT uMsg, WPARAM wParam, LPARAM) {
  if (uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    SendToDialog(pDlg, WM_CLOSE, 0, 0);
  } else if (uMsg == WM_CLOSE) {
    Window* pCancel = Child(pDlg, IDCANCEL);
    if (!pCancel || pCancel->bEnabled)
      SendToDialog(pDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(pCancel));
  }
}

void SendToDialog(Window* pDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (!pDlg->pfnProc || !pDlg->pfnProc(ToHandle(pDlg), uMsg, wParam, lParam))
    DefaultDialogMessage(pDlg, uMsg, wParam, lParam);
}

BOOL TakesFocus(Window* p) { return p->bEnabled && (p->dwStyle & WS_TABSTOP); }

void MoveFocus(Window* pDlg, int nStep) {
  int n = pDlg->children.GetSize();
  if (!n) return;
  int nAt = -1;
  for (int i = 0; i < n; ++i)
    if (pDlg->children[i] == pDlg->pFocus) nAt = i;
  for (int k = 1; k <= n; ++k) {
    int i = ((nAt + nStep * k) % n + n) % n;
    if (TakesFocus(pDlg->children[i])) {
      pDlg->pFocus = pDlg->children[i];
      return;
    }
  }
}

Window* DefaultButton(Window* pDlg) {
  for (int i = 0; i < pDlg->children.GetSize(); ++i) {
    Window* p = pDlg->children[i];
    if (p->kind == kButton && (p->dwStyle & 0xF) == BS_DEFPUSHBUTTON) return p;
  }
  return Child(pDlg, IDOK);
}

Window* CreateFromTemplate(LPCSTR lpTemplate, Window* pParent, DLGPROC pfnProc) {
  UINT nID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpTemplate));
  const HEADLESS_DLGTEMPLATE* t = g_headlessTemplates;
  while (t->nID && t->nID != nID) ++t;
  if (!t->nID) return 0;
  Window* pDlg = NewWindow(pParent, kDialog, 0, t->dwStyle, t->pszCaption);
  if (!pDlg) return 0;
  pDlg->pfnProc = pfnProc;
  pDlg->nTemplate = nID;
  for (const HEADLESS_CONTROL* c = t->pControls; c->pszClass; ++c) {
    Window* p = NewWindow(pDlg, KindOf(c->pszClass, c->dwStyle), c->nID, c->dwStyle, c->pszText);
    if (p) pDlg->children.Add(p);
  }
  return pDlg;
}

// WM_INITDIALOG; the focus goes to the first control that takes it when the procedure says so.
void InitDialog(Window* pDlg, LPARAM lParam) {
  if (pDlg->pfnProc(ToHandle(pDlg), WM_INITDIALOG, 0, lParam)) {
    pDlg->pFocus = 0;
    MoveFocus(pDlg, 1);
  }
}

void DestroyDialog(Window* pDlg) {
  if (pDlg->pfnProc) pDlg->pfnProc(ToHandle(pDlg), WM_DESTROY, 0, 0);
  FreeWindow(pDlg);
}

// A modal box's owner takes no input while the box is open: disabled first, enabled again after.
BOOL DisableOwner(Window* pOwner) {
  if (!pOwner || !pOwner->bEnabled) return FALSE;
  pOwner->bEnabled = FALSE;
  return TRUE;
}

// The files of one drop, until DragFinish.
struct Drop {
  CSimpleArray<CString*> names;
};
CSimpleArray<Drop*> s_drops;

Drop* FromDrop(HDROP h) {
  for (int i = 0; i < s_drops.GetSize(); ++i)
    if (s_drops[i] == reinterpret_cast<Drop*>(h)) return s_drops[i];
  return 0;
}

BOOL TakeMessage(MSG* pMsg, BOOL bRemove) {
  for (int i = 0; i < s_idleHooks.n && s_queue.GetSize() == 0 && !s_bQuit && bRemove; ++i)
    s_idleHooks.pfn[i](s_idleHooks.pContext[i]);
  if (s_queue.GetSize() > 0) {
    *pMsg = s_queue[0];
    if (bRemove) s_queue.RemoveAt(0);
    return TRUE;
  }
  if (s_bQuit) {
    MSG m = {};
    m.message = WM_QUIT;
    m.wParam = static_cast<WPARAM>(s_nQuitCode);
    *pMsg = m;
    if (bRemove) s_bQuit = FALSE;
    return TRUE;
  }
  return FALSE;
}

}  // namespace

// ---- the window half of the platform seam ----
namespace api {

HWND CreateDialogParamA(HINSTANCE, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  Window* pDlg = CreateFromTemplate(lpTemplate, FromHandle(hParent), pfnProc);
  if (!pDlg) return 0;
  InitDialog(pDlg, lParam);
  return ToHandle(pDlg);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  Window* pOwner = FromHandle(hParent);
  Window* pDlg = CreateFromTemplate(lpTemplate, pOwner, pfnProc);
  if (!pDlg) return -1;
  BOOL bOwnerDisabled = DisableOwner(pOwner);
  InitDialog(pDlg, lParam);
  HWND hDlg = ToHandle(pDlg);
  while (!pDlg->bEnded) {
    MSG msg;
    if (!api::GetMessageA(&msg, 0, 0, 0)) {
      // The quit message ends the modal loop; it stays posted for the loops outside.
      if (msg.message == WM_QUIT) api::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!api::IsDialogMessageA(hDlg, &msg)) {
      api::TranslateMessage(&msg);
      api::DispatchMessageA(&msg);
    }
  }
  INT_PTR nResult = pDlg->bEnded ? pDlg->nResult : IDCANCEL;
  if (bOwnerDisabled && FromHandle(hParent)) pOwner->bEnabled = TRUE;
  DestroyDialog(pDlg);
  return nResult;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  Window* p = FromHandle(hDlg);
  if (!p || p->kind != kDialog) return FALSE;
  p->bEnded = TRUE;
  p->nResult = nResult;
  return TRUE;
}

BOOL DestroyWindow(HWND hWnd) {
  Window* p = FromHandle(hWnd);
  if (!p) return FALSE;
  if (p->kind == kDialog) {
    DestroyDialog(p);
    return TRUE;
  }
  Window* pDlg = p->pParent;
  if (pDlg) {
    if (pDlg->pFocus == p) pDlg->pFocus = 0;
    for (int i = 0; i < pDlg->children.GetSize(); ++i)
      if (pDlg->children[i] == p) {
        pDlg->children.RemoveAt(i);
        break;
      }
  }
  FreeWindow(p);
  return TRUE;
}

HWND GetDlgItem(HWND hDlg, int nID) { return ToHandle(Child(FromHandle(hDlg), nID)); }

int GetDlgCtrlID(HWND hWnd) {
  Window* p = FromHandle(hWnd);
  return p ? p->nID : 0;
}

LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  Window* p = FromHandle(hWnd);
  if (!p) return 0;
  for (int i = 0; i < s_observers.n; ++i) s_observers.pfn[i](hWnd, uMsg, wParam, lParam, s_observers.pContext[i]);
  if (uMsg == WM_SETTEXT || uMsg == WM_GETTEXT || uMsg == WM_GETTEXTLENGTH) {
    if (p->kind == kComboList && uMsg == WM_SETTEXT) return CB_ERR;  // a list box has no edit field
    return TextMessage(p, uMsg, wParam, lParam);
  }
  switch (p->kind) {
    case kCombo:
    case kComboList:
      return ComboMessage(p, uMsg, wParam, lParam);
    case kProgress:
      return ProgressMessage(p, uMsg, wParam, lParam);
    case kDialog:
      if (uMsg == WM_SETICON) {
        int n = wParam == ICON_BIG ? 1 : 0;
        HICON hOld = p->hIcon[n];
        p->hIcon[n] = reinterpret_cast<HICON>(lParam);
        return reinterpret_cast<LRESULT>(hOld);
      }
      if (uMsg == WM_GETICON) return reinterpret_cast<LRESULT>(p->hIcon[wParam == ICON_BIG ? 1 : 0]);
      if (uMsg == WM_NEXTDLGCTL && lParam) {
        Window* pCtl = FromHandle(reinterpret_cast<HWND>(wParam));
        if (pCtl && pCtl->pParent == p && TakesFocus(pCtl)) p->pFocus = pCtl;
        return 0;
      }
      if (uMsg == DM_GETDEFID) {
        Window* pDef = DefaultButton(p);
        return pDef ? MAKELPARAM(pDef->nID, DC_HASDEFID) : 0;
      }
      SendToDialog(p, uMsg, wParam, lParam);
      return 0;
    default:
      return 0;
  }
}

BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !FromHandle(hWnd)) return FALSE;
  MSG m = {};
  m.hwnd = hWnd;
  m.message = uMsg;
  m.wParam = wParam;
  m.lParam = lParam;
  return s_queue.Add(m);
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpText) {
  return api::SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpText)) == TRUE;
}

int GetWindowTextA(HWND hWnd, LPSTR lpBuffer, int nMax) {
  return static_cast<int>(
      api::SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMax), reinterpret_cast<LPARAM>(lpBuffer)));
}

int GetWindowTextLengthA(HWND hWnd) { return static_cast<int>(api::SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0)); }

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Window* p = FromHandle(hWnd);
  if (!p) return FALSE;
  BOOL bWasDisabled = !p->bEnabled;
  p->bEnabled = bEnable ? TRUE : FALSE;
  // A disabled control cannot keep the focus, and no other control takes it (as on Windows):
  // keys then go to the dialog itself.
  Window* pDlg = Dialog(p->pParent);
  if (!bEnable && pDlg && pDlg->pFocus == p) pDlg->pFocus = 0;
  return bWasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Window* p = FromHandle(hWnd);
  return p ? p->bEnabled : FALSE;
}

int MessageBoxIndirectA(const MSGBOXPARAMSA* pParams) {
  HEADLESS_MESSAGEBOX& box = s_boxes[s_nBoxes % kMessageBoxesKept];
  box.hOwner = pParams->hwndOwner;
  box.strText = pParams->lpszText;
  box.strCaption = pParams->lpszCaption;
  box.uType = pParams->dwStyle;
  box.nID = static_cast<UINT>(pParams->dwContextHelpId);
  ++s_nBoxes;
  for (int i = 0; i < s_boxHooks.n; ++i) s_boxHooks.pfn[i](box, s_boxHooks.pContext[i]);
  return IDOK;
}

int MessageBoxA(HWND hOwner, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  MSGBOXPARAMSA params = {};
  params.hwndOwner = hOwner;
  params.lpszText = lpText;
  params.lpszCaption = lpCaption;
  params.dwStyle = uType;
  return api::MessageBoxIndirectA(&params);
}

BOOL PeekMessageA(MSG* pMsg, HWND, UINT, UINT, UINT uRemove) { return TakeMessage(pMsg, uRemove & PM_REMOVE); }

BOOL GetMessageA(MSG* pMsg, HWND, UINT, UINT) {
  if (!TakeMessage(pMsg, TRUE)) {
    // Nobody is left to drive the window: behave as if the session were ending.
    MSG m = {};
    m.message = WM_QUIT;
    *pMsg = m;
  }
  return pMsg->message != WM_QUIT;
}

BOOL IsDialogMessageA(HWND hDlg, MSG* pMsg) {
  Window* pDlg = FromHandle(hDlg);
  Window* pTarget = FromHandle(pMsg->hwnd);
  if (!pDlg || !pTarget || Dialog(pTarget) != pDlg) return FALSE;
  if (pMsg->message == WM_KEYDOWN) {
    switch (pMsg->wParam) {
      case VK_ESCAPE: {
        Window* pCancel = Child(pDlg, IDCANCEL);
        if (!pCancel || pCancel->bEnabled)
          SendToDialog(pDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(pCancel));
        return TRUE;
      }
      case VK_RETURN: {
        Window* pDef = DefaultButton(pDlg);
        // Enter on a push button presses that button; elsewhere the default button.
        if (pDlg->pFocus && pDlg->pFocus->kind == kButton) pDef = pDlg->pFocus;
        if (pDef && pDef->bEnabled)
          SendToDialog(pDlg, WM_COMMAND, MAKEWPARAM(pDef->nID, BN_CLICKED), reinterpret_cast<LPARAM>(pDef));
        return TRUE;
      }
      case VK_TAB:
      case VK_RIGHT:
      case VK_DOWN:
        MoveFocus(pDlg, 1);
        return TRUE;
      case VK_LEFT:
      case VK_UP:
        MoveFocus(pDlg, -1);
        return TRUE;
    }
  }
  api::DispatchMessageA(pMsg);
  return TRUE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* pMsg) {
  Window* p = FromHandle(pMsg->hwnd);
  if (!p) return 0;
  if (p->kind == kDialog) {
    SendToDialog(p, pMsg->message, pMsg->wParam, pMsg->lParam);
    return 0;
  }
  return api::SendMessageA(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam);
}

void PostQuitMessage(int nExitCode) {
  s_bQuit = TRUE;
  s_nQuitCode = nExitCode;
}

HMENU GetSystemMenu(HWND hWnd, BOOL) {
  Window* p = FromHandle(hWnd);
  return (p && p->kind == kDialog && (p->dwStyle & WS_SYSMENU)) ? reinterpret_cast<HMENU>(p) : 0;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uID, LPCSTR lpText) {
  Window* p = FromHandle(reinterpret_cast<HWND>(hMenu));
  if (!p) return FALSE;
  MenuItem item = {uFlags, uID, new CString((uFlags & MF_SEPARATOR) ? "" : lpText)};
  return p->menu.Add(item);
}

HICON LoadIconA(HINSTANCE, LPCSTR lpName) {
  // No pictures here: the icon's resource id stands in for its handle.
  return reinterpret_cast<HICON>(const_cast<LPSTR>(lpName));
}

// No file dialog here: it is always cancelled.
BOOL GetOpenFileNameA(OPENFILENAMEA*) { return FALSE; }

void InitCommonControls() {}

// No screen here: windows have no extent, and painting draws nothing.
BOOL GetWindowRect(HWND hWnd, RECT* pRect) {
  pRect->left = pRect->top = pRect->right = pRect->bottom = 0;
  return FromHandle(hWnd) != 0;
}
BOOL ScreenToClient(HWND hWnd, POINT*) { return FromHandle(hWnd) != 0; }

HWND GetParent(HWND hWnd) {
  Window* p = FromHandle(hWnd);
  return p ? ToHandle(p->pParent) : 0;
}

void DragAcceptFiles(HWND hWnd, BOOL bAccept) {
  Window* p = FromHandle(hWnd);
  if (p) p->bAcceptFiles = bAccept ? TRUE : FALSE;
}

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
  Drop* p = FromDrop(hDrop);
  if (!p) return 0;
  if (iFile == 0xFFFFFFFF) return static_cast<UINT>(p->names.GetSize());
  if (iFile >= static_cast<UINT>(p->names.GetSize())) return 0;
  const CString& str = *p->names[static_cast<int>(iFile)];
  UINT n = static_cast<UINT>(str.GetLength());
  if (!lpszFile) return n;
  if (cch == 0) return 0;
  if (n > cch - 1) n = cch - 1;
  AfxMemCopy(lpszFile, static_cast<LPCSTR>(str), n);
  lpszFile[n] = 0;
  return n;
}

void DragFinish(HDROP hDrop) {
  Drop* p = FromDrop(hDrop);
  if (!p) return;
  for (int i = 0; i < p->names.GetSize(); ++i) delete p->names[i];
  for (int i = 0; i < s_drops.GetSize(); ++i)
    if (s_drops[i] == p) s_drops.RemoveAt(i);
  delete p;
}

static char s_chCanvas;  // the one device context, bitmap and brush handle of the headless back end
HDC BeginPaint(HWND, PAINTSTRUCT* pPaint) {
  pPaint->hdc = reinterpret_cast<HDC>(&s_chCanvas);
  return pPaint->hdc;
}
BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }
HDC CreateCompatibleDC(HDC) { return reinterpret_cast<HDC>(&s_chCanvas); }
HBITMAP CreateCompatibleBitmap(HDC, int, int) { return reinterpret_cast<HBITMAP>(&s_chCanvas); }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return &s_chCanvas; }
BOOL DeleteObject(HGDIOBJ) { return TRUE; }
BOOL DeleteDC(HDC) { return TRUE; }
HBRUSH CreateSolidBrush(COLORREF) { return reinterpret_cast<HBRUSH>(&s_chCanvas); }
DWORD GetSysColor(int) { return 0xC0C0C0; }
int FillRect(HDC, const RECT*, HBRUSH) { return 1; }
BOOL DrawIcon(HDC, int, int, HICON) { return TRUE; }
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD) { return TRUE; }

}  // namespace api

// ---- the driver's side ----
namespace headless {

void AddObserver(HEADLESS_OBSERVER pfn, void* pContext) { s_observers.Add(pfn, pContext); }
void RemoveObserver(HEADLESS_OBSERVER pfn, void* pContext) { s_observers.Remove(pfn, pContext); }
void AddMessageBoxHook(HEADLESS_MSGBOX_HOOK pfn, void* pContext) { s_boxHooks.Add(pfn, pContext); }
void RemoveMessageBoxHook(HEADLESS_MSGBOX_HOOK pfn, void* pContext) { s_boxHooks.Remove(pfn, pContext); }
void AddIdleHook(HEADLESS_IDLE_HOOK pfn, void* pContext) { s_idleHooks.Add(pfn, pContext); }
void RemoveIdleHook(HEADLESS_IDLE_HOOK pfn, void* pContext) { s_idleHooks.Remove(pfn, pContext); }
void RemoveAllHooks() { s_observers.n = s_boxHooks.n = s_idleHooks.n = 0; }

int GetMessageBoxCount() { return s_nBoxes; }

const HEADLESS_MESSAGEBOX* GetMessageBox(int nIndex) {
  if (nIndex < 0 || nIndex >= s_nBoxes || nIndex < s_nBoxes - kMessageBoxesKept) return 0;
  return &s_boxes[nIndex % kMessageBoxesKept];
}

void ClearMessageBoxes() { s_nBoxes = 0; }

BOOL Click(HWND hDlg, int nID) {
  Window* pDlg = FromHandle(hDlg);
  Window* p = Child(pDlg, nID);
  if (!p || !p->bEnabled || !pDlg->bEnabled) return FALSE;
  return api::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(p));
}

BOOL PressKey(HWND hDlg, UINT vk) {
  Window* pDlg = FromHandle(hDlg);
  if (!pDlg || !pDlg->bEnabled) return FALSE;
  HWND hTarget = pDlg->pFocus ? ToHandle(pDlg->pFocus) : hDlg;
  return api::PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
}

BOOL PressCloseBox(HWND hDlg) {
  Window* pDlg = FromHandle(hDlg);
  if (!pDlg || !pDlg->bEnabled) return FALSE;
  return api::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
}

BOOL DropFiles(HWND hWnd, const LPCSTR* ppszNames, int nNames) {
  Window* p = FromHandle(hWnd);
  if (!p || !p->bAcceptFiles || !p->bEnabled || nNames <= 0) return FALSE;
  Drop* pDrop = new Drop();
  if (!pDrop || !s_drops.Add(pDrop)) {
    delete pDrop;
    return FALSE;
  }
  for (int i = 0; i < nNames; ++i) pDrop->names.Add(new CString(ppszNames[i]));
  return api::PostMessageA(hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(pDrop), 0);
}

BOOL IsEnded(HWND hDlg) {
  Window* p = FromHandle(hDlg);
  return p ? p->bEnded : TRUE;
}

INT_PTR GetResult(HWND hDlg) {
  Window* p = FromHandle(hDlg);
  return p ? p->nResult : -1;
}

HWND GetFocus(HWND hDlg) {
  Window* p = FromHandle(hDlg);
  return p ? ToHandle(p->pFocus) : 0;
}

int GetItemCount(HWND hCombo) { return static_cast<int>(api::SendMessageA(hCombo, CB_GETCOUNT, 0, 0)); }

CString GetItemText(HWND hCombo, int nIndex) {
  Window* p = FromHandle(hCombo);
  if (!p || nIndex < 0 || nIndex >= p->items.GetSize()) return CString();
  return *p->items[nIndex];
}

int GetProgressPos(HWND hProgress) {
  Window* p = FromHandle(hProgress);
  return p ? p->nPos : 0;
}

void GetProgressRange(HWND hProgress, int* pnLow, int* pnHigh) {
  Window* p = FromHandle(hProgress);
  *pnLow = p ? p->nLow : 0;
  *pnHigh = p ? p->nHigh : 0;
}

HICON GetIcon(HWND hDlg, BOOL bBig) {
  Window* p = FromHandle(hDlg);
  return p ? p->hIcon[bBig ? 1 : 0] : 0;
}

int GetMenuItemCount(HWND hDlg) {
  Window* p = FromHandle(hDlg);
  return p ? p->menu.GetSize() : 0;
}

BOOL GetMenuItem(HWND hDlg, int nIndex, UINT* puFlags, UINT_PTR* puID, CString* pstrText) {
  Window* p = FromHandle(hDlg);
  if (!p || nIndex < 0 || nIndex >= p->menu.GetSize()) return FALSE;
  *puFlags = p->menu[nIndex].uFlags;
  *puID = p->menu[nIndex].uID;
  *pstrText = *p->menu[nIndex].pText;
  return TRUE;
}

HWND FindDialog(UINT nTemplate) {
  for (int i = 0; i < s_windows.GetSize(); ++i)
    if (s_windows[i]->kind == kDialog && s_windows[i]->nTemplate == nTemplate) return ToHandle(s_windows[i]);
  return 0;
}

int GetQueueLength() { return s_queue.GetSize(); }

void ResetQueue() {
  s_queue.RemoveAll();
  s_bQuit = FALSE;
}

}  // namespace headless
