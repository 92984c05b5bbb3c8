// TestInpout.cpp - a stand-in for the port-I/O driver library: the same three functions, over
// the simulated bus (a link card at 0x310 and a console), so that the real program's driver
// path can be tested under Wine. Whoever loads it leaves a mark in the [DemoConsole] section
// of that program's profile, where the console's receipts go too.
#include <windows.h>

#include "portio/sim/SimBus.h"

namespace {
CSimBus* s_pBus = nullptr;
char s_szProfile[MAX_PATH];

// <Windows folder>\<the program's base name>.INI, as the program keeps its profile.
void FindProfile() {
  char module[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, module, sizeof(module));
  module[n < sizeof(module) ? n : sizeof(module) - 1] = 0;
  char* base = module;
  for (char* p = module; *p; ++p)
    if (*p == '\\' || *p == '/') base = p + 1;
  for (char* p = base; *p; ++p)
    if (*p == '.') *p = 0;
  GetWindowsDirectoryA(s_szProfile, sizeof(s_szProfile));
  lstrcatA(s_szProfile, "\\");
  lstrcatA(s_szProfile, base);
  lstrcatA(s_szProfile, ".INI");
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    FindProfile();
#if defined(INPOUT_VARIANT_fast)
    s_pBus = new CSimBus(CSimBus::kFast);  // answers at once: for measuring the program itself
#elif defined(INPOUT_VARIANT_busy)
    s_pBus = new CSimBus(CSimBus::kFastBusy);  // busy for one status poll after each byte
#else
    s_pBus = new CSimBus();
#endif
    s_pBus->SetReceiptProfile(s_szProfile);
    WritePrivateProfileStringA("DemoConsole", "LibraryLoaded", "1", s_szProfile);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI IsInpOutDriverOpen() {
#if defined(INPOUT_VARIANT_closed)
  return FALSE;
#else
  return TRUE;
#endif
}

extern "C" __declspec(dllexport) short WINAPI Inp32(short port) {
  return static_cast<short>(s_pBus->In(static_cast<unsigned short>(port)));
}

extern "C" __declspec(dllexport) void WINAPI Out32(short port, short data) {
  s_pBus->Out(static_cast<unsigned short>(port), static_cast<BYTE>(data));
}
