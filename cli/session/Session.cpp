// Session.cpp - the dialog driven from the command line: the boxes filled, Execute pressed, the
// transfer followed through the tap, its end read back.
#include "cli/session/Session.h"

#include "app/UploaderApp.h"
#include "cli/output/Exit.h"
#include "cli/output/Progress.h"
#include "cli/session/Boxes.h"
#include "cli/system/System.h"
#include "framework/headless/Headless.h"

namespace {
// The dialog's phases, in its own order.
const TransferStep kSteps[] = {kStepInit, kStepHandshake, kStepHeader, kStepData, kStepChecksum};
}  // namespace

CSession::CSession(BOOL bHistory) : m_history(m_dlg, bHistory) {
  headless::AddObserver(&OnMessage, this);
  headless::AddMessageBoxHook(&OnBox, this);
}

CSession::~CSession() {
  if (m_dlg.m_hWnd) {
    HWND hDlg = m_dlg.m_hWnd;
    // Closing the dialog from Ready keeps the history, as closing the window does; a server
    // keeps none.
    if (m_history.IsKept()) headless::Click(hDlg, IDCANCEL);
    Pump();
    api::DestroyWindow(hDlg);
  }
  theApp.m_pMainWnd = 0;
  if (g_pPortIo == this) g_pPortIo = 0;
  headless::RemoveMessageBoxHook(&OnBox, this);
  headless::RemoveObserver(&OnMessage, this);
}

BOOL CSession::Open() {
  theApp.m_pMainWnd = &m_dlg;
  return m_dlg.Create();
}

void CSession::SelectPort(int nIndex) { m_dlg.SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(nIndex)); }

BOOL CSession::GetCardBase(UINT& nBase) const {
  int nIndex = static_cast<int>(const_cast<CUploadDlg&>(m_dlg).SendDlgItemMessage(IDC_PORT, CB_GETCURSEL));
  nBase = CUploadDlg::CardBaseOf(nIndex >= 0 && nIndex < 4 ? nIndex : 1);
  return nIndex >= 0 && nIndex < 4;
}

void CSession::SetCard(CPortIo* pCard, LPCSTR pszWhyNone) {
  m_pCard = pCard;
  m_pszWhyNoCard = pszWhyNone ? pszWhyNone : "";
  g_pPortIo = pCard ? static_cast<CPortIo*>(this) : 0;
}

void CSession::SetFileText(LPCSTR pszPath) { m_dlg.SetDlgItemText(IDC_FILE, pszPath); }

CString CSession::GetFileText() const {
  CString str;
  m_dlg.GetDlgItemText(IDC_FILE, str);
  return str;
}

CString CSession::GetAddressText() const {
  CString str;
  m_dlg.GetDlgItemText(IDC_ADDRESS, str);
  return str;
}

void CSession::SaveSettings() { m_dlg.SaveSettings(); }

void CSession::AddListener(CTransferListener* p) {
  if (m_nListeners < static_cast<int>(sizeof(m_listeners) / sizeof(m_listeners[0]))) m_listeners[m_nListeners++] = p;
}

void CSession::RemoveListener(CTransferListener* p) {
  for (int i = 0; i < m_nListeners; ++i)
    if (m_listeners[i] == p) {
      m_listeners[i] = m_listeners[--m_nListeners];
      return;
    }
}

void CSession::Pump() {
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
}

