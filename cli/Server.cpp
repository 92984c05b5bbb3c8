// Server.cpp - varnok-cli --serve: requests read, uploads run through the dialog, responses.
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

// A client that sends nothing for this long while its request or body has not all come is stalled.
const DWORD kStallMs = 10000;
// How long a connection whose response has gone is given to close its side; how long a response
// may take to go out.
const DWORD kLingerMs = 2000;
const DWORD kSendMs = 10000;

// The server's own output, one line: never the response's, which CliWrite goes to meanwhile.
void Log(LPCSTR pszPeer, LPCSTR pszText, LPCSTR pszWhy = 0) {
  char sz[700];
  int n = api::wsprintfA(sz, "%s: %.500s", pszPeer, pszText);
  while (n > 0 && sz[n - 1] == '\n') --n;
  if (pszWhy) n += api::wsprintfA(sz + n, " (%.100s)", pszWhy);
  sz[n++] = '\n';
  sz[n] = 0;
  CliWriteOwn(sz);
}

SOCKET Accept(SOCKET listen, char* pszPeer) {
  sockaddr_in a;
  int n = sizeof(a);
  SOCKET s = api::accept(listen, reinterpret_cast<sockaddr*>(&a), &n);
  if (s == INVALID_SOCKET) return s;
  NetNonBlocking(s);
  NetName(a, pszPeer);
  return s;
}

// Sends the n bytes p within dwMs: FALSE when the peer has gone or took them not in time.
BOOL SendAll(SOCKET s, const char* p, DWORD n, DWORD dwMs) {
  DWORD dwStart = api::GetTickCount();
  while (n > 0) {
    int nSent = api::send(s, p, static_cast<int>(n), 0);
    if (nSent > 0) {
      p += nSent;
      n -= static_cast<DWORD>(nSent);
    } else if (nSent < 0 && NetWouldBlock() && api::GetTickCount() - dwStart < dwMs) {
      NetWait(s, TRUE, 50);
    } else {
      return FALSE;
    }
  }
  return TRUE;
}

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
    SOCKET s = Accept(m_listen, szPeer);
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
  if (r.bContinue && m_nBody < m_nLength) SendAll(m_s, sz, static_cast<DWORD>(FormatHttpHead(sz, 100, 0, 0)), kSendMs);

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
    if (SendAll(m_s, sz, static_cast<DWORD>(n), kSendMs)) SendAll(m_s, m_out, m_nOut, kSendMs);
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

void CServer::Tick() {
  // Every 64th access looks at the clock: the card is not slowed by it.
  if (++m_nAccesses % 64) return;
  DWORD dwNow = api::GetTickCount();
  if (dwNow == m_dwTick) return;
  m_dwTick = dwNow;
  Pump();
}

BYTE CServer::In(UINT nPort) {
  if (m_bActive && nPort == static_cast<UINT>(g_nStatusPort)) {
    Tick();
    // A stop asked for just now: this poll reads busy, so that the wait takes it from the queue.
    if (m_bStopPending) {
      m_bStopPending = FALSE;
      return 0xFF;
    }
  }
  return m_pInner->In(nPort);
}

void CServer::Out(UINT nPort, BYTE value) {
  if (m_bActive && nPort == static_cast<UINT>(g_nDataPort)) {
    DWORD nNeed = NeededAfterByte();
    if (nNeed > m_nBody) WaitForBody(nNeed);
    Tick();
  }
  m_pInner->Out(nPort, value);
}

DWORD CServer::NeededAfterByte() {
  // The data phase reads the first slice after the header's last byte, and each next one after
  // the last byte of a slice: ten slices of L/10 bytes and the remainder; a file under ten bytes
  // at once.
  DWORD nLength = m_nLength;
  if (m_dlg.m_nPhase == CUploadDlg::kPhaseHeader)
    return ++m_nHeaderBytes < 8 ? 0 : nLength < 10 ? nLength : nLength / 10;
  if (m_dlg.m_nPhase != CUploadDlg::kPhaseData || nLength < 10) return 0;
  DWORD nSlice = nLength / 10, nDone = m_dlg.m_dwSent + 1;
  if (nDone % nSlice || nDone / nSlice > 10) return 0;
  return nDone / nSlice < 10 ? nDone + nSlice : nLength;
}

BOOL CServer::WaitForBody(DWORD nNeed) {
  while (m_nBody < nNeed && m_why == kNone) {
    if (CliInterrupts()) {
      // During a transfer the follower stops it at its next look.
      if (!m_bActive) m_why = kInterrupted;
      return FALSE;
    }
    NetWait(m_s, FALSE, 50);
    Pump();
  }
  return m_nBody >= nNeed;
}

