// Server.cpp - varnok-cli --serve: connections taken, requests read, uploads run through the
// dialog with the body read ahead of the card (the responses: ServerReply.cpp).
#include "cli/Server.h"

#include "cli/Cli.h"
#include "cli/ElfImage.h"
#include "cli/Follower.h"
#include "cli/Net.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "cli/Upload.h"
#include "ui/UploadDlg.h"

namespace {

const char kPage[] =
    "Whoever reaches this port can run code on the console.\n"
    "\n"
    "Send a console program's image (objcopy -O binary makes it of an ELF file) to its start address:\n"
    "\n"
    "    curl -T game.bin 'http://THIS-PC:%u/upload?address=06004000'\n"
    "\n"
    "The status says how it went: 200 sent and the checksum matched, 422 the checksum differed,\n"
    "400 refused, 408 the client stalled, 503 busy, 504 the console did not answer; the lines how\n"
    "the transfer went. &stream=1: the lines as they come (the status then 200, the last line says\n"
    "how it ended); &wait=SECONDS: give up on a console that does not answer in time.\n"
    "From a machine with Varnok: varnok-cli --host THIS-PC:%u --address 06004000 game.bin\n";

}  // namespace

CServer::CServer(CPortIo* pInner, CUploadDlg& dlg) : m_pInner(pInner), m_dlg(dlg) {}

LPCSTR CServer::WhyText(Why why) {
  return why == kGone ? "the client closed the connection" : why == kStalled ? "the client sent nothing for 10 s" : 0;
}

CServer::~CServer() {
  DrainLingering(TRUE);
  if (m_head) api::HeapFree(api::GetProcessHeap(), 0, m_head);
  if (m_listen != INVALID_SOCKET) {
    api::closesocket(m_listen);
    api::WSACleanup();
  }
}

BOOL CServer::Listen(const ENDPOINT& e, LPCSTR pszCard) {
  char szWhere[160];
  api::wsprintfA(szWhere, "%s:%u", e.szHost[0] ? e.szHost : "*", static_cast<UINT>(e.nPort));
  sockaddr_in a;
  m_head = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kHttpMaxHead + kOutMax));
  m_out = m_head + kHttpMaxHead;
  if (!m_head) {
    CliMessage("Not Enough Memory");
    return FALSE;
  }
  if (!NetStart()) return FALSE;
  if (!NetAddress(e, a)) {
    CliMessage("no such host", e.szHost);
    api::WSACleanup();
    return FALSE;
  }
  SOCKET s = api::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET || api::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || api::listen(s, 8) != 0) {
    NetMessage("cannot listen", szWhere);
    if (s != INVALID_SOCKET) api::closesocket(s);
    api::WSACleanup();
    return FALSE;
  }
  m_listen = s;
  NetNonBlocking(s);
  int n = sizeof(a);
  api::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  NetName(a, szWhere);
  if (a.sin_addr.s_addr == INADDR_ANY)
    api::wsprintfA(szWhere, "port %u of every address of this PC", static_cast<UINT>(api::ntohs(a.sin_port)));
  api::wsprintfA(m_szCard, "%.70s", pszCard);
  char sz[400];
  api::wsprintfA(sz,
                 "serving uploads at %s (HTTP) through the card at %s. Whoever reaches this port can run code on "
                 "the console. Ctrl-C ends.\n",
                 szWhere, m_szCard);
  CliWrite(STD_OUTPUT_HANDLE, sz);
  return TRUE;
}

void CServer::Run(CUploader& uploader, DWORD dwWait) {
  while (!CliInterrupts()) {
    DrainLingering(FALSE);
    if (NetWait(m_listen, FALSE, 100) <= 0) continue;
    char szPeer[24];
    SOCKET s = NetAccept(m_listen, szPeer);
    if (s != INVALID_SOCKET) Serve(s, szPeer, uploader, dwWait);
  }
}

void CServer::Serve(SOCKET s, LPCSTR pszPeer, CUploader& uploader, DWORD dwWait) {
  m_s = s;
  api::wsprintfA(m_szPeer, "%s", pszPeer);
  m_nHead = 0;
  m_why = kNone;
  m_dwLastByte = api::GetTickCount();
  HTTP_REQUEST r;
  HttpKind kind = kHttpMore;
  while (kind == kHttpMore) {
    if (CliInterrupts()) {
      api::closesocket(s);
      m_s = INVALID_SOCKET;
      return;
    }
    if (api::GetTickCount() - m_dwLastByte >= kStallMs) {
      Answer(s, pszPeer, 408, "varnok-cli: the request did not come whole within 10 s\n");
      m_s = INVALID_SOCKET;
      return;
    }
    if (NetWait(s, FALSE, 100) <= 0) continue;
    int n = api::recv(s, m_head + m_nHead, static_cast<int>(kHttpMaxHead - m_nHead), 0);
    if (n == 0 || (n < 0 && !NetWouldBlock())) {
      api::closesocket(s);
      m_s = INVALID_SOCKET;
      return;
    }
    if (n < 0) continue;
    m_nHead += static_cast<DWORD>(n);
    m_dwLastByte = api::GetTickCount();
    kind = ReadHttpRequest(m_head, m_nHead, r);
  }
  if (kind == kHttpUpload) {
    Upload(r, uploader, dwWait);
  } else if (kind == kHttpPage) {
    char sz[2200];
    int n = api::wsprintfA(sz, "This is varnok-cli --serve, for the Saturn link card at %s of this PC.\n", m_szCard);
    sockaddr_in a;
    int nName = sizeof(a);
    api::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &nName);
    UINT nPort = api::ntohs(a.sin_port);
    api::wsprintfA(sz + n, kPage, nPort, nPort);
    Answer(s, 0, 200, sz);
  } else {
    char sz[200];
    api::wsprintfA(sz, "varnok-cli: %s\n", r.szWhy);
    Answer(s, pszPeer, r.nStatus, sz);
  }
  m_s = INVALID_SOCKET;
}

