// Settings.cpp - the port and both recent lists, kept in the profile's "Config" section.
//
// Keys: PortNo, RecentFiles, RecentFile<n>, RecentAdrss, RecentAdrs<n> (the spellings the
// profile has always had: stored files rely on them).
#include "ui/UploadDlg.h"

static const char kSection[] = "Config";

// A count from a hand-edited profile never indexes beyond the lists.
static int ClampCount(int n) { return n < 0 ? 0 : (n > kRecentMax ? kRecentMax : n); }

static void LoadList(CWinApp* pApp, LPCSTR pszCountKey, LPCSTR pszEntryKey, CString* pEntries, int& nCount) {
  nCount = ClampCount(static_cast<int>(pApp->GetProfileInt(kSection, pszCountKey, 0)));
  char szKey[32];
  for (int i = 0; i < nCount; ++i) {
    api::wsprintfA(szKey, "%s%d", pszEntryKey, i);
    pEntries[i] = pApp->GetProfileString(kSection, szKey, "");
  }
}

static void SaveList(CWinApp* pApp, LPCSTR pszCountKey, LPCSTR pszEntryKey, const CString* pEntries, int nCount) {
  pApp->WriteProfileInt(kSection, pszCountKey, nCount);
  char szKey[32];
  for (int i = 0; i < nCount && i < kRecentMax; ++i) {
    api::wsprintfA(szKey, "%s%d", pszEntryKey, i);
    pApp->WriteProfileString(kSection, szKey, pEntries[i]);
  }
}

void CUploadDlg::LoadSettings() {
  CWinApp* pApp = AfxGetApp();
  m_nPort = static_cast<int>(pApp->GetProfileInt(kSection, "PortNo", 1));
  LoadList(pApp, "RecentFiles", "RecentFile", m_strRecentFile, m_nRecentFiles);
  LoadList(pApp, "RecentAdrss", "RecentAdrs", m_strRecentAddress, m_nRecentAddresses);
}

void CUploadDlg::SaveSettings() {
  CWinApp* pApp = AfxGetApp();
  pApp->WriteProfileInt(kSection, "PortNo", m_nPort);
  SaveList(pApp, "RecentFiles", "RecentFile", m_strRecentFile, m_nRecentFiles);
  SaveList(pApp, "RecentAdrss", "RecentAdrs", m_strRecentAddress, m_nRecentAddresses);
}
