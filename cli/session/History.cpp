// History.cpp - the command line's ELF uploads beside the window's lists, and the bare run's choice.
#include "cli/session/History.h"

namespace {
const char kSection[] = "ElfUpload";
CString GetNewest(const CString* pEntries, int nCount) { return nCount > 0 ? pEntries[0] : CString(); }
}  // namespace

CString CHistory::GetNewestElf() const {
  CWinApp* pApp = AfxGetApp();
  CString strFile = pApp->GetProfileString(kSection, "File");
  if (pApp->GetProfileString(kSection, "RawFile") != GetNewest(m_dlg.m_strRecentFile, m_dlg.m_nRecentFiles) ||
      pApp->GetProfileString(kSection, "RawAddress") != GetNewest(m_dlg.m_strRecentAddress, m_dlg.m_nRecentAddresses))
    return CString();
  return strFile;
}

void CHistory::ChooseMostRecent(BOOL bAddressGiven) {
  CString strElf = GetNewestElf();
  if (strElf.IsEmpty()) return;
  m_dlg.SetDlgItemText(IDC_FILE, strElf);
  // Its load address comes with the file; one that is no ELF file now has none.
  if (!bAddressGiven) m_dlg.SetDlgItemText(IDC_ADDRESS, "");
}

void CHistory::BeforeUpload(BOOL bElf) {
  if (!bElf || !m_bKept) return;
  m_nFiles = m_dlg.m_nRecentFiles;
  m_nAddresses = m_dlg.m_nRecentAddresses;
  for (int i = 0; i < kRecentMax; ++i) {
    m_strFiles[i] = m_dlg.m_strRecentFile[i];
    m_strAddresses[i] = m_dlg.m_strRecentAddress[i];
  }
}

void CHistory::AfterUpload(BOOL bElf, BOOL bBegan) {
  if (!m_bKept) return;
  CWinApp* pApp = AfxGetApp();
  if (!bElf) {
    if (bBegan) pApp->WriteProfileString(kSection, "File", 0);
    return;
  }
  RestoreLists();
  if (!bBegan) return;
  CString strFile;
  m_dlg.GetDlgItemText(IDC_FILE, strFile);
  pApp->WriteProfileString(kSection, "File", strFile);
  pApp->WriteProfileString(kSection, "RawFile", GetNewest(m_strFiles, m_nFiles));
  pApp->WriteProfileString(kSection, "RawAddress", GetNewest(m_strAddresses, m_nAddresses));
}

void CHistory::RestoreLists() {
  m_dlg.m_nRecentFiles = m_nFiles;
  m_dlg.m_nRecentAddresses = m_nAddresses;
  const struct {
    int nID;
    CString* pTo;
    const CString* pFrom;
    int nCount;
  } kLists[] = {{IDC_FILE, m_dlg.m_strRecentFile, m_strFiles, m_nFiles},
                {IDC_ADDRESS, m_dlg.m_strRecentAddress, m_strAddresses, m_nAddresses}};
  for (const auto& l : kLists) {
    // The box's list as the entries; its text (emptied with the list) as it was.
    CString strText;
    m_dlg.GetDlgItemText(l.nID, strText);
    m_dlg.SendDlgItemMessage(l.nID, CB_RESETCONTENT);
    for (int i = 0; i < kRecentMax; ++i) {
      l.pTo[i] = l.pFrom[i];
      if (i < l.nCount)
        m_dlg.SendDlgItemMessage(l.nID, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(l.pTo[i])));
    }
    m_dlg.SetDlgItemText(l.nID, strText);
  }
}
