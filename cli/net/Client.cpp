// Client.cpp - varnok-cli --host: the image made here, sent in a PUT, the response's lines shown.
#include "cli/net/Client.h"

#include "cli/image/Outgoing.h"
#include "cli/net/Http.h"
#include "cli/net/Outcome.h"
#include "cli/output/Exit.h"

namespace {

// If no answer to Expect: 100-continue comes within this long, the body goes all the same.
const DWORD kContinueMs = 1000;
// What is read of a response at a time: a head, or lines.
const DWORD kIn = kHttpMaxHead + 512;

// Moves n bytes down to p from p + nFrom.
void MoveDown(char* p, DWORD nFrom, DWORD n) {
  for (DWORD i = 0; i < n; ++i) p[i] = p[nFrom + i];
}

BOOL StartsWith(LPCSTR psz, LPCSTR pszStart) {
  while (*pszStart)
    if (*psz++ != *pszStart++) return FALSE;
  return TRUE;
}

// The server's lines as a local upload shows its own: progress lines (on a terminal one line,
// redrawn), messages on stderr, the summary; and the outcome, the last line.
class CLines {
 public:
  CLines() : m_line(m_sink) {}
  void Line(char* p, int n) {
    while (n > 0 && (p[n - 1] == '\r' || p[n - 1] == '\n')) --n;
    p[n] = 0;
    if (StartsWith(p, "Status:")) return m_line.Show(p);
    int nExit = ReadExitLine(p);
    if (nExit >= 0) {
      m_nExit = nExit;
      return;
    }
    m_line.End();
    CliWrite(StartsWith(p, "varnok-cli: ") ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, p);
    CliWrite(StartsWith(p, "varnok-cli: ") ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, "\n");
  }
  void End() { m_line.End(); }
  // The exit code the last line says; -1 when none came.
  int GetExit() const { return m_nExit; }

 private:
  CConsoleSink m_sink;
  CStatusLine m_line;
  int m_nExit = -1;
};

// The request's head and body sent, the response read into in (kIn bytes) and shown to its end.
int Exchange(SOCKET s, const HOST_UPLOAD& h, LPCSTR pszWhere, const char* pHead, DWORD nHead, const BYTE* pBody,
             DWORD nBody, char* in) {
  CLines lines;
  DWORD nIn = 0, nHeadSent = 0, nSent = 0;
  int nStatus = 0, nExit = -1;
  BOOL bContinue = FALSE, bEnd = FALSE;
  DWORD dwHeadSent = api::GetTickCount();
  while (!bEnd) {
    if (CliInterrupted()) {
      lines.End();
      CliMessage("stopped");
      return kExitStopped;
    }
    // The head, then the body once the server has taken the head (or not answered it in time),
    // unless it has refused it (a 200 may come before the body has all gone: the lines follow it).
    BOOL bBody = nHeadSent == nHead && (bContinue || api::GetTickCount() - dwHeadSent >= kContinueMs);
    BOOL bWrite = (nStatus == 0 || nStatus == 200) && (nHeadSent < nHead || (bBody && nSent < nBody));
    fd_set read, write;
    FD_ZERO(&read);
    FD_ZERO(&write);
    FD_SET(s, &read);
    FD_SET(s, &write);
    timeval t = {0, 100000};
    if (api::select(static_cast<int>(s) + 1, &read, bWrite ? &write : 0, 0, &t) < 0 && !NetWouldBlock()) break;
    if (bWrite) {
      BOOL bOfHead = nHeadSent < nHead;
      const char* p = bOfHead ? pHead + nHeadSent : reinterpret_cast<const char*>(pBody) + nSent;
      DWORD nLeft = bOfHead ? nHead - nHeadSent : nBody - nSent;
      int n = api::send(s, p, static_cast<int>(nLeft < 0x10000 ? nLeft : 0x10000), 0);
      if (n < 0 && !NetWouldBlock()) break;
      if (n > 0) (bOfHead ? nHeadSent : nSent) += static_cast<DWORD>(n);
      if (n > 0 && bOfHead && nHeadSent == nHead) dwHeadSent = api::GetTickCount();
    }
    int n = api::recv(s, in + nIn, static_cast<int>(kIn - 1 - nIn), 0);
    if (n < 0 && NetWouldBlock()) continue;
    if (n <= 0) {
      bEnd = TRUE;
      n = 0;
    }
    nIn += static_cast<DWORD>(n);
    // Heads: 100 Continue, then the final one; after it, whole lines (at the end, the last one too).
    for (DWORD nLength; nStatus == 0 && nIn;) {
      int nRead = ReadHttpStatus(in, nIn, nLength, nExit);
      if (nRead == 0 && !bEnd) break;
      if (nRead <= 0) {
        CliMessage("not a varnok-cli server", pszWhere);
        return kExitNetwork;
      }
      MoveDown(in, nLength, nIn - nLength);
      nIn -= nLength;
      if (nRead == 100)
        bContinue = TRUE;
      else
        nStatus = nRead;
    }
    // A refusal of the token says so in words of this side's.
    if (nStatus == 401) {
      CliMessage(h.pszToken ? "the server did not take the token given" : "the server wants its token", pszWhere,
                 "give the one its start line ends with (?token=TOKEN) as --token TOKEN or in VARNOK_TOKEN");
      return ExitOfStatus(nStatus);
    }
    DWORD nDone = 0;
    for (DWORD i = 0; nStatus && i < nIn; ++i) {
      if (in[i] != '\n' && !(bEnd && i + 1 == nIn) && i + 1 - nDone < kIn - 1) continue;
      char c = in[i + 1];
      lines.Line(in + nDone, static_cast<int>(i + 1 - nDone));
      in[i + 1] = c;
      nDone = i + 1;
    }
    MoveDown(in, nDone, nIn - nDone);
    nIn -= nDone;
  }
  lines.End();
  if (nStatus && nStatus != 200) return nExit >= 0 ? nExit : ExitOfStatus(nStatus);
  if (nStatus == 200 && (nExit >= 0 || lines.GetExit() >= 0)) return nExit >= 0 ? nExit : lines.GetExit();
  CliMessage("the connection was lost", pszWhere);
  return kExitNetwork;
}

}  // namespace

