// TestInpout.cpp - a stand-in for the port-I/O driver library: the same three functions, over
// the simulated bus (a link card at 0x310 and a console), so that the real program's driver
// path can be tested under Wine. Loading it leaves a mark in the [DemoConsole] section of
// varnok.exe's profile, where the console's receipts go too.
#include <windows.h>

#include "portio/sim/SimBus.h"

namespace {
CSimBus* s_pBus = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
#if defined(INPOUT_VARIANT_fast)
    s_pBus = new CSimBus(CSimBus::kFast);  // answers at once: for measuring the program itself
#elif defined(INPOUT_VARIANT_busy)
    s_pBus = new CSimBus(CSimBus::kFastBusy);  // busy for one status poll after each byte
#else
    s_pBus = new CSimBus();
#endif
    s_pBus->SetReceiptProfile("varnok.ini");  // a bare name: in the Windows folder, as the program's own
    WritePrivateProfileStringA("DemoConsole", "LibraryLoaded", "1", "varnok.ini");
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
