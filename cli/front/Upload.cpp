// Upload.cpp - a local upload: decided, sent, reported.
#include "cli/front/Upload.h"

#include "cli/image/Outgoing.h"
#include "cli/output/Exit.h"
#include "ui/UploadDlg.h"

CLocalUpload::CLocalUpload(CSession& session, const CLI_OPTIONS& o)
    : m_session(session), m_o(o), m_line(m_sink), m_deadline(o.dwWait) {
  m_session.AddListener(&m_deadline);
  m_session.AddListener(&m_line);
}

CLocalUpload::~CLocalUpload() {
  m_session.RemoveListener(&m_line);
  m_session.RemoveListener(&m_deadline);
}

int CLocalUpload::Send() {
  // A Ctrl-C that came before: nothing goes to the card.
  if (CliInterrupted()) {
    CliMessage("stopped");
    return kExitStopped;
  }
  // What goes out: an ELF file's image at its address; any other file as it is, at --address, or
  // else the history's (read as the window reads it: it is the window's).
  CString strPath = m_session.GetFileText(), strRecent = m_session.GetAddressText();
  DWORD dwRecent = ParseHexAddress(strRecent);
  COutgoing out;
  out.FromFile(strPath, m_o.bAddress ? &m_o.dwAddress : 0, strRecent.IsEmpty() ? 0 : &dwRecent);
  if (out.IsRefused() || out.HasWarning()) m_sink.Message(out.IsRefused() ? out.GetRefusal() : out.GetWarning());
  if (out.IsRefused()) return out.GetExit();

  CMemoryFileSource image(out.GetBytes(), out.GetLength());
  char szAddress[12];
  api::wsprintfA(szAddress, "%08lx", static_cast<unsigned long>(out.GetAddress()));
  UPLOAD u = {0, out.IsElf() || m_o.bAddress ? szAddress : 0, out.IsElf() ? &image : 0, out.IsElf()};
  const UPLOAD_END& end = m_session.Send(u);
  m_line.End();
  for (int i = 0; i < end.nMessages; ++i) m_sink.Message(end.messages[i]);
  if (end.szSummary[0]) CliWrite(STD_OUTPUT_HANDLE, end.szSummary);
  return end.nExit;
}
