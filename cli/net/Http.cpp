// Http.cpp - the request reader and the response heads of varnok-cli's HTTP.
#include "cli/net/Http.h"

#include "cli/net/Token.h"
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
  for (DWORD i = 0; i < n; ++i)
    if (p[i] < '0' || p[i] > '9') return FALSE;
  return n > 0 && n <= nMax;
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

// The n bytes p into sz (nSize), cut where they do not fit; control characters shown as '?'.
void Copy(char* sz, DWORD nSize, const char* p, DWORD n) {
  DWORD k = 0;
  for (; k < n && k + 1 < nSize; ++k) sz[k] = static_cast<BYTE>(p[k]) < ' ' ? '?' : p[k];
  sz[k] = 0;
}

HttpKind Refuse(HTTP_REQUEST& r, int nStatus, LPCSTR pszWhy) {
  r.nStatus = nStatus;
  api::wsprintfA(r.szWhy, "%s", pszWhy);
  return kHttpBad;
}

void QueryFault(HTTP_REQUEST& r, LPCSTR pszWhy, const char* pName = 0, DWORD nName = 0) {
  if (r.nQueryStatus) return;
  char szName[44] = "";
  if (pName) Copy(szName, 41, pName, nName);
  r.nQueryStatus = 400;
  api::wsprintfA(r.szQueryWhy, pszWhy, szName);
}

void TakeToken(HTTP_REQUEST& r, const char* p, DWORD n) {
  char sz[sizeof(r.szToken)] = "";
  if (n <= static_cast<DWORD>(kTokenMax)) {
    AfxMemCopy(sz, p, n);
    sz[n] = 0;
  }
  // A token of other characters is no token of this server's: kept as one that matches none.
  if (!IsTokenText(sz)) api::wsprintfA(sz, "%s", "\x01");
  if (r.bToken && AfxStrCmpNoCase(sz, r.szToken) != 0) r.bTokensDiffer = TRUE;
  if (!r.bToken) api::wsprintfA(r.szToken, "%s", sz);
  r.bToken = TRUE;
}

// The query of /upload: address=, wait=, stream=, token=, each at most once.
void ReadQuery(const char* p, DWORD n, HTTP_REQUEST& r) {
  BOOL bAddress = FALSE, bWait = FALSE, bQueryToken = FALSE;
  for (DWORD i = 0; i < n;) {
    DWORD nEnd = i;
    while (nEnd < n && p[nEnd] != '&') ++nEnd;
    DWORD nName = i;
    while (nName < nEnd && p[nName] != '=') ++nName;
    const char* pValue = p + nName + 1;
    DWORD nValue = nName < nEnd ? nEnd - nName - 1 : 0;
    if (nName == nEnd) return QueryFault(r, "a query parameter without a value: %s", p + i, nEnd - i);
    if (Is(p + i, nName - i, "address") && !bAddress) {
      bAddress = TRUE;
      BOOL bOk = nValue > 0 && nValue < sizeof(r.szAddress);
      for (DWORD k = 0; bOk && k < nValue; ++k) {
        char c = pValue[k];
        bOk = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      }
      if (!bOk) return QueryFault(r, "address= takes a hexadecimal address");
      AfxMemCopy(r.szAddress, pValue, nValue);
      r.szAddress[nValue] = 0;
    } else if (Is(p + i, nName - i, "wait") && !bWait) {
      bWait = TRUE;
      if (!IsDigits(pValue, nValue, 7) || Number(pValue, nValue) == 0 || Number(pValue, nValue) > kHttpMaxWait)
        return QueryFault(r, "wait= takes a whole number of seconds, from 1 to 1000000");
      r.dwWait = Number(pValue, nValue);
    } else if (Is(p + i, nName - i, "stream") && !r.bStream) {
      if (!Is(pValue, nValue, "1")) return QueryFault(r, "stream= takes 1");
      r.bStream = TRUE;
    } else if (Is(p + i, nName - i, "token") && !bQueryToken) {
      bQueryToken = TRUE;
      TakeToken(r, pValue, nValue);
    } else {
      return QueryFault(r, "an unknown or repeated query parameter: %s", p + i, nName - i);
    }
    i = nEnd + 1;
  }
}

