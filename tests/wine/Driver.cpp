// Driver.cpp - drives the Windows program from outside, as a user would, under Wine.
//
// driver.exe <scenario> <program.exe> [file] ... [+ <scenario> [file] ...]...
// Starts the program, finds its dialog, acts on it through window messages (typing into the
// boxes, pressing buttons and keys, the close box) and checks what it shows: texts, enabled
// states, lists, the progress bar, message boxes and their captions. Every wait is bounded, and
// multiplied by E2E_SCALE (for a program run under emulation). Scenarios joined by "+" run one
// after another in one process of the program: each leaves the dialog Ready for the next, and
// only the last one ends the program; the first failed scenario ends the chain.
// Prints one line per failed check and exits 0 when all passed.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_failures = 0;
PROCESS_INFORMATION g_proc = {};
std::string g_exe, g_appName;
std::string g_cwd;         // the program's working folder; empty: the driver's own
DWORD g_scale = 1;         // every wait's bound is multiplied by this
HWND g_running = nullptr;  // the main dialog of the program a chain started
bool g_moreSteps = false;  // another scenario follows: leave the dialog Ready, the program running

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL: %s\n", what.c_str());
    ++g_failures;
  }
}

template <class T>
void CheckEq(const T& actual, const T& expected, const std::string& what) {
  Check(actual == expected, what);
}
void CheckEq(const std::string& actual, const std::string& expected, const std::string& what) {
  Check(actual == expected, what + ": \"" + actual + "\", expected \"" + expected + "\"");
}

// Waits up to ms for cond; false on time-out.
template <class F>
bool WaitFor(F cond, DWORD ms = 30000) {
  DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > ms * g_scale) return false;
    Sleep(10);
  }
  return true;
}

struct Found {
  DWORD pid;
  HWND owner;
  const char* title;
  HWND except;
  HWND hwnd;
};
BOOL CALLBACK FindDialogProc(HWND h, LPARAM lp) {
  Found* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char cls[64];
  GetClassNameA(h, cls, sizeof(cls));
  if (pid != f->pid || std::strcmp(cls, "#32770") || !IsWindowVisible(h)) return TRUE;
  if (f->owner && GetWindow(h, GW_OWNER) != f->owner) return TRUE;
  if (h == f->except) return TRUE;
  if (f->title) {
    char t[256];
    GetWindowTextA(h, t, sizeof(t));
    if (std::strcmp(t, f->title)) return TRUE;
  }
  f->hwnd = h;
  return FALSE;
}
// A visible dialog of the program's process: owned by owner, titled title, not except (each if given).
HWND FindDialog(HWND owner = nullptr, const char* title = nullptr, HWND except = nullptr) {
  Found f = {g_proc.dwProcessId, owner, title, except, nullptr};
  EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&f));
  return f.hwnd;
}

std::string Text(HWND h) {
  char buf[4096] = "";
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
  return buf;
}
std::string Text(HWND dlg, int id) { return Text(GetDlgItem(dlg, id)); }

