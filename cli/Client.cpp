// Client.cpp - varnok-cli --host: the image made here, sent in a PUT, the response's lines shown.
#include "cli/Client.h"

#include "cli/Cli.h"
#include "cli/Http.h"
#include "cli/Net.h"
#include "cli/Report.h"
#include "cli/Upload.h"
#include "cli/Watch.h"
#include "cli/WorkRam.h"
#include "ui/UploadDlg.h"

namespace {

// If no answer to Expect: 100-continue comes within this long, the body goes all the same.
const DWORD kContinueMs = 1000;

// Moves n bytes down to p from p + nFrom.
void MoveDown(char* p, DWORD nFrom, DWORD n) {
  for (DWORD i = 0; i < n; ++i) p[i] = p[nFrom + i];
}

BOOL StartsWith(LPCSTR psz, LPCSTR pszStart) {
  while (*pszStart)
    if (*psz++ != *pszStart++) return FALSE;
  return TRUE;
}

// One of the dialog's messages, as a local upload shows it.
int Refuse(UINT nID, LPCSTR pszPath, LPCSTR pszReason, int nExit = kExitBadInput) {
  CString str;
  str.LoadString(nID);
  CliMessage(str, pszPath, pszReason);
  return nExit;
}

// What goes out: an ELF file's image at its load address, any other file's bytes at --address;
// within the work RAM area it starts in (one that starts outside them all goes after a warning).
// -1, or the exit code of a refusal (its message shown).
int LoadImage(LPCSTR pszPath, LPCSTR pszAddress, BYTE*& pImage, DWORD& nImage, char* pszNormal) {
  ELF_IMAGE elf = {0, 0, 0};
  ElfKind kind = LoadElfFile(pszPath, pszAddress, elf);
  if (kind == kElfRefused) return kExitBadInput;
  pImage = elf.pData;
  nImage = elf.nLength;
  DWORD dwAddress = elf.dwAddress;
  if (kind == kElfNone) {
    CFile file;
    ClearSystemError();
    char szReason[300];
    if (!file.Open(pszPath, CFile::modeRead))
      return Refuse(IDS_OPEN_ERROR, pszPath, GetSystemError(szReason, sizeof(szReason)) ? szReason : 0);
    if (!pszAddress) return Refuse(IDS_NO_ADDRESS, 0, 0);
    ParseCliAddress(pszAddress, dwAddress);
    if (file.GetLength() <= kHttpMaxBody) {
      nImage = static_cast<DWORD>(file.GetLength());
      pImage = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, nImage ? nImage : 1));
      if (!pImage) return Refuse(IDS_OUT_OF_MEMORY, 0, 0, kExitTransferFault);
      if (file.Read(pImage, nImage) != nImage)
        return Refuse(IDS_READ_ERROR, pszPath, "the file ended before its length", kExitTransferFault);
    }
  }
  if (!pImage || nImage > kHttpMaxBody) {
    CliMessage("Cannot Send", pszPath, "more than 16 MiB, the most a server takes");
    return kExitBadInput;
  }
  if (!CheckWorkRam(dwAddress, nImage, pszPath)) return kExitBadInput;
  api::wsprintfA(pszNormal, "%08lx", static_cast<unsigned long>(dwAddress));
  return -1;
}

// The server's lines as a local upload shows its own: progress lines (on a terminal one line,
// redrawn), messages on stderr, and the summary, from which the exit code comes.
class CLines {
 public:
  CLines() : m_bTerminal(CliIsConsole(STD_OUTPUT_HANDLE)) {}
  void Line(char* p, int n) {
    while (n > 0 && (p[n - 1] == '\r' || p[n - 1] == '\n')) --n;
    p[n] = 0;
    if (StartsWith(p, "Status:")) {
      if (!m_bTerminal) return Write(STD_OUTPUT_HANDLE, p, "\n");
      // Spaces, not an escape sequence, clear what a longer line left: every console shows them.
      char sz[100];
      int k = api::wsprintfA(sz, "%.78s", p);
      while (k < 78) sz[k++] = ' ';
      sz[k] = 0;
      Write(STD_OUTPUT_HANDLE, "\r", sz);
      m_bDrawn = TRUE;
      return;
    }
    EndLine();
    if (StartsWith(p, "varnok-cli: ")) return Write(STD_ERROR_HANDLE, p, "\n");
    Write(STD_OUTPUT_HANDLE, p, "\n");
    static const struct {
      LPCSTR pszStart;
      int nExit;
    } kSummaries[] = {{"sent ", kExitSent},
                      {"stopped ", kExitStopped},
                      {"the console did not answer ", kExitNoAnswer},
                      {"failed ", kExitTransferFault}};
    for (const auto& s : kSummaries)
      if (StartsWith(p, s.pszStart)) m_nExit = s.nExit;
    static const char kDiffered[] = "checksum differed";
    if (m_nExit == kExitSent && n >= static_cast<int>(sizeof(kDiffered)) &&
        StartsWith(p + n - sizeof(kDiffered) + 1, kDiffered))
      m_nExit = kExitChecksum;
  }
  void EndLine() {
    if (m_bDrawn) CliWrite(STD_OUTPUT_HANDLE, "\n");
    m_bDrawn = FALSE;
  }
  // The exit code the summary says; -1 when none came.
  int GetExit() const { return m_nExit; }

