// RemoteUpload.cpp - an upload from a client: its body, its transfer through the session, its
// response.
#include "cli/net/RemoteUpload.h"

#include "cli/image/ElfImage.h"
#include "cli/net/Outcome.h"
#include "cli/output/Exit.h"
#include "cli/output/Progress.h"
#include "cli/session/ProgressLine.h"

namespace {
const DWORD kSendMs = 10000;
}  // namespace

CRemoteUpload::CRemoteUpload(CSession& session, CConnections& connections, DWORD dwWait)
    : m_session(session), m_connections(connections), m_dwServerWait(dwWait), m_deadline(dwWait) {}

void CRemoteUpload::Serve(TAKEN& t) {
  m_s = t.s;
  api::wsprintfA(m_szPeer, "%s", t.szPeer);
  const HTTP_REQUEST& r = t.request;
  m_response.Start(m_s, FALSE);
  if (!m_body.Start(m_s, r.nLength, t.pAfterHead, t.nAfterHead) || !m_response.IsReady())
    return Refuse(500, "Not Enough Memory for the image");
  if (r.bContinue && m_body.GetArrived() < r.nLength) {
    char sz[400];
    HTTP_RESPONSE h = {100, -1, 0, -1, FALSE};
    NetSendAll(m_s, sz, static_cast<DWORD>(FormatHttpHead(sz, h)), kSendMs);
  }
  Upload(r);
  m_body.Free();
}

void CRemoteUpload::Upload(const HTTP_REQUEST& r) {
  // The address by the rules of a local upload's --address.
  DWORD dwAddress = 0;
  BOOL bAddress = r.szAddress[0] != 0;
  if (bAddress && !ParseStrictAddress(r.szAddress, dwAddress)) {
    char sz[200];
    api::wsprintfA(sz, "address= takes a hexadecimal start address of 32 bits, not \"%s\"", r.szAddress);
    return Refuse(400, sz);
  }
  // Its first bytes tell an ELF file, which goes out as its image: then the whole of it first.
  DWORD nFirst = r.nLength < 64 ? r.nLength : 64;
  BOOL bElf = WaitForBody(nFirst) && IsElfOrCoff(m_body.GetBytes(), nFirst);
  if (bElf) WaitForBody(r.nLength);
  if (m_body.GetWhy() == CBody::kGone) {
    ServerLog(m_szPeer, "gone before the upload began");
    api::closesocket(m_s);
    return;
  }
  if (m_body.GetWhy() == CBody::kStalled) return Refuse(408, "the client sent nothing for 10 s");
  if (m_body.GetWhy() == CBody::kInterrupted) return Refuse(503, "the server ends");
  char szName[40];
  api::wsprintfA(szName, "<upload from %s>", m_szPeer);
  COutgoing out;
  if (bElf)
    out.FromBytes(m_body.GetBytes(), r.nLength, szName, bAddress ? &dwAddress : 0, "address=");
  else if (!bAddress)
    return Refuse(400, "the upload needs its start address: PUT /upload?address=HEX");
  else
    out.FromLength(r.nLength, szName, dwAddress);
  if (out.IsRefused()) {
    const CLI_MESSAGE& m = out.GetRefusal();
    return Refuse(400, m.szWhat, m.szObject[0] ? m.szObject : 0, m.szReason[0] ? m.szReason : 0);
  }
  Run(r, szName, out);
}

