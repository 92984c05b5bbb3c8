// History.h - what varnok-cli remembers of its uploads, and what a bare varnok-cli sends again.
//
// The window's lists in [Config] hold only uploads the window makes the same way: a file sent as
// it is, at its address. An ELF file goes out as its image, which the window cannot do (it would
// send the file's own bytes), so an ELF upload leaves those lists as they were and is kept in a
// section of its own in the same profile:
//   [ElfUpload]
//   File=        the ELF file the command line sent last (full path)
//   RawFile=     [Config]'s RecentFile0 and RecentAdrs0 at that moment: while they are still
//   RawAddress=  there, no upload from the window or the command line came after it
// A raw upload from the command line removes File (the window never writes this section, and
// its profile cannot tell a repeat of its own newest upload from none).
#ifndef VARNOK_CLI_SESSION_HISTORY_H
#define VARNOK_CLI_SESSION_HISTORY_H

#include "ui/UploadDlg.h"

class CHistory {
 public:
  // bKept FALSE: uploads leave no history at all (the server's, for its clients).
  explicit CHistory(CUploadDlg& dlg, BOOL bKept = TRUE) : m_dlg(dlg), m_bKept(bKept) {}

  // For a run without FILE: the most recent upload's file into the File box (the dialog shows
  // the window's newest), and for an ELF file no address but its own, unless bAddressGiven.
  void ChooseMostRecent(BOOL bAddressGiven);

  // Around one press of Execute; bElf: the file goes out as an ELF file's image. bBegan: the
  // transfer began (Execute recorded it), however it ended.
  void BeforeUpload(BOOL bElf);
  void AfterUpload(BOOL bElf, BOOL bBegan);
  BOOL IsKept() const { return m_bKept; }

 private:
  // The ELF file sent last while it is the most recent upload; empty otherwise.
  CString GetNewestElf() const;
  // The dialog's two lists and their combo boxes as they were before the upload.
  void RestoreLists();

  CUploadDlg& m_dlg;
  BOOL m_bKept;
  CString m_strFiles[kRecentMax];
  int m_nFiles = 0;
  CString m_strAddresses[kRecentMax];
  int m_nAddresses = 0;
};

#endif  // VARNOK_CLI_SESSION_HISTORY_H
