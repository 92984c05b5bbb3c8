// afxwin.h - the thin framework layer: just the classes of the class library the program uses.
//
//   CString      counted, heap-held ANSI string
//   CFile        a file opened for reading
//   CCmdTarget   owner of a message map
//   CWnd         one window handle; control helpers addressed by control id
//   CDialog      dialog from a template, modal or modeless
//   CWinApp      the application object, its name, profile and message pump
//   CFileDialog  the open-file dialog
//   CMenu        a menu handle
//   CRect        a rectangle
//   CDC, CPaintDC  device contexts; CBitmap, CBrush  GDI objects that delete themselves
//   CSimpleArray a growable array of plain values (the simulated console's records)
//
// Everything here is built on api.h and so runs over either window back end. None of it
// uses the C or C++ standard library: it goes into the Windows executables, which carry no
// runtime library of their own.
#ifndef VARNOK_FRAMEWORK_AFXWIN_H
#define VARNOK_FRAMEWORK_AFXWIN_H

#include "api.h"

// ---- Small helpers over plain character strings ----
int AfxStrLen(LPCSTR psz);
void AfxMemCopy(void* pDest, const void* pSrc, size_t nBytes);
// Compares ignoring the letter case of A-Z; returns 0 when equal.
int AfxStrCmpNoCase(LPCSTR a, LPCSTR b);

class CString {
 public:
  // Constructors
  CString();
  CString(LPCSTR psz);
  CString(const CString& str);
  ~CString();

  // Attributes
  int GetLength() const { return m_nLength; }
  BOOL IsEmpty() const { return m_nLength == 0; }
  operator LPCSTR() const { return m_pchData; }
  char operator[](int nIndex) const { return m_pchData[nIndex]; }

  // Operations
  const CString& operator=(const CString& str);
  const CString& operator=(LPCSTR psz);
  const CString& operator+=(LPCSTR psz);
  friend CString operator+(const CString& a, LPCSTR b);
  void Empty();
  int CompareNoCase(LPCSTR psz) const { return AfxStrCmpNoCase(m_pchData, psz); }
  BOOL operator==(LPCSTR psz) const;
  BOOL operator!=(LPCSTR psz) const { return !(*this == psz); }
  // Loads string nID of the string table; FALSE (and empty) when it does not exist.
  BOOL LoadString(UINT nID);
  // Formats through wsprintfA: at most 1024 characters.
  void Format(LPCSTR pszFormat, ...);
  // A buffer of at least nMinLength characters plus the terminator; ReleaseBuffer after writing.
  LPSTR GetBuffer(int nMinLength);
  void ReleaseBuffer(int nNewLength = -1);

 private:
  void Assign(LPCSTR psz, int nLength);
  char* m_pchData;
  int m_nLength;
  int m_nAlloc;
};

// Contents that stand in for a file's (an ELF file's image, an upload arriving from the network).
class CFileSource {
 public:
  virtual DWORD GetLength() const = 0;
  // Up to nCount bytes from nOffset into pBuffer: fewer only where the contents end or will never
  // come. A source whose bytes are still arriving waits for them.
  virtual UINT ReadAt(DWORD nOffset, void* pBuffer, UINT nCount) = 0;

 protected:
  ~CFileSource() {}
};

// Bytes in memory as a file's contents (not copied: they outlive the source).
class CMemoryFileSource final : public CFileSource {
 public:
  CMemoryFileSource(const BYTE* p, DWORD n) : m_p(p), m_n(n) {}
  DWORD GetLength() const override { return m_n; }
  UINT ReadAt(DWORD nOffset, void* pBuffer, UINT nCount) override;

 private:
  const BYTE* m_p;
  DWORD m_n;
};

class CFile {
 public:
  enum OpenFlags { modeRead = 0x0000, shareExclusive = 0x0010, shareDenyNone = 0x0040 };

  CFile();
  ~CFile();

  // Opens for reading; with no share flag nobody else may have the file open meanwhile.
  // Failure is reported by the result.
  BOOL Open(LPCSTR pszFileName, UINT nOpenFlags);
  // The length when the file was opened: every part of a transfer sees the same length, even
  // where the system cannot stop another program from changing the file meanwhile.
  ULONGLONG GetLength() const { return m_nLength; }
  // Returns the count read: less than nCount at the end of the file or on a read error.
  UINT Read(void* pBuffer, UINT nCount);
  void Close();