void CServer::Upload(const HTTP_REQUEST& r, CUploader& uploader, DWORD dwWait) {
  char sz[300];
  // The address by the rules of a local upload's --address (the work RAM's: in the upload).
  DWORD dwAddress;
  if (!ParseCliAddress(r.szAddress, dwAddress)) {
    api::wsprintfA(sz, "varnok-cli: address= takes a hexadecimal start address of 32 bits, not \"%s\"\n", r.szAddress);
    return Answer(m_s, m_szPeer, 400, sz);
  }
  m_pBody = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, r.nLength ? r.nLength : 1));
  if (!m_pBody) return Answer(m_s, m_szPeer, 500, "varnok-cli: Not Enough Memory for the image\n");
  m_nLength = r.nLength;
  m_nBody = m_nHead - r.nHead < m_nLength ? m_nHead - r.nHead : m_nLength;
  AfxMemCopy(m_pBody, m_head + r.nHead, m_nBody);
  m_nOut = m_nOutSent = 0;
  m_bStream = r.bStream;
  m_szSummary[0] = m_szMessage[0] = 0;
  m_nHeaderBytes = 0;
  m_bStopPending = m_bStopAsked = FALSE;
  if (r.bContinue && m_nBody < m_nLength)
    NetSendAll(m_s, sz, static_cast<DWORD>(FormatHttpHead(sz, 100, 0, 0)), kSendMs);

  // Its first bytes tell an ELF file, which the client makes into its image: refused before the
  // card hears of it.
  DWORD nFirst = m_nLength < 64 ? m_nLength : 64;
  int nStatus = 0;
  LPCSTR pszRefusal = 0;
  if (!WaitForBody(nFirst)) {
    nStatus = m_why == kStalled ? 408 : 503;
    pszRefusal = m_why == kStalled ? "varnok-cli: the client sent nothing for 10 s\n" : "varnok-cli: the server ends\n";
  } else if (IsElfOrCoff(m_pBody, nFirst)) {
    nStatus = 400;
    pszRefusal =
        "varnok-cli: Cannot Send: an ELF or COFF file: send its image (sh-elf-objcopy -O binary), or send it with "
        "varnok-cli --host, which makes the image\n";
  }
  if (nStatus || m_why == kGone) {
    api::HeapFree(api::GetProcessHeap(), 0, m_pBody);
    m_pBody = 0;
    if (m_why == kGone) {
      Log(m_szPeer, "gone before the upload began");
      api::closesocket(m_s);
      return;
    }
    return Answer(m_s, m_szPeer, nStatus, pszRefusal);
  }

  // The upload, as a local one: the image in place of a file, the address as typed.
  DWORD dwRequestWait = dwWait && (!r.dwWait || r.dwWait > dwWait) ? dwWait : r.dwWait;
  m_pFollower->SetWait(dwRequestWait * 1000);
  uploader.SetWait(dwRequestWait);
  char szPath[40];
  api::wsprintfA(szPath, "<upload from %s>", m_szPeer);
  m_dlg.SetDlgItemText(IDC_FILE, szPath);
  m_dlg.SetDlgItemText(IDC_ADDRESS, r.szAddress);
  CFile::SetImage(szPath, m_pBody, m_nLength);
  if (m_bStream) Queue(sz, FormatHttpHead(sz, 200, -1, 0));
  CliSetSink(&OnText, this);
  m_bActive = TRUE;
  m_dwStart = api::GetTickCount();
  int nExit = uploader.Send(0);
  m_bActive = FALSE;
  CliSetSink(0, 0);
  CFile::SetImage(0, 0, 0);
  api::HeapFree(api::GetProcessHeap(), 0, m_pBody);
  m_pBody = 0;

  // The server's line: the summary; when no transfer began, the status and the first message.
  nStatus = m_why == kStalled ? 408 : StatusOf(nExit);
  if (!m_szSummary[0])
    api::wsprintfA(m_szSummary, "%d %s: %.200s", nStatus, HttpReason(nStatus), m_szMessage[0] ? m_szMessage + 12 : "");
  if (m_why == kGone) {
    Log(m_szPeer, m_szSummary, WhyText(m_why));
    api::closesocket(m_s);
    return;
  }
  if (!m_bStream) {
    int n = FormatHttpHead(sz, nStatus, static_cast<long>(m_nOut), 0);
    if (NetSendAll(m_s, sz, static_cast<DWORD>(n), kSendMs)) NetSendAll(m_s, m_out, m_nOut, kSendMs);
  } else {
    Flush(kSendMs);
  }
  Log(m_szPeer, m_szSummary, WhyText(m_why));
  Linger(m_s);
}

int CServer::StatusOf(int nExit) const {
  static const int kStatus[][2] = {
      {kExitSent, 200}, {kExitChecksum, 422}, {kExitNoAnswer, 504}, {kExitStopped, 503}, {kExitBadInput, 400}};
  for (const auto& k : kStatus)
    if (k[0] == nExit) return k[1];
  return 500;
}
