// api.h - the platform calls the framework and the program make, one seam for all back ends.
//
// Every call keeps its Win32 name, parameters and meaning. Two back ends implement the
// window half: win32/ (the real user interface) and headless/ (an in-memory model of the
// dialogs and a message queue). Two implement the system half: win32/ (KERNEL32 and
// friends) and posix/ (Linux files, heap, profile and the string table). The build picks
// one of each; nothing above this header knows which.
#ifndef VARNOK_FRAMEWORK_API_H
#define VARNOK_FRAMEWORK_API_H

#include <stdarg.h>

#include "platform.h"

namespace api {

// ---- Windows, dialogs and messages (window back end) ----
INT_PTR DialogBoxParamA(HINSTANCE hInst, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam);
HWND CreateDialogParamA(HINSTANCE hInst, LPCSTR lpTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam);
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
BOOL DestroyWindow(HWND hWnd);
HWND GetDlgItem(HWND hDlg, int nID);
int GetDlgCtrlID(HWND hWnd);
LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL SetWindowTextA(HWND hWnd, LPCSTR lpText);
int GetWindowTextA(HWND hWnd, LPSTR lpBuffer, int nMax);
int GetWindowTextLengthA(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
int MessageBoxA(HWND hOwner, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
// The same box, with a help context: the program passes the number of the string it shows.
int MessageBoxIndirectA(const MSGBOXPARAMSA* pParams);
BOOL PeekMessageA(MSG* pMsg, HWND hWnd, UINT uFirst, UINT uLast, UINT uRemove);
BOOL GetMessageA(MSG* pMsg, HWND hWnd, UINT uFirst, UINT uLast);
BOOL IsDialogMessageA(HWND hDlg, MSG* pMsg);
BOOL TranslateMessage(const MSG* pMsg);
LRESULT DispatchMessageA(const MSG* pMsg);
void PostQuitMessage(int nExitCode);
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uID, LPCSTR lpText);
HICON LoadIconA(HINSTANCE hInst, LPCSTR lpName);
BOOL GetOpenFileNameA(OPENFILENAMEA* pOfn);
void InitCommonControls();
BOOL GetWindowRect(HWND hWnd, RECT* pRect);
BOOL ScreenToClient(HWND hWnd, POINT* pPoint);
// A child's parent, a popup's owner; 0 for a window with neither.
HWND GetParent(HWND hWnd);

// ---- Files dropped on a window (window back end: SHELL32) ----
// A window told to accept them gets WM_DROPFILES with the drop in wParam: DragQueryFileA gives
// the count (iFile 0xFFFFFFFF), a name's length (no buffer) or the name; DragFinish releases it.
void DragAcceptFiles(HWND hWnd, BOOL bAccept);
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
void DragFinish(HDROP hDrop);

// ---- Painting (window back end: GDI) ----
HDC BeginPaint(HWND hWnd, PAINTSTRUCT* pPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* pPaint);
HDC CreateCompatibleDC(HDC hDC);
HBITMAP CreateCompatibleBitmap(HDC hDC, int nWidth, int nHeight);
HGDIOBJ SelectObject(HDC hDC, HGDIOBJ hObject);
BOOL DeleteObject(HGDIOBJ hObject);
BOOL DeleteDC(HDC hDC);
HBRUSH CreateSolidBrush(COLORREF color);
DWORD GetSysColor(int nIndex);
int FillRect(HDC hDC, const RECT* pRect, HBRUSH hBrush);
BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon);
BOOL StretchBlt(HDC hDest, int x, int y, int w, int h, HDC hSrc, int xSrc, int ySrc, int wSrc, int hSrc2, DWORD dwRop);

// ---- Files, memory, resources, time (system back end) ----
HANDLE CreateFileA(LPCSTR lpName, DWORD dwAccess, DWORD dwShare, void* pSecurity, DWORD dwDisposition, DWORD dwFlags,
                   HANDLE hTemplate);
BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nToRead, DWORD* pnRead, void* pOverlapped);
DWORD GetFileSize(HANDLE hFile, DWORD* pHigh);
// A file's size and times without opening it (the host back end: an exact name, no wildcards).
HANDLE FindFirstFileA(LPCSTR lpName, WIN32_FIND_DATAA* pData);
BOOL FindClose(HANDLE hFind);
BOOL CloseHandle(HANDLE hObject);
HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE hHeap, DWORD dwFlags, size_t nBytes);
void* HeapReAlloc(HANDLE hHeap, DWORD dwFlags, void* p, size_t nBytes);
BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, void* p);
int LoadStringA(HINSTANCE hInst, UINT uID, LPSTR lpBuffer, int nMax);
DWORD GetModuleFileNameA(HINSTANCE hInst, LPSTR lpName, DWORD nSize);
HINSTANCE GetModuleHandleA(LPCSTR lpName);
UINT GetPrivateProfileIntA(LPCSTR lpSection, LPCSTR lpKey, int nDefault, LPCSTR lpFile);
DWORD GetPrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpDefault, LPSTR lpReturned, DWORD nSize,
                               LPCSTR lpFile);
