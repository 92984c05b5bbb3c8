// Headless.h - what drives and observes dialogs of the headless window back end.
//
// The headless back end keeps every dialog and control in memory with the behaviour of the
// Win32 controls the program uses, and a thread message queue. A driver (a test, a console
// front end) acts as the user would: it posts clicks and keys to the queue, sets the boxes'
// texts, answers the open-file dialog; and it reads back texts, lists, states and the
// message boxes shown.
#ifndef VARNOK_FRAMEWORK_HEADLESS_HEADLESS_H
#define VARNOK_FRAMEWORK_HEADLESS_HEADLESS_H

#include "framework/afxwin.h"

// A dialog template: controls in tab order, terminated by a control with a null class.
struct HEADLESS_CONTROL {
  LPCSTR pszText;
  int nID;
  LPCSTR pszClass;
  DWORD dwStyle;
};
struct HEADLESS_DLGTEMPLATE {
  UINT nID;
  LPCSTR pszCaption;
  DWORD dwStyle;
  const HEADLESS_CONTROL* pControls;
};
// The program's templates, terminated by an entry with id 0 (defined with the resources).
extern const HEADLESS_DLGTEMPLATE g_headlessTemplates[];

struct HEADLESS_MESSAGEBOX {
  HWND hOwner;
  CString strText;
  CString strCaption;
  UINT uType;
  UINT nID;  // the box's help context: the number of the string it shows (0 when given none)
};

// Observer of every message sent to a control or dialog (status texts, progress positions...).
typedef void (*HEADLESS_OBSERVER)(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void* pContext);
// Called when a message box is shown, before it is "dismissed" with IDOK.
typedef void (*HEADLESS_MSGBOX_HOOK)(const HEADLESS_MESSAGEBOX& box, void* pContext);
// Called by GetMessage when the queue is empty: post something, or nothing to end the loop.
typedef void (*HEADLESS_IDLE_HOOK)(void* pContext);

namespace headless {

// Each kind of hook is a list (up to 8): every one added is called, in the order added, until
// it is removed with the same function and context.
void AddObserver(HEADLESS_OBSERVER pfn, void* pContext);
void RemoveObserver(HEADLESS_OBSERVER pfn, void* pContext);
void AddMessageBoxHook(HEADLESS_MSGBOX_HOOK pfn, void* pContext);
void RemoveMessageBoxHook(HEADLESS_MSGBOX_HOOK pfn, void* pContext);
void AddIdleHook(HEADLESS_IDLE_HOOK pfn, void* pContext);
void RemoveIdleHook(HEADLESS_IDLE_HOOK pfn, void* pContext);
// Every hook gone (a test's end, whatever it left).
void RemoveAllHooks();

// Message boxes shown since the last ClearMessageBoxes (the latest 64 are kept).
int GetMessageBoxCount();
const HEADLESS_MESSAGEBOX* GetMessageBox(int nIndex);
void ClearMessageBoxes();

// As the user: a click on an enabled button posts its command (FALSE when disabled or absent);
// a key posts WM_KEYDOWN to the focused control; Close posts the close box's system command.
// Nothing reaches a dialog that is disabled (the owner of an open modal box): FALSE.
BOOL Click(HWND hDlg, int nID);
BOOL PressKey(HWND hDlg, UINT vk);
BOOL PressCloseBox(HWND hDlg);
// Files dropped on a window, as Explorer does: WM_DROPFILES when the window accepts them and is
// enabled (FALSE otherwise).
BOOL DropFiles(HWND hWnd, const LPCSTR* ppszNames, int nNames);

// State of a dialog or control.
BOOL IsEnded(HWND hDlg);
INT_PTR GetResult(HWND hDlg);
HWND GetFocus(HWND hDlg);
int GetItemCount(HWND hCombo);
CString GetItemText(HWND hCombo, int nIndex);
int GetProgressPos(HWND hProgress);
void GetProgressRange(HWND hProgress, int* pnLow, int* pnHigh);
HICON GetIcon(HWND hDlg, BOOL bBig);
// The system menu's appended items: flags, command id and text of item nIndex.
int GetMenuItemCount(HWND hDlg);
BOOL GetMenuItem(HWND hDlg, int nIndex, UINT* puFlags, UINT_PTR* puID, CString* pstrText);
// A live dialog made from template nTemplate (0 when there is none).
HWND FindDialog(UINT nTemplate);
// Messages waiting in the queue; Reset drops them and any pending quit.
int GetQueueLength();
void ResetQueue();

}  // namespace headless

#endif  // VARNOK_FRAMEWORK_HEADLESS_HEADLESS_H
