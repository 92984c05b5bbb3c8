// Driver.cpp - drives a Windows program from outside, as a user would, under Wine.
//
// driver.exe <scenario> <program.exe> [args...] [+ <scenario> [args...]]...
// Runs scenarios of the table that E2E_SCENARIOS names (tests/wine/scenarios.txt, whose top
// explains the steps) against the program: starts it, acts on its windows through window messages
// and checks what they show. Every wait is bounded, the bound multiplied by E2E_SCALE (for a
// program run under emulation). Scenarios joined by "+" run in one process of the program: each
// leaves the dialog Ready, only the last one runs its steps after "end", and the first failed one
// ends the chain. Unix paths (/...) in the arguments reach the program as Wine names them (Z:\...).
// Prints one line per failed check and exits 0 when all passed.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "portio/sim/SimBus.h"

namespace {

using std::string;
using std::to_string;
std::atomic<int> g_failures{0};
PROCESS_INFORMATION g_proc = {};
string g_exe, g_app, g_cwd, g_output;  // the program, its name, its working folder, a console program's output
HMODULE g_module = nullptr;            // the program's resources
DWORD g_scale = 1;
DWORD g_executed = 0;             // when Execute was last pressed
std::vector<HWND> g_windows;      // the main dialog, then the windows opened above it; steps act on the last
std::vector<string> g_scenarios;  // the table's lines

// A console program's output, read as it comes on a thread of its own.
SRWLOCK g_outputLock = SRWLOCK_INIT;
string Output() {
  AcquireSRWLockExclusive(&g_outputLock);
  string out = g_output;
  ReleaseSRWLockExclusive(&g_outputLock);
  return out;
}
DWORD WINAPI ReadOutput(LPVOID read) {
  char buf[4096];
  for (DWORD n; ReadFile(read, buf, sizeof(buf), &n, nullptr) && n;) {
    AcquireSRWLockExclusive(&g_outputLock);
    g_output.append(buf, n);
    ReleaseSRWLockExclusive(&g_outputLock);
  }
  CloseHandle(read);
  return 0;
}

bool Check(bool ok, const string& what) { return ok || (std::printf("FAIL: %s\n", what.c_str()), ++g_failures, false); }

// The link card of Windows 95 and 98 (step "card"): the program runs under this driver as its
// debugger, each IN or OUT it executes faults before any I/O (Wine gives no program a right to
// the ports), and the card answers it from the simulated bus: a byte, at 310 or 312 (the base the
// Port box shows at the start, and base + 2). Anything else the program's code faults on ends the
// run (g_faulted). The card is changed only while the program waits for a click, never during a
// transfer, and never deleted.
std::atomic<CSimBus*> g_bus{nullptr};
std::atomic<bool> g_faulted{false};
string g_cmd, g_profile;  // the program's command line, its profile (where the card's receipt goes too)
SIZE_T g_shift = 0;       // how far above the addresses given the program's memory lies
HANDLE g_startedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
#ifdef _WIN64
#define REG(r) R##r
#else
#define REG(r) E##r
#endif

// Under qemu-user the i686 program lies above the addresses the debugger is given (by qemu's guest
// base), where Wine's own note in its PEB that it is debugged misses too: found by the image's
// "MZ", and the note made here.
void Attach(BYTE* image) {
  WORD mz = 0;
  for (g_shift = 0; g_shift <= 0x100000; g_shift += 0x1000)
    if (ReadProcessMemory(g_proc.hProcess, image + g_shift, &mz, 2, nullptr) && mz == IMAGE_DOS_SIGNATURE) break;
  PROCESS_BASIC_INFORMATION info = {};
  NtQueryInformationProcess(g_proc.hProcess, ProcessBasicInformation, &info, sizeof(info), nullptr);
  BYTE* peb = static_cast<BYTE*>(static_cast<void*>(info.PebBaseAddress)) + g_shift;
  if (mz == IMAGE_DOS_SIGNATURE) WriteProcessMemory(g_proc.hProcess, peb + 2, "\1", 1, nullptr);  // else: no events
}

// The card's answer to an exception: an IN or OUT of a byte (EC in al,dx; EE out dx,al; E4, E6 the
// same with an 8-bit port) of the program's main thread at one of its registers, executed for it;
// false for anything else.
bool Answer(const DEBUG_EVENT& e) {
  const EXCEPTION_RECORD& x = e.u.Exception.ExceptionRecord;
  BYTE op[2] = {};
  ReadProcessMemory(g_proc.hProcess, static_cast<BYTE*>(x.ExceptionAddress) + g_shift, op, 2, nullptr);
  CONTEXT c = {};
  c.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  GetThreadContext(g_proc.hThread, &c);
  UINT port = op[0] & 8 ? static_cast<WORD>(c.REG(dx)) : op[1];
  char what[160];
  std::snprintf(what, sizeof(what), "the program's exception %08lx at %p, instruction %02x %02x, port %x",
                x.ExceptionCode, x.ExceptionAddress, op[0], op[1], port);
  bool io = x.ExceptionCode == EXCEPTION_PRIV_INSTRUCTION || x.ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION;
  bool ok = Check(io && (op[0] | 0x0A) == 0xEE && (port == 0x310 || port == 0x312) && e.dwThreadId == g_proc.dwThreadId,
                  what);
  if (ok && (op[0] & 2)) g_bus.load()->Out(port, static_cast<BYTE>(c.REG(ax)));
  if (ok && !(op[0] & 2)) c.REG(ax) = (c.REG(ax) & ~0xFF) | g_bus.load()->In(port);
  c.REG(ip) += op[0] & 8 ? 1 : 2;
  return ok && SetThreadContext(g_proc.hThread, &c);
}

// Starts the program with g_cmd, its output to out (if given). Under the card, on a thread of its
// own that then debugs it to its end (the debug events go to the thread that started it): the
// loader's breakpoint is its first exception, information (below 0x80000000) passes, a fault
// ends it. Such a start, when it fails before any of the program's code ran (Wine, rarely: error
// 1359), is tried once more.
DWORD WINAPI Launch(LPVOID out) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = out ? STARTF_USESTDHANDLES : 0;
  si.hStdOutput = si.hStdError = out;
  for (int tries = g_bus ? 2 : 1; tries-- && !CreateProcessA(nullptr, &g_cmd[0], nullptr, nullptr, out != nullptr,
                                                             g_bus ? DEBUG_ONLY_THIS_PROCESS : 0, nullptr,
                                                             g_cwd.empty() ? nullptr : g_cwd.c_str(), &si, &g_proc);)
    std::printf("start failed (error %lu)\n", GetLastError());
  SetEvent(g_startedEvent);
  bool loaded = false;
  for (DEBUG_EVENT e = {}; g_bus && g_proc.hProcess && e.dwDebugEventCode != EXIT_PROCESS_DEBUG_EVENT;) {
    WaitForDebugEvent(&e, INFINITE);
    DWORD code = e.dwDebugEventCode == EXCEPTION_DEBUG_EVENT ? e.u.Exception.ExceptionRecord.ExceptionCode : 0;
    if (e.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
      Attach(static_cast<BYTE*>(e.u.CreateProcessInfo.lpBaseOfImage));
    bool fault = code >= 0x80000000u && !(code == EXCEPTION_BREAKPOINT && !loaded) && !Answer(e);
    if (fault) g_faulted = TerminateProcess(g_proc.hProcess, 98);
    loaded |= code == EXCEPTION_BREAKPOINT;
    ContinueDebugEvent(e.dwProcessId, e.dwThreadId,
                       code && (fault || code < 0x80000000u) ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
  }
  return 0;
}

template <class F>
bool WaitFor(F cond, DWORD ms = 30000) {
  for (DWORD start = GetTickCount(); !cond(); Sleep(10))
    if (g_faulted || GetTickCount() - start > ms * g_scale) return false;
  return true;
}

string Wine(string path) {  // a Unix path as Wine names it
  if (path.empty() || path[0] != '/') return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

string Replace(string s, const string& from, const string& to) {
  for (size_t at = s.find(from); at != string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

// A visible dialog of the program's process: owned by owner (if given), not except.
HWND FindDialog(HWND owner, HWND except = nullptr) {
  for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, "#32770", nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == g_proc.dwProcessId && IsWindowVisible(h) && h != except && (!owner || GetWindow(h, GW_OWNER) == owner))
      return h;
  }
  return nullptr;
}

// (A program that looked at no message for a while, as during a transfer with a card that answers
// at once, is taken for hung: it is given time all the same.)
string Text(HWND h) {
  char buf[4096] = "";
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000, nullptr);
  return buf;
}

bool Start(const string& args, HANDLE out = nullptr) {
  g_cmd = "\"" + g_exe + "\"" + (args.empty() ? "" : " " + args);
  g_proc = {};
  g_bus ? CloseHandle(CreateThread(nullptr, 0, Launch, out, 0, nullptr)) : Launch(out);
  return Check(WaitForSingleObject(g_startedEvent, INFINITE) == WAIT_OBJECT_0 && g_proc.hProcess, "start " + g_cmd);
}

// A hidden copy of dialog template id, made here from the program's own resources (a font cannot
// cross processes): its controls measure as the program's do.
HWND Copy(int id) {
  InitCommonControls();  // the progress bar's class
  HWND copy = CreateDialogParamA(g_module, MAKEINTRESOURCEA(id), nullptr, nullptr, 0);
  Check(copy != nullptr, "a copy of dialog " + to_string(id) + " from the program's resources");
  return copy;
}

// The wrong pixels of the About box's enlarged icon: each of the icon's 32 x 32 pixels (drawn here
// on the button face from the program's own icon) is a hard-edged block of the frame that control
// 1013 marks, whose middle has the pixel's colour, and no pixel of the frame has a colour the icon
// lacks (smoothing would blend them).
int IconFaults(HWND about) {
  HWND copy = Copy(103);
  if (!copy) return -1;
  RECT f;
  HWND frame = GetDlgItem(copy, 1013);
  GetClientRect(frame, &f);
  MapWindowPoints(frame, copy, reinterpret_cast<POINT*>(&f), 2);
  MapWindowPoints(about, nullptr, reinterpret_cast<POINT*>(&f), 2);  // the same place in the About box, on the screen
  DestroyWindow(copy);

  HICON icon = static_cast<HICON>(LoadImageA(g_module, MAKEINTRESOURCEA(107), IMAGE_ICON, 32, 32, 0));
  HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, CreateCompatibleBitmap(screen, 32, 32));
  RECT r = {0, 0, 32, 32};
  FillRect(mem, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawIcon(mem, 0, 0, icon);
  std::vector<COLORREF> px;
  for (int i = 0; i < 32 * 32; ++i) px.push_back(GetPixel(mem, i % 32, i / 32));
  int faults = 0, w = f.right - f.left, h = f.bottom - f.top;
  for (int y = f.top; y < f.bottom; ++y)
    for (int x = f.left; x < f.right; ++x) faults += std::count(px.begin(), px.end(), GetPixel(screen, x, y)) == 0;
  for (int i = 0; i < 32 * 32; ++i)
    faults += GetPixel(screen, f.left + (2 * (i % 32) + 1) * w / 64, f.top + (2 * (i / 32) + 1) * h / 64) != px[i];
  DeleteObject(SelectObject(mem, old));
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  return faults;
}

// Every static text of dlg (made from template id), as shown now and for the status line every
// status the program has, fits its control in the dialog's font: wrapped where the control wraps,
// on one line where it is one line high.
void Fits(HWND dlg, int id) {
  HWND copy = Copy(id);
  if (!copy) return;
  HDC dc = GetDC(copy);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(copy, WM_GETFONT, 0, 0)));
  for (HWND c = GetWindow(copy, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[16];
    GetClassNameA(c, cls, sizeof(cls));
    LONG type = GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK;
    if (_stricmp(cls, "Static") || (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP)) continue;
    int ctl = GetDlgCtrlID(c);
    HWND live = GetDlgItem(dlg, ctl);
    RECT box, liveBox;
    GetClientRect(c, &box);
    GetClientRect(live, &liveBox);
    Check(live && EqualRect(&box, &liveBox), "control " + to_string(ctl) + " measures as the program's");
    std::vector<string> texts(1, Text(live));
    char buf[256];
    for (int s = 10; ctl == 1007 && s <= 15; ++s)  // the statuses' strings
      texts.push_back(LoadStringA(g_module, s, buf, sizeof(buf)) ? buf : "");
    for (const string& t : texts) {
      RECT need = {0, 0, box.right, 0};
      DrawTextA(dc, t.c_str(), -1, &need,
                DT_CALCRECT | DT_EXPANDTABS | (type <= SS_RIGHT ? DT_WORDBREAK : DT_SINGLELINE));
      Check(
          need.right <= box.right && need.bottom <= box.bottom,
          "control " + to_string(ctl) + " \"" + t + "\" fits " + to_string(box.right) + " x " + to_string(box.bottom));
    }
  }
  SelectObject(dc, old);
  ReleaseDC(copy, dc);
  DestroyWindow(copy);
}

// Drops a file on the main dialog's File box as an X file manager does (Wine makes it WM_DROPFILES),
// through the drop server that e2e.sh runs beside the driver (xdrop.py). The dialog moves away from
// where windows open and stays on top first: no other test's window is under the pointer.
void Drop(const string& file) {
  const char* folder = std::getenv("E2E_DROPS");
  if (!Check(folder != nullptr, "E2E_DROPS names the drop server's folder")) return;
  string request = Wine(folder) + "\\request";
  SetWindowPos(g_windows[0], HWND_TOPMOST, 440, 480, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(GetDlgItem(g_windows[0], 1002), &r);
  std::ofstream(request + ".tmp") << (r.left + r.right) / 2 << ' ' << (r.top + r.bottom) / 2 << ' ' << file;
  MoveFileA((request + ".tmp").c_str(), request.c_str());
  Check(WaitFor([&] { return GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000),
        "the drop server dropped " + file);
}

// One step; false ends the scenario (a window it needs is not there).
bool Step(const string& verb, const string& rest) {
  size_t blank = rest.find(' ');
  string text = blank == string::npos ? "" : rest.substr(blank + 1);  // after the control's id
  HWND& main = g_windows[0];
  HWND win = g_windows.back(), ctl = GetDlgItem(win, std::atoi(rest.c_str()));
  if (verb == "cwd") {
    g_cwd = rest;
  } else if (verb == "launch" || verb == "launch-keep") {
    if (main)
      return WritePrivateProfileStringA("DemoConsole", nullptr, nullptr, g_profile.c_str()), true;  // no receipt
    if (verb == "launch") DeleteFileA(g_profile.c_str());
    return Start(rest) && Check(WaitFor([&] { return (main = FindDialog(nullptr)) != nullptr; }), "the dialog appears");
  } else if (verb == "console") {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read, write;
    CreatePipe(&read, &write, &inherit, 0);
    bool started = Start(rest, write);
    CloseHandle(write);
    started ? CloseHandle(CreateThread(nullptr, 0, ReadOutput, read, 0, nullptr)) : CloseHandle(read);
    return started;
  } else if (verb == "output") {
    string out;
    Check(WaitFor([&] { return (out = Output()).find(rest) != string::npos; }),
          "the output holds \"" + rest + "\":\n" + out);
  } else if (verb == "exits") {
    DWORD code = 259;
    Check(WaitForSingleObject(g_proc.hProcess, 20000 * g_scale) == WAIT_OBJECT_0, "the program ends");
    GetExitCodeProcess(g_proc.hProcess, &code);
    Check(code == static_cast<DWORD>(std::atoi(rest.c_str())), "exit code " + to_string(code));
  } else if (verb == "card") {  // [busy polls] [wrong|absent]
    CSimBus* bus = new CSimBus(rest.find("wrong") == string::npos ? CSimBus::kFast : CSimBus::kBadChecksum,
                               rest.find("absent") == string::npos ? 0x310 : 0x300);  // never deleted: in use
    bus->Console().m_config.nBusyPolls = std::atoi(rest.c_str());
    bus->SetReceiptProfile(g_profile.c_str());
    bus->Console().m_config.bRecordAccesses = TRUE;
    g_bus = bus;
  } else if (verb == "accesses") {  // per byte written to the card
    const CSimConsole& card = g_bus.load()->Console();
    Check(card.GetWriteCount() > 0 && card.GetAccesses().GetSize() == std::atoi(rest.c_str()) * card.GetWriteCount(),
          "the card: " + to_string(card.GetAccesses().GetSize()) + " accesses for " + to_string(card.GetWriteCount()));
  } else if (verb == "set") {
    SendMessageTimeoutA(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
  } else if (verb == "click") {  // the button's own notification, posted: a handler's modal loop cannot hold us
    if (ctl == GetDlgItem(main, 1011)) g_executed = GetTickCount();
    PostMessageA(win, WM_COMMAND, MAKEWPARAM(std::atoi(rest.c_str()), BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
  } else if (verb == "key") {  // the focus on the control, as after a click there, then the key
    UINT vk = text == "esc" ? VK_ESCAPE : text == "enter" ? VK_RETURN : text == "f1" ? VK_F1 : 0;
    SendMessageTimeoutA(win, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ctl), TRUE, SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageA(ctl, WM_KEYDOWN, vk, 1);
    return Check(vk != 0, "a key named " + text);
  } else if (verb == "sysmenu") {
    PostMessageA(win, WM_SYSCOMMAND, rest == "about" ? 0x1000 : SC_CLOSE, 0);
  } else if (verb == "owned" || verb == "box") {
    HWND box = nullptr;
    if (!Check(WaitFor([&] { return (box = FindDialog(win)) != nullptr; }, 15000), verb + " " + rest + " appears"))
      return false;
    Check(!IsWindowEnabled(win), "its owner is disabled meanwhile");
    if (verb == "owned") {
      Check(rest.empty() || Text(box) == rest, "the window's title: " + Text(box));
      g_windows.push_back(box);
      return true;
    }
    Check(Text(box) == g_app && Text(GetDlgItem(box, 0xFFFF)) == rest,
          "a message box \"" + Text(box) + "\": \"" + Text(GetDlgItem(box, 0xFFFF)) + "\"");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return Check(WaitFor([&] { return !IsWindow(box); }), "the message box closes");
  } else if (verb == "dismiss") {
    PostMessageA(win, WM_COMMAND, std::atoi(rest.c_str()), 0);
    g_windows.pop_back();
    Check(WaitFor([&] { return !IsWindow(win); }), "the window closes");
    Check(IsWindowEnabled(g_windows.back()) != FALSE, "its owner is enabled again");
  } else if (verb == "text") {
    Check(WaitFor([&] { return Text(ctl) == text; }, 10000), rest + ": \"" + Text(ctl) + "\"");
  } else if (verb == "busy") {
    Check(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(main, 1011)); }), "Busy");
  } else if (verb == "ready") {
    Check(WaitFor([&] { return IsWindowEnabled(GetDlgItem(main, 1011)) != FALSE; }, 120000), "Ready again");
    if (rest == "timed")
      std::printf("execute-to-ready: %lu ms\n", static_cast<unsigned long>(GetTickCount() - g_executed));
    Check(Text(GetDlgItem(main, 1007)) == "Status:Ready" && IsWindowEnabled(GetDlgItem(main, 1002)),
          "Ready: \"" + Text(GetDlgItem(main, 1007)) + "\", the inputs enabled");
  } else if (verb == "holds") {
    LRESULT pos = SendMessageA(GetDlgItem(main, 1006), PBM_GETPOS, 0, 0);
    Sleep(1500);
    Check(!IsWindowEnabled(GetDlgItem(main, 1011)) && SendMessageA(GetDlgItem(main, 1006), PBM_GETPOS, 0, 0) == pos,
          "Busy, the progress standing still");
  } else if (verb == "profile") {  // <section> <key> [value]
    size_t end = text.find(' ');
    char got[256] = "";
    GetPrivateProfileStringA(rest.substr(0, blank).c_str(), text.substr(0, end).c_str(), "", got, 256,
                             g_profile.c_str());
    Check(got == (end == string::npos ? "" : text.substr(end + 1)), rest + ": \"" + got + "\"");
  } else if (verb == "drop") {
    Drop(rest);
  } else if (verb == "alone") {
    Sleep(500);
    Check(!FindDialog(nullptr, main), "no other window opened");
  } else if (verb == "icon") {  // painting may lag behind on a busy machine
    int faults = -1;
    WaitFor([&] { return (faults = IconFaults(win)) == 0; }, 10000);
    Check(faults == 0, "the icon: " + to_string(faults) + " wrong pixels");
  } else if (verb == "fits") {
    Fits(win, std::atoi(rest.c_str()));
  } else if (verb == "repaint") {  // as when uncovered: Wine itself keeps a covered window's pixels
    RedrawWindow(win, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500 * g_scale);  // for the erased frame to reach the screen, should nothing be painted there
  } else {
    return Check(false, "unknown step " + verb);
  }
  return true;
}

// The scenario's steps: the lines after "[name]" up to the next scenario, those after "end" only
// when last; in them, each argument in place of $1...$9 (empty if not given), the size and the
// FNV-1a hash of the file it names in place of $size1... and $fnv1..., the program's folder in
// place of $dir.
void Run(const string& name, std::vector<string> args, bool last) {
  std::vector<std::pair<string, string>> vars = {{"$dir", g_exe.substr(0, g_exe.find_last_of('\\'))}};
  args.resize(9);
  for (size_t i = args.size(); i-- > 0;) {
    DWORD hash = 2166136261u, length = 0;
    std::ifstream in(args[i], std::ios::binary);
    for (char c; in.get(c); ++length) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char fnv[16];
    std::snprintf(fnv, sizeof(fnv), "%08lx", static_cast<unsigned long>(hash));
    string n = to_string(i + 1);
    vars.insert(vars.end(), {{"$size" + n, to_string(length)}, {"$fnv" + n, fnv}, {"$" + n, args[i]}});
  }
  auto line = std::find(g_scenarios.begin(), g_scenarios.end(), "[" + name + "]");
  if (!Check(line != g_scenarios.end(), "a scenario " + name)) return;
  while (!g_faulted && ++line != g_scenarios.end() && (line->empty() || (*line)[0] != '[') &&
         (*line != "end" || last)) {
    string step = *line;
    for (const auto& var : vars) step = Replace(step, var.first, var.second);
    size_t verb = step.find(' ');
    if (step.empty() || step[0] == '#' || step == "end") continue;
    if (!Step(step.substr(0, verb), verb == string::npos ? "" : step.substr(verb + 1))) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* table = std::getenv("E2E_SCENARIOS");
  if (argc < 3 || !table)
    return std::printf(
               "usage: E2E_SCENARIOS=<table> driver <scenario> <program.exe> [args] [+ <scenario> [args]]...\n"),
           2;
  std::ifstream in(Wine(table));
  for (string line; std::getline(in, line);) g_scenarios.push_back(line);
  g_exe = Wine(argv[2]);
  g_app = g_exe.substr(g_exe.find_last_of('\\') + 1);
  g_app = g_app.substr(0, g_app.rfind('.'));
  g_module = LoadLibraryExA(g_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  g_profile = string(windows) + "\\" + g_app + ".INI";
  if (const char* scale = std::getenv("E2E_SCALE")) g_scale = std::max(1, std::atoi(scale));
  g_windows.push_back(nullptr);

  std::vector<std::vector<string>> runs(1, std::vector<string>(1, argv[1]));  // each: scenario, args
  for (int i = 3; i < argc; ++i)
    strcmp(argv[i], "+") ? runs.back().push_back(Wine(argv[i])) : void(runs.emplace_back());
  string chain;
  for (size_t i = 0; i < runs.size() && !g_failures; ++i) {
    chain += (i ? "+" : "") + runs[i][0];
    Run(runs[i][0], std::vector<string>(runs[i].begin() + 1, runs[i].end()), i + 1 == runs.size());
  }
  if (g_proc.hProcess && WaitForSingleObject(g_proc.hProcess, 0) != WAIT_OBJECT_0)
    TerminateProcess(g_proc.hProcess, 99);  // our own child, never anything else
  std::printf("%s: %s\n", chain.c_str(), g_failures ? "FAILED" : "passed");
  return g_failures ? 1 : 0;
}
