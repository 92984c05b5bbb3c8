// RecentLists.cpp - the most recently used files and addresses, shown in their combo boxes.
//
// Each list is an array of kRecentMax strings, most recent first, and a count; the combo
// box's list always holds the same strings in the same order.
#include "ui/UploadDlg.h"

void CUploadDlg::AddRecentFile(LPCSTR pszPath) { AddRecentItem(m_strRecentFile, m_nRecentFiles, IDC_FILE, pszPath); }

void CUploadDlg::AddRecentAddress(LPCSTR pszAddress) {
  AddRecentItem(m_strRecentAddress, m_nRecentAddresses, IDC_ADDRESS, pszAddress);
}

void CUploadDlg::AddRecentItem(CString* pEntries, int& nCount, int nIDCombo, LPCSTR pszItem) {
  CString strItem(pszItem);  // the item may be one of our own entries: keep a copy
  if (nCount <= 0) {
    nCount = 1;
    pEntries[0] = strItem;
    SendDlgItemMessage(nIDCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strItem)));
    return;
  }
  if (nCount > kRecentMax) nCount = kRecentMax;

  // Search the whole list: from after item 0, round to the top.
  int i = static_cast<int>(
      SendDlgItemMessage(nIDCombo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strItem))));
  if (i < 0 || i >= nCount) {
    if (nCount >= kRecentMax) {
      SendDlgItemMessage(nIDCombo, CB_DELETESTRING, kRecentMax - 1);
      nCount = kRecentMax;
    } else {
      ++nCount;
    }
    for (int j = nCount - 1; j >= 1; --j) pEntries[j] = pEntries[j - 1];
    SendDlgItemMessage(nIDCombo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strItem)));
    pEntries[0] = strItem;
    return;
  }

  for (int j = i; j >= 1; --j) pEntries[j] = pEntries[j - 1];
  pEntries[0] = strItem;
  SendDlgItemMessage(nIDCombo, CB_RESETCONTENT);
  for (int j = 0; j < nCount; ++j)
    SendDlgItemMessage(nIDCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(pEntries[j])));
  SetDlgItemText(nIDCombo, strItem);
}

void CUploadDlg::FillRecentLists() {
  for (int j = 0; j < m_nRecentFiles; ++j)
    SendDlgItemMessage(IDC_FILE, CB_INSERTSTRING, j, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(m_strRecentFile[j])));
  if (m_nRecentFiles > 0) SetDlgItemText(IDC_FILE, m_strRecentFile[0]);
  for (int j = 0; j < m_nRecentAddresses; ++j)
    SendDlgItemMessage(IDC_ADDRESS, CB_INSERTSTRING, j,
                       reinterpret_cast<LPARAM>(static_cast<LPCSTR>(m_strRecentAddress[j])));
  if (m_nRecentAddresses > 0) SetDlgItemText(IDC_ADDRESS, m_strRecentAddress[0]);
}