LRESULT Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(h, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

void SetText(HWND dlg, int id, const std::string& text) {
  Send(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
// A click: the button's own notification, posted so that a handler's modal loop cannot hold us.
void Click(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
// A key, as the keyboard would deliver it to a control of the dialog.
void Key(HWND dlg, int id, UINT vk) { PostMessageA(GetDlgItem(dlg, id), WM_KEYDOWN, vk, 1); }
bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }
int Pos(HWND dlg) { return static_cast<int>(Send(GetDlgItem(dlg, 1006), PBM_GETPOS)); }

std::vector<std::string> Items(HWND dlg, int id) {
  std::vector<std::string> v;
  HWND h = GetDlgItem(dlg, id);
  int n = static_cast<int>(Send(h, CB_GETCOUNT));
  for (int i = 0; i < n; ++i) {
    // Across processes the list text arrives in UTF-16, whatever the box's own character set.
    DWORD_PTR len = 0;
    SendMessageTimeoutW(h, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &len);
    std::vector<wchar_t> buf(len + 1);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG, 5000, &r);
    std::vector<char> text(2 * len + 2);
    WideCharToMultiByte(CP_ACP, 0, buf.data(), -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    v.push_back(text.data());
  }
  return v;
}

std::string ProfilePath();

// Starts the program with the command line's arguments; unless asked to keep it, with no profile
// of an earlier run. In a chain, the program an earlier scenario started.
HWND Launch(bool keepProfile = false, const std::string& args = "") {
  if (g_running) return g_running;
  if (!keepProfile) DeleteFileA(ProfilePath().c_str());
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  std::string cmd = "\"" + g_exe + "\"" + (args.empty() ? "" : " " + args);
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, g_cwd.empty() ? nullptr : g_cwd.c_str(),
                      &si, &g_proc)) {
    Check(false, "start " + g_exe);
    return nullptr;
  }
  HWND dlg = nullptr;
  Check(WaitFor([&] { return (dlg = FindDialog(nullptr, "Varnok - Version 1.3 (Beta)")) != nullptr; }),
        "the main dialog appears");
  return g_running = dlg;
}

bool Exited(DWORD ms = 20000) { return WaitForSingleObject(g_proc.hProcess, ms * g_scale) == WAIT_OBJECT_0; }

void Finish() {
  if (g_proc.hProcess) {
    if (!Exited(0)) TerminateProcess(g_proc.hProcess, 99);  // our own child, never anything else
    CloseHandle(g_proc.hProcess);
    CloseHandle(g_proc.hThread);
  }
}

// Waits for a message box owned by the dialog, checks it and presses OK.
void ExpectMessageBox(HWND dlg, const std::string& text) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindDialog(dlg)) != nullptr; }, 15000)) {
    Check(false, "message box \"" + text + "\" appears");
    return;
  }
  CheckEq(Text(box), g_appName, "message box caption");
  CheckEq(Text(box, 0xFFFF), text, "message box text");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  Check(WaitFor([&] { return !IsWindow(box); }), "message box closes");
}

// Back in the Ready state (its details are the host tests' business).
void ExpectReady(HWND dlg) {
  CheckEq(Text(dlg, 1007), std::string("Status:Ready"), "status when Ready");
  Check(Enabled(dlg, 1011) && Enabled(dlg, 1002), "inputs enabled when Ready");
}

bool IsBusy(HWND dlg) { return !Enabled(dlg, 1011); }

// ---- the demo console's receipt, kept in the demo's profile ----
std::string ProfilePath() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, sizeof(dir));
  return std::string(dir) + "\\" + g_appName + ".INI";
}
std::string Receipt(const char* key) {
  char buf[256] = "";
  GetPrivateProfileStringA("DemoConsole", key, "", buf, sizeof(buf), ProfilePath().c_str());
  return buf;
}
// The receipt of an earlier run must not pass for this one's.
void ClearReceipt() { WritePrivateProfileStringA("DemoConsole", nullptr, nullptr, ProfilePath().c_str()); }
std::string FileFnv(const std::string& path, DWORD* pLength) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD hash = 2166136261u, total = 0;
  unsigned char buf[4096];
  DWORD n = 0;
  while (h != INVALID_HANDLE_VALUE && ReadFile(h, buf, sizeof(buf), &n, nullptr) && n) {
    for (DWORD i = 0; i < n; ++i) hash = (hash ^ buf[i]) * 16777619u;
    total += n;
  }
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  *pLength = total;
  char s[16];
  std::snprintf(s, sizeof(s), "%08lx", static_cast<unsigned long>(hash));
  return s;
}

// The console received the file whole at 06004000, and the checksum bytes matched its sum.
void ExpectReceived(const std::string& file, const std::string& what) {
  DWORD length = 0;
  std::string fnv = FileFnv(file, &length);
  CheckEq(Receipt("Address") + " " + Receipt("Length") + " " + Receipt("DataFnv1a") + " " + Receipt("Matched"),
          "06004000 " + std::to_string(length) + " " + fnv + " 1", what + ": address, length, data, checksum");
}

// ---- scenarios ----

