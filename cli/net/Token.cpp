// Token.cpp - the server's token made or taken.
#include "cli/net/Token.h"

#include "cli/system/System.h"
#include "framework/afxwin.h"

namespace {

// Where the system has no random source: the number of turns of a loop between two ticks of the
// clock varies with everything the machine does. 48 such counts, mixed, and the bytes drawn from
// the mix (a tick is 55 ms on Windows 95: under three seconds).
void ClockBytes(BYTE* p, DWORD n) {
  DWORD h = 2166136261u ^ api::GetTickCount() ^ static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&h));
  DWORD mix[4] = {h, h ^ 0x9E3779B9u, h ^ 0x7F4A7C15u, h ^ 0x94D049BBu};
  for (int k = 0; k < 48; ++k) {
    DWORD dwTick = api::GetTickCount(), nTurns = 0;
    while (api::GetTickCount() == dwTick && nTurns < 100000000) ++nTurns;
    DWORD& m = mix[k & 3];
    m = (m ^ nTurns ^ (dwTick << 16)) * 16777619u;
    m ^= m >> 13;
  }
  for (DWORD i = 0; i < n; ++i) {
    h = (h ^ mix[i & 3] ^ i) * 16777619u;
    h ^= h >> 15;
    mix[i & 3] += h;
    p[i] = static_cast<BYTE>(h ^ (h >> 8) ^ (h >> 16) ^ (h >> 24));
  }
}

}  // namespace

void MakeToken(char* sz) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  BYTE random[18];
  if (!GetSystemRandom(random, sizeof(random))) ClockBytes(random, sizeof(random));
  // Three bytes, four characters of six bits.
  for (int i = 0; i < 6; ++i) {
    DWORD v = static_cast<DWORD>(random[3 * i]) << 16 | static_cast<DWORD>(random[3 * i + 1]) << 8 | random[3 * i + 2];
    for (int k = 0; k < 4; ++k) sz[4 * i + k] = kDigits[(v >> (18 - 6 * k)) & 63];
  }
  sz[24] = 0;
}

BOOL IsTokenText(LPCSTR psz) {
  int n = AfxStrLen(psz);
  if (n == 0 || n > kTokenMax) return FALSE;
  for (int i = 0; i < n; ++i) {
    char c = psz[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' ||
          c == '.' || c == '~'))
      return FALSE;
  }
  return TRUE;
}

int GetGivenToken(LPCSTR pszOption, char* sz, LPCSTR& pszFrom) {
  sz[0] = 0;
  pszFrom = "--token";
  if (pszOption) {
    if (!IsTokenText(pszOption)) return -1;
    api::wsprintfA(sz, "%s", pszOption);
    return 1;
  }
  pszFrom = "VARNOK_TOKEN";
  char szValue[kTokenMax + 2];
  DWORD n = api::GetEnvironmentVariableA("VARNOK_TOKEN", szValue, sizeof(szValue));
  if (n == 0) return 0;
  if (n >= sizeof(szValue) || !IsTokenText(szValue)) return -1;
  api::wsprintfA(sz, "%s", szValue);
  return 1;
}
