// Http.cpp - the request reader and the response heads of varnok-cli's HTTP.
#include "cli/Http.h"

#include "framework/afxwin.h"

namespace {

const DWORD kMaxMethod = 16;
const DWORD kMaxTarget = 2048;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the n bytes p are the text psz, ignoring the case of letters.
BOOL Is(const char* p, DWORD n, LPCSTR psz) {
  DWORD i = 0;
  for (; i < n && psz[i]; ++i)
    if (Lower(p[i]) != Lower(psz[i])) return FALSE;
  return i == n && !psz[i];
}

BOOL IsDigits(const char* p, DWORD n, DWORD nMax) {
  if (n == 0 || n > nMax) return FALSE;
  for (DWORD i = 0; i < n; ++i)
    if (p[i] < '0' || p[i] > '9') return FALSE;
  return TRUE;
}

DWORD Number(const char* p, DWORD n) {
  DWORD v = 0;
  for (DWORD i = 0; i < n; ++i) v = v * 10 + static_cast<DWORD>(p[i] - '0');
  return v;
}

// A character of a header's name (a token).
BOOL IsToken(char c) {
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return TRUE;
  for (LPCSTR p = "!#$%&'*+-.^_`|~"; *p; ++p)
    if (c == *p) return TRUE;
  return FALSE;
}

HttpKind Refuse(HTTP_REQUEST& r, int nStatus, LPCSTR pszWhy, const char* pName = 0, DWORD nName = 0) {
  r.nStatus = nStatus;
  char szName[44];
  DWORD k = 0;
  for (; pName && k < nName && k < 40; ++k) szName[k] = static_cast<BYTE>(pName[k]) < ' ' ? '?' : pName[k];
  szName[k] = 0;
  api::wsprintfA(r.szWhy, pszWhy, szName);
  return kHttpBad;
}

const char kWhatIsTaken[] = "this server takes PUT /upload?address=HEX with the image as the body; GET / says more";

// The query of PUT /upload: address=, wait=, stream=, each at most once.
HttpKind ReadQuery(const char* p, DWORD n, HTTP_REQUEST& r) {
  BOOL bAddress = FALSE, bWait = FALSE;
  for (DWORD i = 0; i < n;) {
    DWORD nEnd = i;
    while (nEnd < n && p[nEnd] != '&') ++nEnd;
    DWORD nName = i;
    while (nName < nEnd && p[nName] != '=') ++nName;
    const char* pValue = p + nName + 1;
    DWORD nValue = nName < nEnd ? nEnd - nName - 1 : 0;
    if (nName == nEnd) return Refuse(r, 400, "a query parameter without a value: %s", p + i, nEnd - i);
    if (Is(p + i, nName - i, "address") && !bAddress) {
      bAddress = TRUE;
      if (nValue == 0 || nValue >= sizeof(r.szAddress)) return Refuse(r, 400, "address= takes a hexadecimal address");
      for (DWORD k = 0; k < nValue; ++k) {
        char c = pValue[k];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
          return Refuse(r, 400, "address= takes a hexadecimal address");
        r.szAddress[k] = c;
      }
      r.szAddress[nValue] = 0;
    } else if (Is(p + i, nName - i, "wait") && !bWait) {
      bWait = TRUE;
      if (!IsDigits(pValue, nValue, 7) || Number(pValue, nValue) == 0 || Number(pValue, nValue) > kHttpMaxWait)
        return Refuse(r, 400, "wait= takes a whole number of seconds, from 1 to 1000000");
      r.dwWait = Number(pValue, nValue);
    } else if (Is(p + i, nName - i, "stream") && !r.bStream) {
      if (!Is(pValue, nValue, "1")) return Refuse(r, 400, "stream= takes 1");
      r.bStream = TRUE;
    } else {
      return Refuse(r, 400, "an unknown or repeated query parameter: %s", p + i, nName - i);
    }
    i = nEnd + 1;
  }
  if (!bAddress) return Refuse(r, 400, "the upload needs its start address: PUT /upload?address=HEX");
  return kHttpUpload;
}

// What the request line asks for.
HttpKind ReadTarget(const char* pMethod, DWORD nMethod, const char* p, DWORD n, HTTP_REQUEST& r) {
  if (Is(pMethod, nMethod, "GET") && Is(p, n, "/")) return kHttpPage;
  if (!Is(pMethod, nMethod, "PUT") || n < 7 || !Is(p, 7, "/upload") || (n > 7 && p[7] != '?'))
    return Refuse(r, 400, kWhatIsTaken);
  return ReadQuery(p + 8, n > 8 ? n - 8 : 0, r);
}

// The header lines from p[i] on: kHttpMore until the blank line has come.
HttpKind ReadHeaders(const char* p, DWORD n, DWORD i, HttpKind kind, HTTP_REQUEST& r) {
  BOOL bLength = FALSE;
  for (;;) {
    DWORD nEnd = i;
    while (nEnd < n && nEnd < kHttpMaxHead && p[nEnd] != '\n') ++nEnd;
    if (nEnd == kHttpMaxHead) return Refuse(r, 431, "the request's head is longer than 8 KiB");
    if (nEnd == n) return kHttpMore;
    DWORD nLine = nEnd > i && p[nEnd - 1] == '\r' ? nEnd - 1 : nEnd;
    if (nLine == i) {
      r.nHead = nEnd + 1;
      break;
    }
    DWORD nName = i;
    while (nName < nLine && IsToken(p[nName])) ++nName;
    if (nName == i || nName == nLine || p[nName] != ':') return Refuse(r, 400, "a header line that is not one");
    DWORD v = nName + 1, nValueEnd = nLine;
    while (v < nValueEnd && (p[v] == ' ' || p[v] == '\t')) ++v;
    while (nValueEnd > v && (p[nValueEnd - 1] == ' ' || p[nValueEnd - 1] == '\t')) --nValueEnd;
    for (DWORD k = v; k < nValueEnd; ++k)
      if ((static_cast<BYTE>(p[k]) < ' ' && p[k] != '\t') || p[k] == 0x7F)
        return Refuse(r, 400, "a header line that is not one");
    const char* pName = p + i;
    DWORD nNameLength = nName - i;
    if (Is(pName, nNameLength, "content-length")) {
      if (bLength || !IsDigits(p + v, nValueEnd - v, 10)) return Refuse(r, 400, "a Content-Length that is not one");
      bLength = TRUE;
      // Ten digits may exceed 32 bits: anything of nine digits or more is too large anyway.
      r.nLength = nValueEnd - v >= 9 ? kHttpMaxBody + 1 : Number(p + v, nValueEnd - v);
    } else if (Is(pName, nNameLength, "transfer-encoding")) {
      return Refuse(r, 411, "the body must come with a Content-Length (chunked bodies are not taken)");
    } else if (Is(pName, nNameLength, "expect")) {
      if (!Is(p + v, nValueEnd - v, "100-continue")) return Refuse(r, 417, "the only expectation met is 100-continue");
      r.bContinue = TRUE;
    }
    i = nEnd + 1;
  }
  if (kind == kHttpPage) return kHttpPage;
  if (!bLength) return Refuse(r, 411, "the body must come with a Content-Length (chunked bodies are not taken)");
  if (r.nLength > kHttpMaxBody) return Refuse(r, 413, "the image is larger than 16 MiB");
  return kHttpUpload;
}

}  // namespace