 private:
  static void Write(DWORD nStream, LPCSTR a, LPCSTR b) {
    CliWrite(nStream, a);
    CliWrite(nStream, b);
  }
  BOOL m_bTerminal;
  BOOL m_bDrawn = FALSE;
  int m_nExit = -1;
};

// The exit code of a status that is not 200.
int ExitOfStatus(int nStatus) {
  static const int kExits[][2] = {{400, kExitBadInput}, {411, kExitBadInput},     {413, kExitBadInput},
                                  {417, kExitBadInput}, {431, kExitBadInput},     {422, kExitChecksum},
                                  {504, kExitNoAnswer}, {500, kExitTransferFault}};
  for (const auto& k : kExits)
    if (k[0] == nStatus) return k[1];
  return kExitNetwork;
}

// What is read of a response at a time: a head, or lines.
const DWORD kIn = kHttpMaxHead + 512;

// The request's head and body sent, the response read into in (kIn bytes) and shown to its end.
int Exchange(SOCKET s, LPCSTR pszWhere, const char* pHead, DWORD nHead, const BYTE* pBody, DWORD nBody, char* in) {
  CLines lines;
  DWORD nIn = 0, nHeadSent = 0, nSent = 0;
  int nStatus = 0;
  BOOL bContinue = FALSE, bEnd = FALSE;
  DWORD dwHeadSent = api::GetTickCount();
  while (!bEnd) {
    if (CliInterrupts()) {
      lines.EndLine();
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
      int nRead = ReadHttpStatus(in, nIn, nLength);
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
  lines.EndLine();
  if (nStatus && nStatus != 200) return ExitOfStatus(nStatus);
  if (nStatus == 200 && lines.GetExit() >= 0) return lines.GetExit();
  CliMessage("the connection was lost", pszWhere);
  return kExitNetwork;
}

int SendOnce(const CLI_OPTIONS& o, LPCSTR pszPath) {
  BYTE* pImage = 0;
  DWORD nImage = 0;
  char szAddress[12];
  int nExit = LoadImage(pszPath, o.pszAddress, pImage, nImage, szAddress);
  char szWhere[160];
  api::wsprintfA(szWhere, "%s:%u", o.endpoint.szHost, static_cast<UINT>(o.endpoint.nPort));
  sockaddr_in a;
  SOCKET s = INVALID_SOCKET;
  if (nExit < 0 && !NetAddress(o.endpoint, a)) {
    CliMessage("cannot connect", szWhere, "no such host");
    nExit = kExitNetwork;
  } else if (nExit < 0) {
    s = api::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET || api::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
      CliInterrupts() ? CliMessage("stopped") : NetMessage("cannot connect", szWhere);
      nExit = CliInterrupts() ? kExitStopped : kExitNetwork;
    }
  }
  if (nExit < 0) {
    NetNonBlocking(s);
    char szHead[400], szWait[24] = "";
    if (o.dwWait) api::wsprintfA(szWait, "&wait=%lu", static_cast<unsigned long>(o.dwWait));
    int nHead =
        api::wsprintfA(szHead,
                       "PUT /upload?address=%s&stream=1%s HTTP/1.1\r\nHost: %s\r\nUser-Agent: varnok-cli/1.3\r\n"
                       "Content-Length: %lu\r\nExpect: 100-continue\r\n\r\n",
                       szAddress, szWait, szWhere, static_cast<unsigned long>(nImage));
    // Off the stack: the Windows build probes none.
    char* in = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kIn));
    nExit = in ? Exchange(s, szWhere, szHead, static_cast<DWORD>(nHead), pImage, nImage, in) : kExitTransferFault;
    if (in) api::HeapFree(api::GetProcessHeap(), 0, in);
  }
  if (s != INVALID_SOCKET) api::closesocket(s);
  if (pImage) api::HeapFree(api::GetProcessHeap(), 0, pImage);
  return nExit;
}

}  // namespace

int SendToHost(const CLI_OPTIONS& o) {
  if (!NetStart()) return kExitNetwork;
  CString strPath = AfxFullPath(o.pszFile);
  int nExit;
  for (;;) {
    FILE_STAMP sent = GetFileStamp(strPath);
    nExit = SendOnce(o, strPath);
    if (!o.bWatch || nExit == kExitStopped || !WaitForChange(strPath, sent)) break;
  }
  api::WSACleanup();
  return nExit;
}