void CServer::Pump() {
  DWORD dwNow = api::GetTickCount();
  // The body as far as it has come; after it, only whether the client is still there (bytes past
  // the Content-Length are not part of the upload and are read away).
  while (m_why == kNone) {
    char scratch[512];
    BOOL bBody = m_nBody < m_nLength;
    DWORD nWant = bBody ? m_nLength - m_nBody : sizeof(scratch);
    int n = api::recv(m_s, bBody ? reinterpret_cast<char*>(m_pBody) + m_nBody : scratch,
                      static_cast<int>(nWant < 0x100000 ? nWant : 0x100000), 0);
    if (n > 0 && bBody) {
      m_nBody += static_cast<DWORD>(n);
      m_dwLastByte = dwNow;
      continue;
    }
    if (n == 0 || (n < 0 && !NetWouldBlock())) m_why = kGone;
    break;
  }
  if (m_why == kNone && m_nBody < m_nLength && dwNow - m_dwLastByte >= kStallMs) m_why = kStalled;
  if (m_why == kNone && m_bStream && !Flush(0)) m_why = kGone;
  // While a transfer stops, a newcomer waits for its end, to be served.
  if (m_why == kNone) AnswerNewcomers();
  DrainLingering(FALSE);
  if (m_why != kNone && m_bActive && !m_bStopAsked) {
    m_bStopAsked = m_bStopPending = TRUE;
    m_pFollower->Stop(kExitStopped, WhyText(m_why));
  }
}

void CServer::AnswerNewcomers() {
  for (int k = 0; k < 4 && NetWait(m_listen, FALSE, 0) > 0; ++k) {
    char szPeer[24];
    SOCKET s = Accept(m_listen, szPeer);
    if (s == INVALID_SOCKET) return;
    // When the running upload may be done, from its pace so far.
    DWORD nSent = m_dlg.m_dwSent, dwRate = ProgressRate(nSent, api::GetTickCount() - m_dwStart);
    DWORD dwLeft = nSent && dwRate ? (m_nLength - nSent) / dwRate + 1 : 5;
    Answer(s, szPeer, 503, "varnok-cli: the console is busy with another upload: try again when it is done\n", dwLeft);
  }
}

void CServer::Answer(SOCKET s, LPCSTR pszPeer, int nStatus, LPCSTR pszText, DWORD dwRetryAfter) {
  char sz[300];
  DWORD nText = static_cast<DWORD>(AfxStrLen(pszText));
  int n = FormatHttpHead(sz, nStatus, static_cast<long>(nText), dwRetryAfter);
  if (SendAll(s, sz, static_cast<DWORD>(n), kSendMs)) SendAll(s, pszText, nText, kSendMs);
  if (pszPeer) {
    api::wsprintfA(sz, "%d %s: %.200s", nStatus, HttpReason(nStatus), pszText + (nStatus == 200 ? 0 : 12));
    Log(pszPeer, sz);
  }
  Linger(s);
}

void CServer::Queue(LPCSTR psz, int n) {
  if (n > static_cast<int>(kOutMax - m_nOut)) n = static_cast<int>(kOutMax - m_nOut);
  AfxMemCopy(m_out + m_nOut, psz, static_cast<size_t>(n));
  m_nOut += static_cast<DWORD>(n);
}

BOOL CServer::Flush(DWORD dwMs) {
  DWORD dwStart = api::GetTickCount();
  while (m_nOutSent < m_nOut) {
    int n = api::send(m_s, m_out + m_nOutSent, static_cast<int>(m_nOut - m_nOutSent), 0);
    if (n > 0) {
      m_nOutSent += static_cast<DWORD>(n);
    } else if (n < 0 && NetWouldBlock()) {
      if (api::GetTickCount() - dwStart >= dwMs) return TRUE;
      NetWait(m_s, TRUE, 50);
    } else {
      return FALSE;
    }
  }
  // All gone: the buffer starts again.
  m_nOut = m_nOutSent = 0;
  return TRUE;
}

void CServer::OnText(DWORD nStream, LPCSTR psz, void* pContext) {
  CServer* pThis = static_cast<CServer*>(pContext);
  int n = AfxStrLen(psz);
  pThis->Queue(psz, n);
  // The summary: the one line written whole to the output (the progress lines end apart).
  if (nStream == STD_OUTPUT_HANDLE && n > 1 && psz[n - 1] == '\n') api::wsprintfA(pThis->m_szSummary, "%.290s", psz);
  if (nStream == STD_ERROR_HANDLE && !pThis->m_szMessage[0]) api::wsprintfA(pThis->m_szMessage, "%.290s", psz);
}

void CServer::Linger(SOCKET s) {
  // The end of the response, for a client that reads to the end of the connection.
  api::shutdown(s, SD_SEND);
  if (m_nLingering == static_cast<int>(sizeof(m_lingering) / sizeof(m_lingering[0]))) {
    api::closesocket(m_lingering[0].s);
    m_lingering[0] = m_lingering[--m_nLingering];
  }
  m_lingering[m_nLingering].s = s;
  m_lingering[m_nLingering++].dwSince = api::GetTickCount();
}

void CServer::DrainLingering(BOOL bAll) {
  DWORD dwNow = api::GetTickCount();
  for (int i = 0; i < m_nLingering;) {
    char scratch[1024];
    int n = -1;
    for (int k = 0; k < 16 && !bAll && (n = api::recv(m_lingering[i].s, scratch, sizeof(scratch), 0)) > 0; ++k) {
    }
    if (!bAll && (n > 0 || (n < 0 && NetWouldBlock())) && dwNow - m_lingering[i].dwSince < kLingerMs) {
      ++i;
      continue;
    }
    api::closesocket(m_lingering[i].s);
    m_lingering[i] = m_lingering[--m_nLingering];
  }
}