void StartState() {
  HWND dlg = Launch();
  if (!dlg) return;
  ExpectReady(dlg);
  CheckEq(Text(dlg, 1000), std::string("310"), "Port box on 310");
  Check(Items(dlg, 1000) == std::vector<std::string>({"300", "310", "320", "330"}), "Port box items");
  CheckEq(Text(dlg, 1002), std::string(""), "File box empty");
  CheckEq(Text(dlg, 1016), std::string(""), "Address box empty");
  if (g_moreSteps) return;
  Key(dlg, 1002, VK_ESCAPE);
  Check(Exited(), "Esc while Ready ends the program");
  DWORD code = 1;
  GetExitCodeProcess(g_proc.hProcess, &code);
  CheckEq(static_cast<int>(code), 0, "exit code");
}

void Validation(const std::string& file) {
  HWND dlg = Launch();
  if (!dlg) return;
  // The system's own file functions: a missing file cannot be opened, an existing one can.
  SetText(dlg, 1002, file + ".missing");
  SetText(dlg, 1016, "100");
  Click(dlg, 1011);
  ExpectMessageBox(dlg, "Open Error");
  SetText(dlg, 1002, file);
  SetText(dlg, 1016, "");
  Click(dlg, 1011);
  ExpectMessageBox(dlg, "No Start Address");
  ExpectReady(dlg);
  CheckEq(Text(dlg, 1002), file, "File box keeps its text");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close while Ready ends the program");
}

void BrowseCancelled() {
  HWND dlg = Launch();
  if (!dlg) return;
  SetText(dlg, 1002, "C:\\before.bin");
  Click(dlg, 1004);
  HWND open = nullptr;
  // Owned by the main window, which is disabled meanwhile.
  Check(WaitFor([&] { return (open = FindDialog(dlg)) != nullptr; }), "the open-file dialog appears, owned");
  Check(!IsWindowEnabled(dlg), "the main window is disabled while the open-file dialog is open");
  if (open) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
  Check(WaitFor([&] { return !IsWindow(open); }), "the open-file dialog closes");
  CheckEq(Text(dlg, 1002), std::string("C:\\before.bin"), "File box unchanged after Cancel");
  Check(IsWindowEnabled(dlg) != FALSE, "the main window is enabled again");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "the program ends");
}

// Starts the demo with a fresh receipt and presses Execute for the file at 6004000.
HWND StartUpload(const std::string& file) {
  ClearReceipt();
  HWND dlg = Launch();
  if (!dlg) return nullptr;
  SetText(dlg, 1002, file);
  SetText(dlg, 1016, "6004000");
  Click(dlg, 1011);
  return dlg;
}