HttpKind ReadHttpRequest(const char* p, DWORD n, HTTP_REQUEST& r) {
  r.nHead = r.nLength = r.dwWait = 0;
  r.bStream = r.bContinue = FALSE;
  r.szAddress[0] = r.szWhy[0] = 0;
  r.nStatus = 0;
  const char kNotHttp[] = "not an HTTP request";
  // The request line: METHOD SP TARGET SP HTTP/1.x CRLF, each byte judged as it comes.
  DWORD i = 0;
  while (i < n && i < kMaxMethod && p[i] >= 'A' && p[i] <= 'Z') ++i;
  if (i == n) return kHttpMore;
  if (i == 0 || p[i] != ' ') return Refuse(r, 400, kNotHttp);
  DWORD nMethod = i++;
  DWORD nTarget = i;
  while (i < n && i - nTarget < kMaxTarget && p[i] > ' ' && p[i] < 0x7F) ++i;
  if (i == n) return kHttpMore;
  if (i == nTarget || p[i] != ' ') return Refuse(r, 400, kNotHttp);
  DWORD nTargetEnd = i++;
  for (LPCSTR v = "HTTP/1."; *v; ++v, ++i) {
    if (i == n) return kHttpMore;
    if (p[i] != *v) return Refuse(r, 400, kNotHttp);
  }
  if (i == n) return kHttpMore;
  if (p[i] != '0' && p[i] != '1') return Refuse(r, 400, kNotHttp);
  if (++i < n && p[i] == '\r') ++i;
  if (i == n) return kHttpMore;
  if (p[i] != '\n') return Refuse(r, 400, kNotHttp);
  HttpKind kind = ReadTarget(p, nMethod, p + nTarget, nTargetEnd - nTarget, r);
  return kind == kHttpBad ? kind : ReadHeaders(p, n, i + 1, kind, r);
}

