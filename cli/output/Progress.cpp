// Progress.cpp - the progress line's and the summary's texts.
#include "cli/output/Progress.h"

#include "cli/output/Exit.h"
#include "framework/api.h"

namespace {
unsigned long Ul(DWORD n) { return static_cast<unsigned long>(n); }
}  // namespace

DWORD ProgressPercent(DWORD nDone, DWORD nTotal) {
  if (nDone >= nTotal) return 100;
  while (nTotal >= 0x02000000) {
    nTotal >>= 1;
    nDone >>= 1;
  }
  DWORD n = nDone * 100 / nTotal;
  return n > 99 ? 99 : n;
}

DWORD ProgressRate(DWORD nBytes, DWORD dwMs) {
  if (dwMs >= 4000000) return nBytes / (dwMs / 1000);  // over an hour: whole seconds are exact enough
  if (dwMs == 0) dwMs = 1;
  return nBytes / dwMs * 1000 + nBytes % dwMs * 1000 / dwMs;
}

void FormatProgress(char* sz, const PROGRESS& p) {
  DWORD dwPercent = p.bData ? ProgressPercent(p.nSent, p.nLength) : 0;
  int n = api::wsprintfA(sz, "%.60s %3lu%%", p.pszStatus, Ul(dwPercent));
  if (!p.bData) return;
  n += api::wsprintfA(sz + n, "  %lu/%lu bytes", Ul(p.nSent), Ul(p.nLength));
  if (p.dwMs >= 200 && p.nSent) {
    DWORD dwRate = ProgressRate(p.nSent, p.dwMs);
    DWORD dwLeft = dwRate ? (p.nLength - p.nSent) / dwRate : 0;
    api::wsprintfA(sz + n, "  %lu.%lu KB/s  %lu:%02lu left", Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                   Ul(dwLeft / 60), Ul(dwLeft % 60));
  }
}

void FormatSummary(char* sz, int nExit, const PROGRESS& p, LPCSTR pszAddress) {
  DWORD dwMs = p.bData ? p.dwMs : 0;
  DWORD dwRate = ProgressRate(p.nSent, dwMs);
  if (nExit == kExitSent || nExit == kExitChecksum) {
    api::wsprintfA(sz, "sent %lu bytes to %.20s in %lu.%02lu s (%lu.%lu KB/s), checksum %s\n", Ul(p.nSent), pszAddress,
                   Ul(dwMs / 1000), Ul(dwMs % 1000 / 10), Ul(dwRate / 1024), Ul(dwRate % 1024 * 10 / 1024),
                   nExit == kExitSent ? "matched" : "differed");
    return;
  }
  LPCSTR pszWhat = nExit == kExitStopped ? "stopped" : nExit == kExitNoAnswer ? "the console did not answer" : "failed";
  if (p.bData)
    api::wsprintfA(sz, "%s after %lu of %lu bytes to %.20s\n", pszWhat, Ul(p.nSent), Ul(p.nLength), pszAddress);
  else
    api::wsprintfA(sz, "%s during the handshake, nothing sent\n", pszWhat);
}