// A full transfer through the real window and its message pump; Execute to Ready is timed (with
// a card that answers at once, that is the program's own time).
void Transfer(const std::string& file) {
  HWND dlg = StartUpload(file);
  DWORD start = GetTickCount();
  if (!dlg) return;
  Check(WaitFor([&] { return IsBusy(dlg); }), "Busy after Execute");
  Check(WaitFor([&] { return !IsBusy(dlg); }, 120000), "the transfer ends");
  std::printf("execute-to-ready: %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
  ExpectReady(dlg);

  ExpectReceived(file, "the upload");
  std::printf("received: address %s, %s bytes (fnv1a %s), checksum bytes %s\n", Receipt("Address").c_str(),
              Receipt("Received").c_str(), Receipt("DataFnv1a").c_str(), Receipt("Checksum").c_str());
  if (g_moreSteps) return;
  Key(dlg, 1002, VK_ESCAPE);
  Check(Exited(), "Esc while Ready ends the program");
}

// Stop mid-transfer: by the button, Esc, or the close box.
void Stop(const std::string& file, const std::string& how) {
  HWND dlg = StartUpload(file);
  if (!dlg) return;
  Check(WaitFor([&] { return Text(dlg, 1007) == "Status:Sending data..."; }), "sending");
  if (how == "button")
    Click(dlg, 2);
  else if (how == "escape")
    Key(dlg, 2, VK_ESCAPE);
  else
    PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
  Check(WaitFor([&] { return !IsBusy(dlg); }, 10000), "Ready again after Stop (" + how + ")");
  Check(IsWindow(dlg) != FALSE, "the window stays open after Stop");
  ExpectReady(dlg);
  CheckEq(Receipt("Transfers"), std::string(""), "the console completed nothing");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close while Ready ends the program");
}

// ---- the About box ----

HWND OpenAbout(HWND dlg) {
  PostMessageA(dlg, WM_SYSCOMMAND, 0x1000, 0);
  HWND about = nullptr;
  Check(WaitFor([&] { return (about = FindDialog(nullptr, "VARNOK")) != nullptr; }, 15000), "the About box opens");
  return about;
}

// The rectangle, on the screen, that control 1013 (6, 7, 39, 42 in dialog units) occupied: the
// dialog's base units found from the OK button (42, 83, 50, 14).
bool IconFrame(HWND about, RECT* frame) {
  RECT ok;
  GetWindowRect(GetDlgItem(about, IDOK), &ok);
  POINT origin = {0, 0};
  ClientToScreen(about, &origin);
  int okLeft = ok.left - origin.x, okTop = ok.top - origin.y;
  int okWidth = ok.right - ok.left, okHeight = ok.bottom - ok.top;
  int bx = 0, by = 0;
  for (int b = 1; b < 64 && !bx; ++b)
    if (MulDiv(42, b, 4) == okLeft && MulDiv(50, b, 4) == okWidth) bx = b;
  for (int b = 1; b < 64 && !by; ++b)
    if (MulDiv(83, b, 8) == okTop && MulDiv(14, b, 8) == okHeight) by = b;
  if (!bx || !by) return false;
  frame->left = origin.x + MulDiv(6, bx, 4);
  frame->top = origin.y + MulDiv(7, by, 8);
  frame->right = frame->left + MulDiv(39, bx, 4);
  frame->bottom = frame->top + MulDiv(42, by, 8);
  return true;
}

// The icon's 32 x 32 pixels on the button face, drawn here from the program's own resources.
std::vector<COLORREF> IconPixels() {
  std::vector<COLORREF> px;
  HMODULE module = LoadLibraryExA(g_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HICON icon = module ? static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(107), IMAGE_ICON, 32, 32, 0)) : nullptr;
  if (!icon) return px;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(mem, bmp);
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  RECT r = {0, 0, 32, 32};
  FillRect(mem, &r, face);
  DrawIcon(mem, 0, 0, icon);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) px.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(face);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  FreeLibrary(module);
  return px;
}

// Every icon pixel is a hard-edged block of the frame: the block's middle has the pixel's colour,
// and nothing in the frame has a colour the icon does not (smoothing would blend them).
bool MeasureEnlargedIcon(HWND about, int* pWrong, int* pForeign) {
  RECT f;
  if (!IconFrame(about, &f)) return false;
  std::vector<COLORREF> icon = IconPixels();
  if (icon.size() != 1024) return false;
  int w = f.right - f.left, h = f.bottom - f.top;
  HDC screen = GetDC(nullptr);
  int wrong = 0;
  for (int j = 0; j < 32; ++j)
    for (int i = 0; i < 32; ++i) {
      int x = f.left + (2 * i + 1) * w / 64, y = f.top + (2 * j + 1) * h / 64;
      if (GetPixel(screen, x, y) != icon[j * 32 + i]) ++wrong;
    }
  int foreign = 0;
  for (int y = f.top; y < f.bottom; ++y)
    for (int x = f.left; x < f.right; ++x) {
      COLORREF c = GetPixel(screen, x, y);
      bool known = false;
      for (COLORREF k : icon) known = known || k == c;
      if (!known) ++foreign;
    }
  ReleaseDC(nullptr, screen);
  *pWrong = wrong;
  *pForeign = foreign;
  return true;
}

void CheckEnlargedIcon(HWND about, const std::string& when) {
  // Painting may lag behind on a busy machine: wait for it, within bounds.
  int wrong = -1, foreign = -1;
  bool measured = false;
  WaitFor([&] { return (measured = MeasureEnlargedIcon(about, &wrong, &foreign)) && wrong == 0 && foreign == 0; },
          10000);
  Check(measured, "find the icon frame and the icon " + when);
  CheckEq(wrong, 0, "icon blocks of the wrong colour " + when);
  CheckEq(foreign, 0, "pixels of colours not in the icon (smoothing) " + when);
}

