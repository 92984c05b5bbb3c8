// Win32Windows.cpp - the window half of the platform seam: the real user interface (ANSI).
#include "framework/api.h"

namespace api {

INT_PTR DialogBoxParamA(HINSTANCE hInst, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  return ::DialogBoxParamA(hInst, lpTemplate, hParent, pfnProc, lParam);
}
HWND CreateDialogParamA(HINSTANCE hInst, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam) {
  return ::CreateDialogParamA(hInst, lpTemplate, hParent, pfnProc, lParam);
}
BOOL EndDialog(HWND hDlg, INT_PTR nResult) { return ::EndDialog(hDlg, nResult); }
BOOL DestroyWindow(HWND hWnd) { return ::DestroyWindow(hWnd); }
HWND GetDlgItem(HWND hDlg, int nID) { return ::GetDlgItem(hDlg, nID); }
int GetDlgCtrlID(HWND hWnd) { return ::GetDlgCtrlID(hWnd); }
LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(hWnd, uMsg, wParam, lParam);
}
BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(hWnd, uMsg, wParam, lParam);
}
BOOL SetWindowTextA(HWND hWnd, LPCSTR lpText) { return ::SetWindowTextA(hWnd, lpText); }
int GetWindowTextA(HWND hWnd, LPSTR lpBuffer, int nMax) { return ::GetWindowTextA(hWnd, lpBuffer, nMax); }
int GetWindowTextLengthA(HWND hWnd) { return ::GetWindowTextLengthA(hWnd); }
BOOL EnableWindow(HWND hWnd, BOOL bEnable) { return ::EnableWindow(hWnd, bEnable); }
BOOL IsWindowEnabled(HWND hWnd) { return ::IsWindowEnabled(hWnd); }
int MessageBoxA(HWND hOwner, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  return ::MessageBoxA(hOwner, lpText, lpCaption, uType);
}
int MessageBoxIndirectA(const MSGBOXPARAMSA* pParams) { return ::MessageBoxIndirectA(pParams); }
BOOL PeekMessageA(MSG* pMsg, HWND hWnd, UINT uFirst, UINT uLast, UINT uRemove) {
  return ::PeekMessageA(pMsg, hWnd, uFirst, uLast, uRemove);
}
BOOL GetMessageA(MSG* pMsg, HWND hWnd, UINT uFirst, UINT uLast) {
  // -1 (an error) ends the loop like the quit message.
  return ::GetMessageA(pMsg, hWnd, uFirst, uLast) > 0;
}
BOOL IsDialogMessageA(HWND hDlg, MSG* pMsg) { return ::IsDialogMessageA(hDlg, pMsg); }
BOOL TranslateMessage(const MSG* pMsg) { return ::TranslateMessage(pMsg); }
LRESULT DispatchMessageA(const MSG* pMsg) { return ::DispatchMessageA(pMsg); }
void PostQuitMessage(int nExitCode) { ::PostQuitMessage(nExitCode); }
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) { return ::GetSystemMenu(hWnd, bRevert); }
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uID, LPCSTR lpText) {
  return ::AppendMenuA(hMenu, uFlags, uID, lpText);
}
HICON LoadIconA(HINSTANCE hInst, LPCSTR lpName) { return ::LoadIconA(hInst, lpName); }
BOOL GetOpenFileNameA(OPENFILENAMEA* pOfn) { return ::GetOpenFileNameA(pOfn); }
void InitCommonControls() { ::InitCommonControls(); }
BOOL GetWindowRect(HWND hWnd, RECT* pRect) { return ::GetWindowRect(hWnd, pRect); }
BOOL ScreenToClient(HWND hWnd, POINT* pPoint) { return ::ScreenToClient(hWnd, pPoint); }
HWND GetParent(HWND hWnd) { return ::GetParent(hWnd); }

void DragAcceptFiles(HWND hWnd, BOOL bAccept) { ::DragAcceptFiles(hWnd, bAccept); }
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
  return ::DragQueryFileA(hDrop, iFile, lpszFile, cch);
}
void DragFinish(HDROP hDrop) { ::DragFinish(hDrop); }

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* pPaint) { return ::BeginPaint(hWnd, pPaint); }
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* pPaint) { return ::EndPaint(hWnd, pPaint); }
HDC CreateCompatibleDC(HDC hDC) { return ::CreateCompatibleDC(hDC); }
HBITMAP CreateCompatibleBitmap(HDC hDC, int nWidth, int nHeight) {
  return ::CreateCompatibleBitmap(hDC, nWidth, nHeight);
}
HGDIOBJ SelectObject(HDC hDC, HGDIOBJ hObject) { return ::SelectObject(hDC, hObject); }
BOOL DeleteObject(HGDIOBJ hObject) { return ::DeleteObject(hObject); }
BOOL DeleteDC(HDC hDC) { return ::DeleteDC(hDC); }
HBRUSH CreateSolidBrush(COLORREF color) { return ::CreateSolidBrush(color); }
DWORD GetSysColor(int nIndex) { return ::GetSysColor(nIndex); }
int FillRect(HDC hDC, const RECT* pRect, HBRUSH hBrush) { return ::FillRect(hDC, pRect, hBrush); }
BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon) { return ::DrawIcon(hDC, x, y, hIcon); }
BOOL StretchBlt(HDC hDest, int x, int y, int w, int h, HDC hSrc, int xSrc, int ySrc, int wSrc, int hSrc2, DWORD dwRop) {
  return ::StretchBlt(hDest, x, y, w, h, hSrc, xSrc, ySrc, wSrc, hSrc2, dwRop);
}

}  // namespace api