void CRemoteUpload::Run(const HTTP_REQUEST& r, LPCSTR pszName, const COutgoing& out) {
  // The smaller of the request's wait and the server's.
  m_deadline.SetWait(m_dwServerWait && (!r.dwWait || r.dwWait > m_dwServerWait) ? m_dwServerWait : r.dwWait);
  CProgressLine line(m_response);
  m_response.Start(m_s, r.bStream);
  if (r.bStream) {
    char sz[400];
    HTTP_RESPONSE h = {200, -1, 0, -1, FALSE};
    NetSendAll(m_s, sz, static_cast<DWORD>(FormatHttpHead(sz, h)), kSendMs);
  }
  if (out.HasWarning()) m_response.Message(out.GetWarning());
  CMemoryFileSource image(out.GetBytes(), out.GetLength());
  char szAddress[12];
  api::wsprintfA(szAddress, "%08lx", static_cast<unsigned long>(out.GetAddress()));
  UPLOAD u = {pszName, szAddress, out.IsElf() ? static_cast<CFileSource*>(&image) : this, out.IsElf()};
  CTransferListener* listeners[] = {&m_deadline, &line, this};
  for (CTransferListener* p : listeners) m_session.AddListener(p);
  m_dwStart = api::GetTickCount();
  const UPLOAD_END& end = m_session.Send(u);
  for (CTransferListener* p : listeners) m_session.RemoveListener(p);

  line.End();
  for (int i = 0; i < end.nMessages; ++i) m_response.Message(end.messages[i]);
  if (end.szSummary[0]) m_response.Write(STD_OUTPUT_HANDLE, end.szSummary);
  CBody::Why why = m_body.GetWhy();
  int nStatus = why == CBody::kStalled ? 408 : StatusOfUpload(end.nExit);
  // The server's line: the summary; when no transfer began, the status and the first message.
  char szLine[400];
  if (end.szSummary[0])
    api::wsprintfA(szLine, "%.300s", end.szSummary);
  else
    api::wsprintfA(szLine, "%d %s: %.200s", nStatus, HttpReason(nStatus), end.nMessages ? end.messages[0].szWhat : "");
  if (why == CBody::kGone) {
    ServerLog(m_szPeer, szLine, m_body.GetWhyText());
    api::closesocket(m_s);
    return;
  }
  int nExit = ExitOfStatus(nStatus);
  if (r.bStream) {
    // The status went at the start: the outcome is the last line.
    char sz[40];
    api::wsprintfA(sz, "Varnok-Exit: %d\n", nExit);
    m_response.Write(STD_OUTPUT_HANDLE, sz);
    m_response.Flush(kSendMs);
  } else {
    char sz[400];
    HTTP_RESPONSE h = {nStatus, static_cast<long>(m_response.GetLength()), 0, nExit, FALSE};
    if (NetSendAll(m_s, sz, static_cast<DWORD>(FormatHttpHead(sz, h)), kSendMs)) m_response.Flush(kSendMs);
  }
  ServerLog(m_szPeer, szLine, m_body.GetWhyText());
  m_connections.Linger(m_s);
}

void CRemoteUpload::Refuse(int nStatus, LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  // As the door's refusals (the response's buffer may be what there was no memory for).
  char sz[1100];
  int n = FormatCliMessage(sz, pszWhat, pszObject, pszReason);
  HTTP_RESPONSE h = {nStatus, n, 0, ExitOfStatus(nStatus), FALSE};
  m_connections.Answer(m_s, m_szPeer, h, sz);
}

UINT CRemoteUpload::ReadAt(DWORD nOffset, void* pBuffer, UINT nCount) {
  DWORD nLength = m_body.GetLength();
  if (nOffset >= nLength) return 0;
  if (nCount > nLength - nOffset) nCount = nLength - nOffset;
  // What has not come is waited for; what never will stops the transfer, and the dialog writes
  // the rest of its slice, as after any Stop, as zeros.
  TRANSFER_STOP stop;
  if (!WaitForBody(nOffset + nCount) && GetStop(stop)) m_session.Stop(stop);
  DWORD nHere = m_body.GetArrived() > nOffset ? m_body.GetArrived() - nOffset : 0;
  if (nHere > nCount) nHere = nCount;
  AfxMemCopy(pBuffer, m_body.GetBytes() + nOffset, nHere);
  for (DWORD i = nHere; i < nCount; ++i) static_cast<BYTE*>(pBuffer)[i] = 0;
  return nCount;
}

BOOL CRemoteUpload::WaitForBody(DWORD nNeed) {
  while (m_body.GetArrived() < nNeed && m_body.GetWhy() == CBody::kNone) {
    if (CliInterrupted()) {
      m_body.SetWhy(CBody::kInterrupted);
      break;
    }
    NetWait(m_s, FALSE, 50);
    Pump();
  }
  return m_body.GetArrived() >= nNeed;
}

void CRemoteUpload::Pump() {
  m_body.Read();
  if (m_body.GetWhy() == CBody::kNone && m_response.IsStreaming() && !m_response.Flush(0)) m_body.SetWhy(CBody::kGone);
  // When the running upload may be done, from its pace so far.
  DWORD nSent = m_last.nSent, dwRate = ProgressRate(nSent, api::GetTickCount() - m_dwStart);
  DWORD dwLeft = nSent && dwRate ? (m_last.nLength - nSent) / dwRate + 1 : 5;
  m_connections.Pump(TRUE, dwLeft);
}

BOOL CRemoteUpload::GetStop(TRANSFER_STOP& stop) const {
  stop.nExit = kExitStopped;
  stop.pszWhy = m_body.GetWhyText();
  return m_body.GetWhy() != CBody::kNone;
}

void CRemoteUpload::Tick(const TRANSFER& t) {
  m_last = t;
  // Every 64th access looks at the clock, at most once a millisecond: the card is not slowed by it.
  if (++m_nAccesses % 64) return;
  DWORD dwNow = api::GetTickCount();
  if (dwNow == m_dwTick) return;
  m_dwTick = dwNow;
  Pump();
}

void CRemoteUpload::OnByte(const TRANSFER& t) { Tick(t); }

BOOL CRemoteUpload::OnLook(const TRANSFER& t, TRANSFER_STOP& stop) {
  Tick(t);
  return GetStop(stop);
}
