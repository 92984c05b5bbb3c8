// Door.cpp - the server's checks of a request, before anything reaches the card.
#include "cli/net/Door.h"

#include "framework/afxwin.h"

namespace {

const char kWhatIsTaken[] = "this server takes PUT /upload?address=HEX with the image as the body; GET / says more";
const char kWhereTheToken[] =
    ": the server's start line ends with its page's address, ?token= and the token; send it as "
    "Authorization: Bearer TOKEN or as token=TOKEN in the query (a fixed one: --token or VARNOK_TOKEN)";

DoorVerdict Refuse(DOOR_REFUSAL& v, int nStatus, LPCSTR pszWhy, LPCSTR pszArgument = "", LPCSTR pszMore = "") {
  v.nStatus = nStatus;
  api::wsprintfA(v.szWhy, pszWhy, pszArgument, pszMore);
  return kDoorRefused;
}

BOOL IsDigit(char c) { return c >= '0' && c <= '9'; }
BOOL IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// a.b.c.d, each part 0-255.
BOOL IsIpv4(LPCSTR p, int n) {
  int nParts = 0;
  for (int i = 0; i < n; ++nParts) {
    int nValue = 0, nDigits = 0;
    for (; i < n && IsDigit(p[i]) && nDigits < 4; ++i, ++nDigits) nValue = nValue * 10 + (p[i] - '0');
    if (nDigits == 0 || nDigits > 3 || nValue > 255) return FALSE;
    if (i < n && (p[i] != '.' || i + 1 == n || nParts == 3)) return FALSE;
    if (i < n) ++i;
  }
  return nParts == 4;
}

// [hex:hex::...], an IPv4 tail allowed.
BOOL IsIpv6(LPCSTR p, int n) {
  if (n < 4 || p[0] != '[' || p[n - 1] != ']') return FALSE;
  int nColons = 0;
  for (int i = 1; i < n - 1; ++i) {
    if (p[i] == ':') ++nColons;
    if (!IsHex(p[i]) && p[i] != ':' && p[i] != '.') return FALSE;
  }
  return nColons >= 2;
}

BOOL SameName(LPCSTR p, int n, LPCSTR psz) {
  int i = 0;
  for (; i < n && psz[i]; ++i) {
    char a = p[i] >= 'A' && p[i] <= 'Z' ? static_cast<char>(p[i] + 32) : p[i];
    char b = psz[i] >= 'A' && psz[i] <= 'Z' ? static_cast<char>(psz[i] + 32) : psz[i];
    if (a != b) return FALSE;
  }
  return i == n && !psz[i];
}

}  // namespace

BOOL IsOwnHost(LPCSTR pszHost, const DOOR& door) {
  int n = AfxStrLen(pszHost);
  // The port after the name, if any: digits after the last colon outside brackets.
  int nName = n;
  for (int i = n - 1; i >= 0 && pszHost[i] != ']'; --i)
    if (pszHost[i] == ':') {
      for (int k = i + 1; k < n; ++k)
        if (!IsDigit(pszHost[k])) return FALSE;
      if (i + 1 == n || n - i - 1 > 5) return FALSE;
      nName = i;
      break;
    }
  if (nName == 0) return FALSE;
  if (IsIpv4(pszHost, nName) || IsIpv6(pszHost, nName) || SameName(pszHost, nName, "localhost")) return TRUE;
  for (int i = 0; i < door.nNames; ++i)
    if (door.ppszNames[i][0] && SameName(pszHost, nName, door.ppszNames[i])) return TRUE;
  return FALSE;
}

BOOL SameToken(LPCSTR pszServer, LPCSTR pszClient) {
  int nServer = AfxStrLen(pszServer), nClient = AfxStrLen(pszClient);
  int nDiffer = nServer != nClient;
  for (int i = 0; i < nServer; ++i) nDiffer |= (i < nClient ? pszClient[i] : 0) ^ pszServer[i];
  return nDiffer == 0;
}

DoorVerdict JudgeRequest(const HTTP_REQUEST& r, const DOOR& door, DOOR_REFUSAL& v) {
  v.bSlow = FALSE;
  if (!r.szHost[0]) return Refuse(v, 400, "the request names no Host");
  if (!IsOwnHost(r.szHost, door))
    return Refuse(v, 421,
                  "this server does not answer to the name %.100s: only to its addresses, localhost and its own "
                  "names (varnok-cli --serve --allow-host NAME adds one)",
                  r.szHost);
  // A page of another site that sends this request from the user's browser.
  char szOwn[300];
  api::wsprintfA(szOwn, "http://%s", r.szHost);
  if (r.bOrigin && AfxStrCmpNoCase(r.szOrigin, szOwn) != 0)
    return Refuse(v, 403, "a request from another site's page (%.100s) is refused: use the server's own page, %.100s",
                  r.szOrigin, szOwn);
  if (r.method == kMethodOther) return Refuse(v, 405, "this server takes GET / and PUT /upload alone");
  if (r.method == kMethodGet && r.target == kTargetPage) return kDoorPage;
  // What every browser asks for besides the page: none, and no line in the server's output.
  if (r.method == kMethodGet && r.target == kTargetIcon) return Refuse(v, 404, "no icon here");
  if (r.method != kMethodPut || r.target != kTargetUpload) return Refuse(v, 400, kWhatIsTaken);
  if (!r.bToken) return Refuse(v, 401, "the upload needs the server's token%s", kWhereTheToken);
  if (r.bTokensDiffer || !SameToken(door.pszToken, r.szToken)) {
    v.bSlow = TRUE;
    return Refuse(v, 401, "not the server's token%s", kWhereTheToken);
  }
  if (r.nQueryStatus) return Refuse(v, r.nQueryStatus, "%s", r.szQueryWhy);
  if (r.bChunked || !r.bLength)
    return Refuse(v, 411, "the body must come with a Content-Length (chunked bodies are not taken)");
  if (r.bOtherExpect) return Refuse(v, 417, "the only expectation met is 100-continue");
  if (r.nLength > kHttpMaxBody) return Refuse(v, 413, "the image is larger than 16 MiB");
  return kDoorUpload;
}