BOOL CClient::Start() {
  m_bStarted = NetStart();
  return m_bStarted;
}

CClient::~CClient() {
  if (m_bStarted) api::WSACleanup();
}

int CClient::Send(const HOST_UPLOAD& h, LPCSTR pszPath) {
  // What goes out, as a local upload decides it, read here.
  COutgoing out;
  out.FromFile(pszPath, h.pdwAddress, 0, kHttpMaxBody, "more than 16 MiB, the most a server takes");
  if (out.IsRefused()) {
    const CLI_MESSAGE& m = out.GetRefusal();
    CliMessage(m.szWhat, m.szObject[0] ? m.szObject : 0, m.szReason[0] ? m.szReason : 0);
    return out.GetExit();
  }
  if (out.HasWarning()) {
    const CLI_MESSAGE& m = out.GetWarning();
    CliMessage(m.szWhat, m.szObject[0] ? m.szObject : 0, m.szReason[0] ? m.szReason : 0);
  }
  char szWhere[160];
  api::wsprintfA(szWhere, "%s:%u", h.endpoint.szHost, static_cast<UINT>(h.endpoint.nPort));
  sockaddr_in a;
  if (!NetAddress(h.endpoint, a)) {
    CliMessage("cannot connect", szWhere, "no such host");
    return kExitNetwork;
  }
  SOCKET s = api::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET || api::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
    BOOL bStopped = CliInterrupted();
    bStopped ? CliMessage("stopped") : NetMessage("cannot connect", szWhere);
    if (s != INVALID_SOCKET) api::closesocket(s);
    return bStopped ? kExitStopped : kExitNetwork;
  }
  NetNonBlocking(s);
  char szHead[600], szWait[24] = "", szToken[140] = "";
  if (h.dwWait) api::wsprintfA(szWait, "&wait=%lu", static_cast<unsigned long>(h.dwWait));
  if (h.pszToken) api::wsprintfA(szToken, "Authorization: Bearer %.100s\r\n", h.pszToken);
  int nHead =
      api::wsprintfA(szHead,
                     "PUT /upload?address=%08lx&stream=1%s HTTP/1.1\r\nHost: %s\r\nUser-Agent: varnok-cli/1.3\r\n"
                     "%sContent-Length: %lu\r\nExpect: 100-continue\r\n\r\n",
                     static_cast<unsigned long>(out.GetAddress()), szWait, szWhere, szToken,
                     static_cast<unsigned long>(out.GetLength()));
  // Off the stack: the Windows build probes none.
  char* in = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kIn));
  int nExit = in ? Exchange(s, h, szWhere, szHead, static_cast<DWORD>(nHead), out.GetBytes(), out.GetLength(), in)
                 : kExitTransferFault;
  if (in) api::HeapFree(api::GetProcessHeap(), 0, in);
  api::closesocket(s);
  return nExit;
}