BOOL WritePrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpValue, LPCSTR lpFile);
UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT nSize);
// The full path of a file name relative to the current folder; its length, 0 on failure, or the
// size needed when nSize is too small.
DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nSize, LPSTR lpBuffer, LPSTR* lpFilePart);
// The variable's value into pszBuffer and its length; 0 when there is none, or more than nSize
// (the length it needs, then).
DWORD GetEnvironmentVariableA(LPCSTR pszName, LPSTR pszBuffer, DWORD nSize);
DWORD GetTickCount();
void Sleep(DWORD dwMilliseconds);
int wsprintfA(LPSTR lpOut, LPCSTR lpFormat, ...);
int wvsprintfA(LPSTR lpOut, LPCSTR lpFormat, va_list args);
void FatalAppExitA(UINT uAction, LPCSTR lpMessage);

// ---- The console (command-line programs) ----
HANDLE GetStdHandle(DWORD nStdHandle);
BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nToWrite, DWORD* pnWritten, void* pOverlapped);
// TRUE when the handle is a console (a terminal).
BOOL GetConsoleMode(HANDLE hConsole, DWORD* pMode);
// Text in the program's (ANSI) code page into the console's (OEM) one, which a Windows console
// shows; the host's terminals take the program's bytes as they are.
BOOL CharToOemBuffA(LPCSTR lpszSrc, LPSTR lpszDst, DWORD cchDstLength);
// The routine gets CTRL_C_EVENT; it may run on another thread (Windows) or in a signal handler
// (Linux): it may only set flags or end the process.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE pfnRoutine, BOOL bAdd);
// Sets *pn to n and returns what it held, in one step that no other thread or signal handler can
// split (XCHG, which every x86 has; unlike InterlockedIncrement, whose result Windows 95 gives
// only as a sign).
LONG InterlockedExchange(LONG volatile* pn, LONG n);
void ExitProcess(UINT uExitCode);

// ---- Sockets: Winsock 1.1 (varnok-cli; win32/Win32Sockets.cpp, posix/PosixSockets.cpp) ----
// Meanings as in Winsock: select's first argument is ignored there (pass the highest socket + 1,
// which the BSD call needs); a failure returns SOCKET_ERROR or INVALID_SOCKET, and
// WSAGetLastError says why (WSAEWOULDBLOCK on a non-blocking socket with nothing to do, WSAEINTR
// when Ctrl-C interrupted a wait on Linux). Sending never raises a signal.
int WSAStartup(WORD wVersion, WSADATA* pData);
int WSACleanup();
int WSAGetLastError();
SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr* pName, int nName);
int listen(SOCKET s, int nBacklog);
SOCKET accept(SOCKET s, sockaddr* pAddr, int* pnAddr);
int connect(SOCKET s, const sockaddr* pName, int nName);
int recv(SOCKET s, char* pBuffer, int nLength, int nFlags);
int send(SOCKET s, const char* pBuffer, int nLength, int nFlags);
int select(int nfds, fd_set* pRead, fd_set* pWrite, fd_set* pExcept, const timeval* pTimeout);
int shutdown(SOCKET s, int nHow);
int closesocket(SOCKET s);
int ioctlsocket(SOCKET s, long nCommand, u_long* pArgument);
int getsockname(SOCKET s, sockaddr* pName, int* pnName);
int gethostname(char* pszName, int nName);
hostent* gethostbyname(LPCSTR pszName);
unsigned long inet_addr(LPCSTR psz);
u_short htons(u_short n);
u_short ntohs(u_short n);

// ---- Libraries and the system's version (Windows builds only) ----
DWORD GetVersion();
HINSTANCE LoadLibraryA(LPCSTR lpFileName);
FARPROC GetProcAddress(HINSTANCE hModule, LPCSTR lpName);
BOOL FreeLibrary(HINSTANCE hModule);
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT nSize);

}  // namespace api

#endif  // VARNOK_FRAMEWORK_API_H