 private:
  CFile(const CFile&);
  void operator=(const CFile&);
  HANDLE m_hFile;
  ULONGLONG m_nLength;
  CFileSource* m_pSource;  // read instead of the file, or 0
  DWORD m_nSourceRead;
};

// While it lives, a file opened under exactly this path reads the source instead of its own
// bytes, even where there is no such file (the command line sends an ELF file as its image, its
// server an upload it receives). Stand-ins nest: the newest one for a path serves. The path and
// the source outlive it.
class CFileStandIn {
 public:
  CFileStandIn(LPCSTR pszPath, CFileSource& source);
  ~CFileStandIn();
  // The source standing in for pszPath, or 0.
  static CFileSource* Find(LPCSTR pszPath);

 private:
  CFileStandIn(const CFileStandIn&);
  void operator=(const CFileStandIn&);
  CString m_strPath;
  CFileSource& m_source;
  CFileStandIn* m_pOlder;
};

// ---- Message maps ----
class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();
typedef void (CCmdTarget::*AFX_PMSG_WL)(UINT, LPARAM);
typedef void (CCmdTarget::*AFX_PMSG_DROP)(HDROP);

enum AfxSig {
  AfxSig_end = 0,
  AfxSig_vv,   // void ()
  AfxSig_vwl,  // void (UINT, LPARAM)
  AfxSig_vD,   // void (HDROP)
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND for commands
  UINT nCode;     // notification code for commands
  UINT nID;       // control or command id
  UINT nSig;
  AFX_PMSG pfn;           // AfxSig_vv
  AFX_PMSG_WL pfnWL;      // AfxSig_vwl
  AFX_PMSG_DROP pfnDrop;  // AfxSig_vD
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* pBaseMap;
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                      \
 private:                                          \
  static const AFX_MSGMAP_ENTRY _messageEntries[]; \
                                                   \
 protected:                                        \
  static const AFX_MSGMAP messageMap;              \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap; }              \
  const AFX_MSGMAP theClass::messageMap = {&baseClass::messageMap, &theClass::_messageEntries[0]}; \
  typedef theClass ThisMapClass;                                                                   \
  const AFX_MSGMAP_ENTRY theClass::_messageEntries[] = {
#define END_MESSAGE_MAP()          \
  { 0, 0, 0, AfxSig_end, 0, 0, 0 } \
  }                                \
  ;

#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, (UINT)(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisMapClass::memberFxn), 0, 0},
#define ON_BN_CLICKED(id, memberFxn) \
  {WM_COMMAND, BN_CLICKED, (UINT)(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisMapClass::memberFxn), 0, 0},
#define ON_WM_SYSCOMMAND() \
  {WM_SYSCOMMAND, 0, 0, AfxSig_vwl, 0, static_cast<AFX_PMSG_WL>(&ThisMapClass::OnSysCommand), 0},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisMapClass::OnPaint), 0, 0},
#define ON_WM_DROPFILES() {WM_DROPFILES, 0, 0, AfxSig_vD, 0, 0, static_cast<AFX_PMSG_DROP>(&ThisMapClass::OnDropFiles)},

class CCmdTarget {
 public:
  virtual ~CCmdTarget() {}
  // Runs the handler of a message or command; FALSE when the map has none.
  BOOL OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam);

 protected:
  static const AFX_MSGMAP messageMap;
  virtual const AFX_MSGMAP* GetMessageMap() const { return &messageMap; }
};

class CMenu {
 public:
  CMenu() : m_hMenu(0) {}
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = 0);
  HMENU m_hMenu;
};

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class CGdiObject {
 public:
  CGdiObject() : m_hObject(0) {}
  ~CGdiObject() { DeleteObject(); }
  BOOL DeleteObject();
  HGDIOBJ m_hObject;

 private:
  CGdiObject(const CGdiObject&);
  void operator=(const CGdiObject&);
};

