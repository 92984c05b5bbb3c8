// Runtime.cpp - the whole C/C++ runtime the Windows builds carry.
//
// The executables link no runtime library: Windows 95 as first shipped has no MSVCRT.DLL, and
// the prebuilt MinGW pieces contain instructions a 486 or Pentium cannot run. What the
// compiler and the program need is here: the entry point, global constructors and (at exit)
// destructors, new and delete on the process heap, and the memory functions the compiler
// may call.
#include <windows.h>

#include "framework/afxwin.h"

extern "C" {

// Set by the linker: the global constructors' table, -1 first, 0 last.
typedef void (*PFN)();
extern PFN __CTOR_LIST__[];

// Destructors of static objects are registered through atexit while the constructors run.
static PFN s_atexit[64];
static int s_nAtexit = 0;

int atexit(PFN pfn) {
  if (s_nAtexit >= static_cast<int>(sizeof(s_atexit) / sizeof(s_atexit[0]))) return -1;
  s_atexit[s_nAtexit++] = pfn;
  return 0;
}

// Called by gcc from main(); constructors already ran in the entry point.
void __main() {}

void* memset(void* p, int c, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(p);
  while (n--) *d++ = static_cast<unsigned char>(c);
  return p;
}

void* memcpy(void* pDest, const void* pSrc, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(pDest);
  const unsigned char* s = static_cast<const unsigned char*>(pSrc);
  while (n--) *d++ = *s++;
  return pDest;
}

void* memmove(void* pDest, const void* pSrc, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(pDest);
  const unsigned char* s = static_cast<const unsigned char*>(pSrc);
  if (d < s) {
    while (n--) *d++ = *s++;
  } else {
    d += n;
    s += n;
    while (n--) *--d = *--s;
  }
  return pDest;
}

int memcmp(const void* a, const void* b, size_t n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (; n--; ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

void __cxa_pure_virtual() { ::FatalAppExitA(0, "pure virtual call"); }

void AfxRunConstructors() {
  // The table starts with -1 (or a count) and ends with 0; run the entries last to first.
  int n = 1;
  while (__CTOR_LIST__[n]) ++n;
  for (int i = n - 1; i >= 1; --i) __CTOR_LIST__[i]();
}

void AfxRunDestructors() {
  while (s_nAtexit > 0) s_atexit[--s_nAtexit]();
}

// What WinMain is given: the command line after the program's name (quoted or not) and the
// blanks that follow it.
static LPSTR CommandLineTail(LPSTR p) {
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (static_cast<unsigned char>(*p) > ' ') ++p;
  }
  while (*p && static_cast<unsigned char>(*p) <= ' ') ++p;
  return p;
}

void WinMainCRTStartup() {
  AfxRunConstructors();
  int nExit = AfxWinMain(::GetModuleHandleA(0), 0, CommandLineTail(::GetCommandLineA()), SW_SHOWDEFAULT);
  AfxRunDestructors();
  ::ExitProcess(static_cast<UINT>(nExit));
}

}  // extern "C"

void* operator new(size_t n) { return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1); }
void* operator new[](size_t n) { return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1); }
void operator delete(void* p) {
  if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}
void operator delete[](void* p) {
  if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}
void operator delete(void* p, size_t) { operator delete(p); }
void operator delete[](void* p, size_t) { operator delete[](p); }