LPCSTR HttpReason(int nStatus) {
  static const struct {
    int nStatus;
    LPCSTR pszReason;
  } kReasons[] = {{100, "Continue"},
                  {200, "OK"},
                  {400, "Bad Request"},
                  {408, "Request Timeout"},
                  {411, "Length Required"},
                  {413, "Content Too Large"},
                  {417, "Expectation Failed"},
                  {422, "Unprocessable Content"},
                  {431, "Request Header Fields Too Large"},
                  {500, "Internal Server Error"},
                  {503, "Service Unavailable"},
                  {504, "Gateway Timeout"}};
  for (const auto& k : kReasons)
    if (k.nStatus == nStatus) return k.pszReason;
  return "Error";
}

int FormatHttpHead(char* sz, int nStatus, long nLength, DWORD dwRetryAfter) {
  int n = api::wsprintfA(sz, "HTTP/1.1 %d %s\r\n", nStatus, HttpReason(nStatus));
  if (nStatus == 100) return n + api::wsprintfA(sz + n, "\r\n");
  n += api::wsprintfA(sz + n, "Content-Type: text/plain\r\nConnection: close\r\n");
  if (nLength >= 0) n += api::wsprintfA(sz + n, "Content-Length: %ld\r\n", nLength);
  if (dwRetryAfter) n += api::wsprintfA(sz + n, "Retry-After: %lu\r\n", static_cast<unsigned long>(dwRetryAfter));
  return n + api::wsprintfA(sz + n, "\r\n");
}

int ReadHttpStatus(const char* p, DWORD n, DWORD& nHead) {
  nHead = 0;
  const char kStart[] = "HTTP/1.";
  for (DWORD i = 0; i < n && i < 7; ++i)
    if (p[i] != kStart[i]) return -1;
  if (n >= 13 && ((p[7] != '0' && p[7] != '1') || p[8] != ' ' || !IsDigits(p + 9, 3, 3) || p[9] == '0')) return -1;
  for (DWORD i = 0; i + 1 < n && i < kHttpMaxHead; ++i) {
    if (p[i] != '\n') continue;
    if (i < 12) return -1;  // a status line shorter than "HTTP/1.1 200"
    if (p[i + 1] == '\n') nHead = i + 2;
    if (p[i + 1] == '\r' && i + 2 < n && p[i + 2] == '\n') nHead = i + 3;
    if (nHead) return static_cast<int>(Number(p + 9, 3));
  }
  return n >= kHttpMaxHead ? -1 : 0;
}