class CDC;
class CBitmap : public CGdiObject {
 public:
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
};

class CBrush : public CGdiObject {
 public:
  explicit CBrush(COLORREF color);
};

class CDC {
 public:
  CDC() : m_hDC(0) {}
  ~CDC() { DeleteDC(); }
  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();
  // Returns the object it replaces, to be selected back before this one is deleted.
  HGDIOBJ SelectObject(CGdiObject* pObject) { return api::SelectObject(m_hDC, pObject->m_hObject); }
  HGDIOBJ SelectObject(HGDIOBJ hObject) { return api::SelectObject(m_hDC, hObject); }
  void FillRect(const RECT* pRect, CBrush* pBrush) {
    api::FillRect(m_hDC, pRect, static_cast<HBRUSH>(pBrush->m_hObject));
  }
  BOOL DrawIcon(int x, int y, HICON hIcon) { return api::DrawIcon(m_hDC, x, y, hIcon); }
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth, int nSrcHeight,
                  DWORD dwRop) {
    return api::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->m_hDC, xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
  }
  HDC m_hDC;

 protected:
  BOOL m_bOwned = FALSE;  // created here, so deleted here

 private:
  CDC(const CDC&);
  void operator=(const CDC&);
};

class CWnd;
// Painting a window in response to WM_PAINT: begins in the constructor, ends in the destructor.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC();
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};

class CWnd : public CCmdTarget {
 public:
  CWnd() : m_hWnd(0), m_bPassToDefault(FALSE) {}

  // Attributes
  HWND GetSafeHwnd() const { return m_hWnd; }
  // A window object for control nID; valid until the next call (one shared temporary).
  CWnd* GetDlgItem(int nID) const;

  // Operations
  void SetWindowText(LPCSTR lpszString);
  void GetWindowText(CString& rString) const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void SetDlgItemText(int nID, LPCSTR lpszString);
  int GetDlgItemText(int nID, CString& rString) const;
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  CMenu* GetSystemMenu(BOOL bRevert);
  void GetWindowRect(RECT* pRect) const { api::GetWindowRect(m_hWnd, pRect); }
  // Both corners of a screen rectangle, in this window's client coordinates.
  void ScreenToClient(RECT* pRect) const;
  BOOL DestroyWindow();
  // Files dropped on the window arrive as WM_DROPFILES once it accepts them.
  void DragAcceptFiles(BOOL bAccept = TRUE) { api::DragAcceptFiles(m_hWnd, bAccept); }
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = 0, UINT nType = MB_OK);

  // Overridables
  // Default processing of the message being handled: the system's own (moving, closing...).
  void Default() { m_bPassToDefault = TRUE; }
  void OnSysCommand(UINT nID, LPARAM lParam);

  HWND m_hWnd;

 protected:
  friend class CDialog;
  BOOL m_bPassToDefault;
  CMenu m_menuSystem;
};

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = 0);

  // Shows the dialog modally; returns what EndDialog was given (-1 when it cannot be created).
  // Its owner, disabled while it is open: the parent, or else the main window's top-level window.
  INT_PTR DoModal();
  // Creates the dialog without a modal loop (headless drivers and tests); FALSE on failure.
  BOOL Create(CWnd* pParentWnd = 0);
  void EndDialog(int nResult);
  // Gives control pWndCtrl the focus, as the dialog manager does (the default button follows).
  void GotoDlgCtrl(CWnd* pWndCtrl) { SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE); }

  // Overridables
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  DECLARE_MESSAGE_MAP()
};

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCSTR lpszAppName = 0);
  virtual ~CWinApp();

  // Overridables
  virtual BOOL InitInstance();
  // Fetches one message and handles it as the dialog's own modal loop would; FALSE on the quit message.
  virtual BOOL PumpMessage();

  // Operations
  void Enable3dControls() {}
  void OnHelp() {}
  UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
  CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = 0);
  BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
  BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
  // Called at once when a write to the profile fails, while the system's reason is still at
  // hand. None is set by default: the window says nothing of it, as it always has.
  typedef void (*PROFILE_ERROR_HOOK)(LPCSTR pszProfile, void* pContext);
  void SetProfileErrorHook(PROFILE_ERROR_HOOK pfn, void* pContext) {
    m_pfnProfileError = pfn;
    m_pProfileErrorContext = pContext;
  }
  // Sets the application's name from the executable's base name (or pszName when given) and
  // the profile's path from that name.
  void SetNamesFromModule(LPCSTR pszName = 0);

  HINSTANCE m_hInstance;
  // The command line's arguments, after the program's own name (never null once running).
  LPSTR m_lpCmdLine;
  CWnd* m_pMainWnd;
  LPCSTR m_pszAppName;
  LPCSTR m_pszProfileName;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  char m_szAppName[MAX_PATH];
  char m_szProfileName[MAX_PATH];
  PROFILE_ERROR_HOOK m_pfnProfileError = 0;
  void* m_pProfileErrorContext = 0;
};

