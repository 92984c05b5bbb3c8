// platform.h - the Win32 types and constants the framework and the program use.
//
// Windows builds take them from <windows.h>. The host build defines the same names with
// the same values, so that the program's own code compiles unchanged on Linux. Nothing
// in this header calls the platform: calls go through the back ends (see api.h).
#ifndef VARNOK_FRAMEWORK_PLATFORM_H
#define VARNOK_FRAMEWORK_PLATFORM_H

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The common controls and dialogs need windows.h first.
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
// Winsock 1.1 (wsock32.dll), which every Windows since 95 has.
#include <winsock.h>
#ifndef SD_SEND
#define SD_SEND 1  // shutdown's "no more sending", which winsock.h leaves to winsock2.h
#endif

#else  // host

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
// Functions here, in api.h, as in Winsock; the C library may have made them macros.
#undef htons
#undef ntohs

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef uint64_t ULONGLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef struct HICON__* HICON;
typedef struct HMENU__* HMENU;
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;
typedef struct HBRUSH__* HBRUSH;
typedef struct HDROP__* HDROP;
typedef void* HGDIOBJ;
typedef DWORD COLORREF;
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*FARPROC)();
typedef BOOL (*PHANDLER_ROUTINE)(DWORD);
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define CTRL_C_EVENT 0
#define CTRL_BREAK_EVENT 1

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

typedef struct tagPOINT {
  LONG x, y;
} POINT;
typedef struct tagRECT {
  LONG left, top, right, bottom;
} RECT;
typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG;
typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
} PAINTSTRUCT;

#define MAKEINTRESOURCEA(i) ((LPSTR)(UINT_PTR)(WORD)(i))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))
#define LOWORD(l) ((WORD)((DWORD_PTR_HOST)(l)&0xffff))
#define HIWORD(l) ((WORD)(((DWORD_PTR_HOST)(l) >> 16) & 0xffff))
typedef uintptr_t DWORD_PTR_HOST;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3
#define CREATE_ALWAYS 2
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_SHARE_READ 1
#define FILE_SHARE_WRITE 2
typedef struct _FILETIME {
  DWORD dwLowDateTime, dwHighDateTime;
} FILETIME;
typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
  DWORD nFileSizeHigh, nFileSizeLow, dwReserved0, dwReserved1;
  CHAR cFileName[260];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA;

// Window messages.
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_NEXTDLGCTL 0x0028
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETICON 0x0080
#define WM_GETICON 0x007F
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_DROPFILES 0x0233
#define WM_USER 0x0400
#define ICON_SMALL 0
#define ICON_BIG 1
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define PM_NOREMOVE 0
#define PM_REMOVE 1
#define SC_CLOSE 0xF060
#define SC_MOVE 0xF010
#define BN_CLICKED 0
#define DM_GETDEFID (WM_USER + 0)
#define DC_HASDEFID 0x534B

// Combo boxes.
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_FINDSTRINGEXACT 0x0158

// Progress bar.
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_GETPOS (WM_USER + 8)
#define PBM_GETRANGE (WM_USER + 7)

// Message boxes and dialog results.
#define MB_OK 0x00000000
#define MB_ICONHAND 0x00000010
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONEXCLAMATION 0x00000030
#define IDOK 1
#define IDCANCEL 2
typedef struct tagMSGBOXPARAMSA {
  UINT cbSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpszText;
  LPCSTR lpszCaption;
  DWORD dwStyle;
  LPCSTR lpszIcon;
  UINT_PTR dwContextHelpId;
  void* lpfnMsgBoxCallback;
  DWORD dwLanguageId;
} MSGBOXPARAMSA;

// Window and control styles (values as Win32 defines them).
#define WS_OVERLAPPED 0x00000000
#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_VISIBLE 0x10000000
#define WS_DISABLED 0x08000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_VSCROLL 0x00200000
#define WS_SYSMENU 0x00080000
#define WS_GROUP 0x00020000
#define WS_TABSTOP 0x00010000
#define DS_MODALFRAME 0x80
#define DS_SETFONT 0x40
#define BS_PUSHBUTTON 0x0
#define BS_DEFPUSHBUTTON 0x1
#define SS_LEFT 0x0
#define SS_GRAYRECT 0x5
#define SS_LEFTNOWORDWRAP 0xC
#define CBS_DROPDOWN 0x2
#define CBS_DROPDOWNLIST 0x3
#define CBS_AUTOHSCROLL 0x40

// Menus, the open-file dialog.
#define MF_STRING 0x0
#define MF_SEPARATOR 0x800
#define OFN_HIDEREADONLY 0x4
#define OFN_FILEMUSTEXIST 0x1000
#define OFN_PATHMUSTEXIST 0x800
#define MAX_PATH 260
#define COLOR_BTNFACE 15
#define SM_CXICON 11
#define SRCCOPY 0x00CC0020

typedef struct tagOFNA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  void* lpfnHook;
  LPCSTR lpTemplateName;
} OPENFILENAMEA;
#define OPENFILENAME_SIZE_VERSION_400A sizeof(OPENFILENAMEA)

// Sockets (Winsock 1.1): the BSD types and constants, and what Winsock adds. An error code is
// the system's own (errno); WSAGetLastError returns it.
typedef int SOCKET;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)
#define SD_SEND SHUT_WR
#define WSAEINTR EINTR
#define WSAEWOULDBLOCK EWOULDBLOCK
#define WSAEADDRINUSE EADDRINUSE
#define WSAECONNREFUSED ECONNREFUSED
#define MAKEWORD(a, b) ((WORD)(((BYTE)(a)) | ((WORD)((BYTE)(b))) << 8))
typedef struct WSAData {
  WORD wVersion, wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  unsigned short iMaxSockets, iMaxUdpDg;
  char* lpVendorInfo;
} WSADATA;

#endif  // _WIN32

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

#endif  // VARNOK_FRAMEWORK_PLATFORM_H