// ---- every static text fits its control ----

// Every static text of the dialog dlg (made from template id) fits its control in the dialog's
// font: wrapped where the control wraps, on one line where it is one line high. The texts are the
// program's, as shown now, and for the status line every status the program shows. A font cannot
// cross processes: it and the controls' client rectangles come from a hidden copy of the template
// made here from the program's own resources, whose controls must measure as the program's do.
void CheckTextsFit(HWND dlg, int id) {
  HMODULE module = LoadLibraryExA(g_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HWND copy = module ? CreateDialogParamA(
                           module, MAKEINTRESOURCEA(id), nullptr,
                           [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0)
                     : nullptr;
  Check(copy != nullptr, "a copy of dialog " + std::to_string(id) + " from the program's resources");
  if (!copy) return;
  HDC dc = GetDC(copy);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(copy, WM_GETFONT, 0, 0)));
  for (HWND c = GetWindow(copy, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[32];
    GetClassNameA(c, cls, sizeof(cls));
    LONG type = GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK;
    if (_stricmp(cls, "Static") ||
        (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE))
      continue;
    int ctl = GetDlgCtrlID(c);
    HWND live = GetDlgItem(dlg, ctl);
    RECT box, liveBox;
    GetClientRect(c, &box);
    GetClientRect(live, &liveBox);
    Check(live && liveBox.right == box.right && liveBox.bottom == box.bottom,
          "control " + std::to_string(ctl) + " measures as the program's");
    std::vector<std::string> texts(1, Text(live));
    if (ctl == 1007)
      for (int s = 10; s <= 15; ++s) {
        char buf[256] = "";
        LoadStringA(module, s, buf, sizeof(buf));
        texts.push_back(buf);
      }
    bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    for (const std::string& t : texts) {
      RECT need = {0, 0, box.right, 0};
      DrawTextA(dc, t.c_str(), -1, &need, DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
      char line[384];
      std::snprintf(line, sizeof(line), "control %d \"%s\": needs %ld x %ld pixels of %ld x %ld", ctl, t.c_str(),
                    static_cast<long>(need.right), static_cast<long>(need.bottom), static_cast<long>(box.right),
                    static_cast<long>(box.bottom));
      std::printf("fit: %s\n", line);
      Check(need.right <= box.right && need.bottom <= box.bottom, std::string("text fits: ") + line);
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(copy, dc);
  DestroyWindow(copy);
  FreeLibrary(module);
}

void About(const std::string& note) {
  HWND dlg = Launch();
  if (!dlg) return;
  HWND about = OpenAbout(dlg);
  if (!about) return;
  CheckEq(Text(about, 1009), note, "About: the program's own line");
  Check(GetDlgItem(about, 1013) == nullptr, "About: the icon frame control is gone");
  CheckEnlargedIcon(about, "when the box opens");
  CheckTextsFit(dlg, 101);
  CheckTextsFit(about, 103);

  // Covered by another window and uncovered again: painted anew.
  RECT r;
  GetWindowRect(about, &r);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  UpdateWindow(cover);
  Sleep(300);
  DestroyWindow(cover);
  Sleep(500);
  CheckEnlargedIcon(about, "after being uncovered");

  PostMessageA(about, WM_COMMAND, IDOK, 0);
  Check(WaitFor([&] { return !IsWindow(about); }), "OK closes the About box");
  if (g_moreSteps) return;
  // The close command of the system menu reaches the cancel command: Ready, so it saves and ends.
  DeleteFileA(ProfilePath().c_str());
  PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
  Check(Exited(), "the system menu's Close ends the program");
  Check(GetPrivateProfileIntA("Config", "PortNo", -5, ProfilePath().c_str()) == 1, "the profile was written");
}

// The About box opened during a transfer holds it; the transfer completes after OK.
void AboutMidTransfer(const std::string& file) {
  HWND dlg = StartUpload(file);
  if (!dlg) return;
  Check(WaitFor([&] { return Text(dlg, 1007) == "Status:Sending data..."; }), "sending");
  HWND about = OpenAbout(dlg);
  if (!about) return;
  Check(GetWindow(about, GW_OWNER) == dlg && !IsWindowEnabled(dlg),
        "the About box is owned by the disabled main window");
  int held = Pos(dlg);
  Sleep(1500);
  CheckEq(Pos(dlg), held, "progress stands still while the About box is open");
  Check(IsBusy(dlg), "still Busy while the About box is open");
  PostMessageA(about, WM_COMMAND, IDOK, 0);
  Check(WaitFor([&] { return !IsBusy(dlg); }, 60000), "the transfer goes on and ends");
  Check(IsWindowEnabled(dlg) != FALSE, "the main window is enabled again");
  ExpectReceived(file, "the upload after the About box");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close ends the program");
}

// The real program with no way to the ports (no driver library beside it, maybe one planted in
// its working folder): Execute refuses, records nothing and loads nothing.
void PortRefused(const std::string& file, const std::string& cwd, bool libraryFound = false) {
  g_cwd = cwd;
  ClearReceipt();
  HWND dlg = Launch();
  if (!dlg) return;
  SetText(dlg, 1002, file);
  SetText(dlg, 1016, "6004000");
  Click(dlg, 1011);
  ExpectMessageBox(dlg, "Port Access Error");
  ExpectReady(dlg);
  CheckEq(Receipt("LibraryLoaded"), std::string(libraryFound ? "1" : ""),
          libraryFound ? "the library was found (its driver is not open)" : "no port-I/O library was loaded");
  Check(Items(dlg, 1002).empty(), "nothing recorded in the recent files");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close ends the program");
  CheckEq(GetPrivateProfileIntA("Config", "RecentFiles", -1, ProfilePath().c_str()), 0u, "the saved list is empty");
}

// ---- a file handed over as Explorer does ----

// Drops a file on the dialog's File box, as an X file manager does (Wine makes it WM_DROPFILES):
// through the drop server that e2e.sh runs beside the driver (tests/wine/xdrop.py). The dialog is
// moved away from where windows open and made topmost first: no other test's window is under the
// pointer.
void DropFile(HWND dlg, const std::string& file) {
  const char* folder = std::getenv("E2E_DROPS");
  if (!folder) {
    Check(false, "E2E_DROPS names the drop server's folder");
    return;
  }
  std::string dir = std::string("Z:") + folder;
  std::replace(dir.begin(), dir.end(), '/', '\\');
  SetWindowPos(dlg, HWND_TOPMOST, 440, 480, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(GetDlgItem(dlg, 1002), &r);
  std::string request =
      std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2) + " " + file;
  if (FILE* f = std::fopen((dir + "\\request.tmp").c_str(), "wb")) {
    std::fputs(request.c_str(), f);
    std::fclose(f);
  }
  MoveFileA((dir + "\\request.tmp").c_str(), (dir + "\\request").c_str());
  Check(WaitFor([&] { return GetFileAttributesA((dir + "\\request").c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000),
        "the drop server dropped " + file);
}

// The file named on the command line (a relative name: in the folder the program starts in) is in
// the File box; a file dropped while Ready replaces it; one dropped while Busy changes nothing;
// only Execute sends and records. F1 stays a quiet no-op.
void OpenFile(const std::string& sample) {
  size_t slash = sample.find_last_of('\\');
  g_cwd = sample.substr(0, slash);
  std::string given = g_cwd + "\\given file.bin";
  if (FILE* f = std::fopen(given.c_str(), "wb")) {
    for (int i = 0; i < 3000; ++i) std::fputc(i * 7, f);
    std::fclose(f);
  }
  ClearReceipt();
  HWND dlg = Launch(false, "\"given file.bin\" second");
  if (!dlg) return;
  CheckEq(Text(dlg, 1002), given, "the file named on the command line, as a full path");
  DropFile(dlg, sample);
  Check(WaitFor([&] { return Text(dlg, 1002) == sample; }, 10000), "a file dropped while Ready goes into the File box");
  Key(dlg, 1002, VK_F1);
  Sleep(500);
  Check(!FindDialog(dlg) && !FindDialog(nullptr, nullptr, dlg), "F1 opens nothing");
  CheckEq(Receipt("Transfers"), std::string(""), "nothing sent before Execute");
  Check(Items(dlg, 1002).empty(), "nothing recorded before Execute");

  SetText(dlg, 1016, "6004000");
  Click(dlg, 1011);
  Check(WaitFor([&] { return Text(dlg, 1007) == "Status:Sending data..."; }), "sending");
  DropFile(dlg, given);
  Sleep(300);
  Check(IsBusy(dlg), "the drop came while Busy");
  Check(WaitFor([&] { return !IsBusy(dlg); }, 60000), "the transfer ends");
  CheckEq(Text(dlg, 1002), sample, "a file dropped while Busy changes nothing");
  ExpectReceived(sample, "the dropped file");
  Check(Items(dlg, 1002) == std::vector<std::string>({sample}), "Execute recorded it");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close ends the program");
}

// The profile a host build wrote: shown as it was saved, and saved again on Close.
void Profile() {
  HWND dlg = Launch(true);
  if (!dlg) return;
  CheckEq(Text(dlg, 1000), std::string("330"), "Port box from PortNo=3");
  std::string longPath = "C:\\" + std::string(1500, 'L') + ".bin";
  Check(Items(dlg, 1002) == std::vector<std::string>({"C:\\GAMES\\HELLO.BIN", longPath}),
        "File box list from the profile");
  CheckEq(Text(dlg, 1002), std::string("C:\\GAMES\\HELLO.BIN"), "File box text");
  Check(Items(dlg, 1016) == std::vector<std::string>({"06004000", "00200000"}), "Address box list from the profile");
  if (g_moreSteps) return;
  Click(dlg, 2);
  Check(Exited(), "Close while Ready ends the program");
}

}  // namespace

void RunScenario(const std::string& scenario, const std::string& file, const std::string& extra) {
  if (scenario == "start-state")
    StartState();
  else if (scenario == "validation")
    Validation(file);
  else if (scenario == "browse-cancel")
    BrowseCancelled();
  else if (scenario == "transfer")
    Transfer(file);
  else if (scenario == "stop")
    Stop(file, extra);
  else if (scenario == "profile")
    Profile();
  else if (scenario == "port-refused")
    PortRefused(file, extra);
  else if (scenario == "driver-closed")
    PortRefused(file, "", true);
  else if (scenario == "about")
    About(file);
  else if (scenario == "open-file")
    OpenFile(file);
  else if (scenario == "about-mid-transfer")
    AboutMidTransfer(file);
  else
    Check(false, "unknown scenario " + scenario);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: driver <scenario> <program.exe> [file] [extra] [+ <scenario> [file] [extra]]...\n");
    return 2;
  }
  g_exe = argv[2];
  size_t slash = g_exe.find_last_of("\\/");
  g_appName = g_exe.substr(slash == std::string::npos ? 0 : slash + 1);
  if (g_appName.size() > 4 && !_stricmp(g_appName.c_str() + g_appName.size() - 4, ".exe"))
    g_appName.resize(g_appName.size() - 4);
  if (const char* scale = std::getenv("E2E_SCALE"))
    if (std::atoi(scale) > 1) g_scale = static_cast<DWORD>(std::atoi(scale));

  // The scenarios and their arguments: argv[1] and argv[3...], "+" between two scenarios.
  std::vector<std::vector<std::string>> steps(1, std::vector<std::string>(1, argv[1]));
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "+"))
      steps.emplace_back();
    else
      steps.back().push_back(argv[i]);
  }
  std::string chain;
  for (size_t i = 0; i < steps.size() && !g_failures; ++i) {
    std::vector<std::string>& step = steps[i];
    step.resize(std::max<size_t>(step.size(), 3));
    chain += (i ? "+" : "") + step[0];
    g_moreSteps = i + 1 < steps.size();
    RunScenario(step[0], step[1], step[2]);
  }
  Finish();
  std::printf("%s: %s\n", chain.c_str(), g_failures ? "FAILED" : "passed");
  return g_failures ? 1 : 0;
}