class CFileDialog : public CDialog {
 public:
  CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = 0, LPCSTR lpszFileName = 0, DWORD dwFlags = OFN_HIDEREADONLY,
              LPCSTR lpszFilter = 0, CWnd* pParentWnd = 0);
  INT_PTR DoModal();
  CString GetPathName() const { return CString(m_szFile); }

  OPENFILENAMEA m_ofn;

 private:
  char m_szFile[MAX_PATH];
  char m_szFilter[256];
};

// The data a dialog template gives a control before OnInitDialog runs (the Port box's items).
struct AFX_DLGINIT_ITEM {
  UINT nIDTemplate;
  int nIDControl;
  UINT nMessage;
  LPCSTR pszText;
};
extern const AFX_DLGINIT_ITEM g_afxDlgInit[];

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The window a modal box is owned by: pParent's, or with none the main window's top-level
// window (0 while there is no main window yet, as when the main dialog itself opens).
HWND AfxGetSafeOwner(CWnd* pParent);
// The full path of a file name (a relative one means the current folder); the name as given
// when the system cannot make one.
CString AfxFullPath(LPCSTR pszName);
HINSTANCE AfxGetInstanceHandle();
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK);
// The same box showing string nIDPrompt; the box carries that number as its help context (or
// nIDHelp, when given), as the class library's boxes do.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
void AfxEnableControlContainer();
// The entry point's work: names, InitInstance, and the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// A growable array of plain values (no constructors run), kept on the process heap.
template <class T>
class CSimpleArray {
 public:
  CSimpleArray() : m_pData(0), m_nSize(0), m_nMax(0) {}
  ~CSimpleArray() { RemoveAll(); }
  int GetSize() const { return m_nSize; }
  const T* GetData() const { return m_pData; }
  T operator[](int i) const { return m_pData[i]; }
  BOOL Add(T value) {
    if (m_nSize == m_nMax) {
      int nNewMax = m_nMax ? m_nMax * 2 : 64;
      void* p = m_pData ? api::HeapReAlloc(api::GetProcessHeap(), 0, m_pData, sizeof(T) * nNewMax)
                        : api::HeapAlloc(api::GetProcessHeap(), 0, sizeof(T) * nNewMax);
      if (!p) return FALSE;
      m_pData = static_cast<T*>(p);
      m_nMax = nNewMax;
    }
    m_pData[m_nSize++] = value;
    return TRUE;
  }
  BOOL InsertAt(int nIndex, T value) {
    if (!Add(value)) return FALSE;
    for (int i = m_nSize - 1; i > nIndex; --i) m_pData[i] = m_pData[i - 1];
    m_pData[nIndex] = value;
    return TRUE;
  }
  void RemoveAt(int nIndex) {
    for (int i = nIndex; i + 1 < m_nSize; ++i) m_pData[i] = m_pData[i + 1];
    --m_nSize;
  }
  void RemoveAll() {
    if (m_pData) api::HeapFree(api::GetProcessHeap(), 0, m_pData);
    m_pData = 0;
    m_nSize = m_nMax = 0;
  }

 private:
  CSimpleArray(const CSimpleArray&);
  void operator=(const CSimpleArray&);
  T* m_pData;
  int m_nSize;
  int m_nMax;
};

#endif  // VARNOK_FRAMEWORK_AFXWIN_H