// What the request line asks for.
void ReadTarget(const char* pMethod, DWORD nMethod, const char* p, DWORD n, HTTP_REQUEST& r) {
  r.method = Is(pMethod, nMethod, "GET") ? kMethodGet : Is(pMethod, nMethod, "PUT") ? kMethodPut : kMethodOther;
  DWORD nPath = 0;
  while (nPath < n && p[nPath] != '?') ++nPath;
  if (Is(p, nPath, "/")) {
    r.target = kTargetPage;
  } else if (Is(p, nPath, "/upload")) {
    r.target = kTargetUpload;
    ReadQuery(p + nPath + 1, nPath < n ? n - nPath - 1 : 0, r);
  } else {
    r.target = Is(p, nPath, "/favicon.ico") ? kTargetIcon : kTargetOther;
  }
}

// Whether the header's value names text/html among the types it accepts.
BOOL NamesHtml(const char* p, DWORD n) {
  for (DWORD i = 0; i + 9 <= n; ++i)
    if (Is(p + i, 9, "text/html") && (i == 0 || p[i - 1] == ',' || p[i - 1] == ' ') &&
        (i + 9 == n || p[i + 9] == ',' || p[i + 9] == ';' || p[i + 9] == ' '))
      return TRUE;
  return FALSE;
}

// The header lines from p[i] on: kHttpMore until the blank line has come.
HttpKind ReadHeaders(const char* p, DWORD n, DWORD i, HTTP_REQUEST& r) {
  BOOL bHost = FALSE, bAuthorization = FALSE;
  for (;;) {
    DWORD nEnd = i;
    while (nEnd < n && nEnd < kHttpMaxHead && p[nEnd] != '\n') ++nEnd;
    if (nEnd == kHttpMaxHead) return Refuse(r, 431, "the request's head is longer than 8 KiB");
    if (nEnd == n) return kHttpMore;
    DWORD nLine = nEnd > i && p[nEnd - 1] == '\r' ? nEnd - 1 : nEnd;
    if (nLine == i) {
      r.nHead = nEnd + 1;
      return kHttpHead;
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
    const char* pValue = p + v;
    DWORD nNameLength = nName - i, nValue = nValueEnd - v;
    if (Is(pName, nNameLength, "content-length")) {
      if (r.bLength || !IsDigits(pValue, nValue, 10)) return Refuse(r, 400, "a Content-Length that is not one");
      r.bLength = TRUE;
      // Ten digits may exceed 32 bits: anything of nine digits or more is too large anyway.
      r.nLength = nValue >= 9 ? kHttpMaxBody + 1 : Number(pValue, nValue);
    } else if (Is(pName, nNameLength, "transfer-encoding")) {
      r.bChunked = TRUE;
    } else if (Is(pName, nNameLength, "expect")) {
      if (Is(pValue, nValue, "100-continue"))
        r.bContinue = TRUE;
      else
        r.bOtherExpect = TRUE;
    } else if (Is(pName, nNameLength, "host")) {
      if (bHost || nValue >= sizeof(r.szHost)) return Refuse(r, 400, "a Host that is not one");
      bHost = TRUE;
      Copy(r.szHost, sizeof(r.szHost), pValue, nValue);
    } else if (Is(pName, nNameLength, "origin")) {
      if (r.bOrigin || nValue >= sizeof(r.szOrigin)) return Refuse(r, 400, "an Origin that is not one");
      r.bOrigin = TRUE;
      Copy(r.szOrigin, sizeof(r.szOrigin), pValue, nValue);
    } else if (Is(pName, nNameLength, "authorization")) {
      if (bAuthorization) return Refuse(r, 400, "an Authorization that is not one");
      bAuthorization = TRUE;
      // "Bearer TOKEN"; any other scheme is no token of this server's.
      if (nValue > 7 && Is(pValue, 7, "bearer "))
        TakeToken(r, pValue + 7, nValue - 7);
      else
        TakeToken(r, "", 0);
    } else if (Is(pName, nNameLength, "accept")) {
      if (NamesHtml(pValue, nValue)) r.bHtml = TRUE;
    }
    i = nEnd + 1;
  }
}

// The exit code of the n bytes p when they are a Varnok-Exit line; else -1.
int ExitOf(const char* p, DWORD n) {
  const DWORD kName = 13;  // "Varnok-Exit: "
  if (n <= kName || !Is(p, kName, "Varnok-Exit: ") || !IsDigits(p + kName, n - kName, 3)) return -1;
  return static_cast<int>(Number(p + kName, n - kName));
}

}  // namespace