const UPLOAD_END& CSession::Send(const UPLOAD& u) {
  UPLOAD_END& end = m_end;
  end.nExit = kExitSent;
  end.bBegan = FALSE;
  end.nAnswered = 0;
  end.szSummary[0] = 0;
  end.nMessages = 0;
  if (u.pszFile) m_dlg.SetDlgItemText(IDC_FILE, u.pszFile);
  if (u.pszAddress) m_dlg.SetDlgItemText(IDC_ADDRESS, u.pszAddress);
  CString strPath = GetFileText();
  m_pEnd = &end;
  m_bData = FALSE;
  m_stop.nExit = 0;
  m_stop.pszWhy = 0;
  ClearSystemError();
  for (int i = 0; i < m_nListeners; ++i) m_listeners[i]->OnBegin();
  m_history.BeforeUpload(u.bElf);
  // Execute pressed, and its whole transfer run; the source stands in for the file meanwhile.
  auto press = [this] {
    headless::Click(m_dlg.m_hWnd, IDC_EXECUTE);
    Pump();
  };
  if (u.pSource) {
    CFileStandIn standIn(strPath, *u.pSource);
    press();
  } else {
    press();
  }
  m_pEnd = 0;
  m_history.AfterUpload(u.bElf, end.bBegan);

  // A stop from here, where the dialog itself said nothing.
  if (end.nExit == kExitSent && m_stop.nExit) {
    end.nExit = m_stop.nExit;
    AddEndMessage(end, m_stop.pszWhy ? m_stop.pszWhy : "stopped");
  }
  end.nAnswered = m_stop.nExit ? m_nAnsweredAtStop : m_dlg.m_dwSent;
  if (!end.bBegan) return end;
  PROGRESS p = {"", m_bData, end.nAnswered, m_dlg.m_dwLength, api::GetTickCount() - m_dwDataTick};
  FormatSummary(end.szSummary, end.nExit, p, GetAddressText());
  return end;
}

void CSession::Stop(const TRANSFER_STOP& stop) {
  if (m_stop.nExit || !m_pEnd || !m_dlg.m_bBusy) return;
  m_stop = stop;
  m_nAnsweredAtStop = m_dlg.m_dwSent;
  CWnd* pCancel = m_dlg.GetDlgItem(IDCANCEL);
  m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(pCancel->m_hWnd));
}

void CSession::NoteDataPhase() {
  // From the data phase on (a file of no bytes, or whose buffer could not be had, too).
  if (m_bData || m_dlg.m_nPhase < CUploadDlg::kPhaseData) return;
  m_bData = TRUE;
  m_dwDataTick = api::GetTickCount();
}

TRANSFER CSession::Now() const {
  TRANSFER t = {kSteps[m_dlg.m_nPhase], m_dlg.m_dwSent, m_dlg.m_dwLength, m_bData, m_dwDataTick};
  return t;
}

BYTE CSession::In(UINT nPort) {
  if (m_pEnd && nPort == static_cast<UINT>(g_nStatusPort)) {
    TRANSFER t = Now();
    TRANSFER_STOP stop;
    for (int i = 0; i < m_nListeners && !m_stop.nExit; ++i)
      if (m_listeners[i]->OnLook(t, stop)) Stop(stop);
  }
  return m_pCard->In(nPort);
}

void CSession::Out(UINT nPort, BYTE value) {
  m_pCard->Out(nPort, value);
  // The bytes a stopped transfer still writes are not followed: nobody answers them.
  if (!m_pEnd || nPort != static_cast<UINT>(g_nDataPort) || m_dlg.m_bAbort) return;
  m_pEnd->bBegan = TRUE;
  NoteDataPhase();
  TRANSFER t = Now();
  for (int i = 0; i < m_nListeners; ++i) m_listeners[i]->OnByte(t);
}

void CSession::OnMessage(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam, void* pContext) {
  CSession* pThis = static_cast<CSession*>(pContext);
  if (!pThis->m_pEnd || uMsg != WM_SETTEXT || api::GetDlgCtrlID(hWnd) != IDC_STATUS) return;
  LPCSTR pszText = reinterpret_cast<LPCSTR>(lParam);
  pThis->NoteDataPhase();
  // The end (Ready) has the summary instead.
  CString strReady;
  strReady.LoadString(IDS_STATUS_READY);
  if (strReady == pszText) return;
  TRANSFER t = pThis->Now();
  for (int i = 0; i < pThis->m_nListeners; ++i) pThis->m_listeners[i]->OnStatus(pszText, t);
}

void CSession::OnBox(const HEADLESS_MESSAGEBOX& box, void* pContext) {
  CSession* pThis = static_cast<CSession*>(pContext);
  if (!pThis->m_pEnd) return;
  char szReason[300];
  BOOL bReason = GetSystemError(szReason, sizeof(szReason));  // before anything else can fail
  ReadBox(box, pThis->GetFileText(), bReason ? szReason : 0, pThis->m_pszWhyNoCard, *pThis->m_pEnd);
}
