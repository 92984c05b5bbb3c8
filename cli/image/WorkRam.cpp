// WorkRam.cpp - the console's two work RAM areas, and their cache-through views.
#include "cli/image/WorkRam.h"

namespace {

const struct {
  LPCSTR pszName;
  DWORD dwFirst, dwLast;
} kAreas[] = {{"low work RAM", 0x00200000, 0x002FFFFF},
              {"high work RAM", 0x06000000, 0x060FFFFF},
              {"the cache-through view of low work RAM", 0x20200000, 0x202FFFFF},
              {"the cache-through view of high work RAM", 0x26000000, 0x260FFFFF}};

}  // namespace

WorkRamVerdict CheckWorkRam(DWORD dwStart, DWORD nLength, LPCSTR pszPath, CLI_MESSAGE& m) {
  char sz[300];
  for (const auto& a : kAreas) {
    if (dwStart < a.dwFirst || dwStart > a.dwLast) continue;
    // The last byte: up to 33 bits (nothing sent: the byte before the start, inside).
    ULONGLONG qwLast = static_cast<ULONGLONG>(dwStart) + nLength - 1;
    if (qwLast <= a.dwLast) return kWorkRamInside;
    char szLast[20];
    unsigned long nHigh = static_cast<DWORD>(qwLast >> 32), nLow = static_cast<DWORD>(qwLast);
    if (nHigh)
      api::wsprintfA(szLast, "%lx%08lx", nHigh, nLow);
    else
      api::wsprintfA(szLast, "%08lx", nLow);
    unsigned long nPast = static_cast<DWORD>(qwLast - a.dwLast);
    api::wsprintfA(sz, "%lu bytes at %08lx would run to %s, %lu byte%s past the end of %s (%08lx-%08lx)",
                   static_cast<unsigned long>(nLength), static_cast<unsigned long>(dwStart), szLast, nPast,
                   nPast == 1 ? "" : "s", a.pszName, static_cast<unsigned long>(a.dwFirst),
                   static_cast<unsigned long>(a.dwLast));
    SetCliMessage(m, "Cannot Send", pszPath, sz);
    return kWorkRamPast;
  }
  api::wsprintfA(sz,
                 "warning: start address %08lx lies outside the console's work RAM (00200000-002fffff, "
                 "06000000-060fffff): sent all the same",
                 static_cast<unsigned long>(dwStart));
  SetCliMessage(m, sz);
  return kWorkRamOutside;
}