HttpKind ReadHttpRequest(const char* p, DWORD n, HTTP_REQUEST& r) {
  r = HTTP_REQUEST();
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
  ReadTarget(p, nMethod, p + nTarget, nTargetEnd - nTarget, r);
  return ReadHeaders(p, n, i + 1, r);
}

LPCSTR HttpReason(int nStatus) {
  static const struct {
    int nStatus;
    LPCSTR pszReason;
  } kReasons[] = {{100, "Continue"},
                  {200, "OK"},
                  {400, "Bad Request"},
                  {401, "Unauthorized"},
                  {403, "Forbidden"},
                  {404, "Not Found"},
                  {405, "Method Not Allowed"},
                  {408, "Request Timeout"},
                  {411, "Length Required"},
                  {413, "Content Too Large"},
                  {417, "Expectation Failed"},
                  {421, "Misdirected Request"},
                  {422, "Unprocessable Content"},
                  {431, "Request Header Fields Too Large"},
                  {500, "Internal Server Error"},
                  {503, "Service Unavailable"},
                  {504, "Gateway Timeout"}};
  for (const auto& k : kReasons)
    if (k.nStatus == nStatus) return k.pszReason;
  return "Error";
}

int FormatHttpHead(char* sz, const HTTP_RESPONSE& h) {
  int n = api::wsprintfA(sz, "HTTP/1.1 %d %s\r\n", h.nStatus, HttpReason(h.nStatus));
  if (h.nStatus == 100) return n + api::wsprintfA(sz + n, "\r\n");
  n += api::wsprintfA(sz + n, "Content-Type: %s\r\nConnection: close\r\nCache-Control: no-store\r\n",
                      h.bHtml ? "text/html; charset=utf-8" : "text/plain; charset=utf-8");
  // The page's own script, and nothing from elsewhere; no other site may frame it.
  if (h.bHtml)
    n += api::wsprintfA(sz + n,
                        "Content-Security-Policy: default-src 'none'; script-src 'unsafe-inline'; style-src "
                        "'unsafe-inline'; connect-src 'self'; frame-ancestors 'none'\r\n");
  if (h.nStatus == 401) n += api::wsprintfA(sz + n, "WWW-Authenticate: Bearer realm=\"varnok-cli\"\r\n");
  if (h.nStatus == 405) n += api::wsprintfA(sz + n, "Allow: GET, PUT\r\n");
  if (h.nLength >= 0) n += api::wsprintfA(sz + n, "Content-Length: %ld\r\n", h.nLength);
  if (h.dwRetryAfter) n += api::wsprintfA(sz + n, "Retry-After: %lu\r\n", static_cast<unsigned long>(h.dwRetryAfter));
  if (h.nExit >= 0) n += api::wsprintfA(sz + n, "Varnok-Exit: %d\r\n", h.nExit);
  return n + api::wsprintfA(sz + n, "\r\n");
}

int ReadExitLine(LPCSTR psz) { return ExitOf(psz, static_cast<DWORD>(AfxStrLen(psz))); }

int ReadHttpStatus(const char* p, DWORD n, DWORD& nHead, int& nExit) {
  nHead = 0;
  nExit = -1;
  const char kStart[] = "HTTP/1.";
  for (DWORD i = 0; i < n && i < 7; ++i)
    if (p[i] != kStart[i]) return -1;
  if (n >= 13 && ((p[7] != '0' && p[7] != '1') || p[8] != ' ' || !IsDigits(p + 9, 3, 3) || p[9] == '0')) return -1;
  for (DWORD i = 0, nLine = 0; i + 1 < n && i < kHttpMaxHead; ++i) {
    if (p[i] != '\n') continue;
    if (i < 12) return -1;  // a status line shorter than "HTTP/1.1 200"
    // The line that ends here: Varnok-Exit?
    int nLineExit = ExitOf(p + nLine, (i > nLine && p[i - 1] == '\r' ? i - 1 : i) - nLine);
    if (nLineExit >= 0) nExit = nLineExit;
    nLine = i + 1;
    if (p[i + 1] == '\n') nHead = i + 2;
    if (p[i + 1] == '\r' && i + 2 < n && p[i + 2] == '\n') nHead = i + 3;
    if (nHead) return static_cast<int>(Number(p + 9, 3));
  }
  return n >= kHttpMaxHead ? -1 : 0;
}
