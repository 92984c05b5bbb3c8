// Upload.h - one upload of varnok-cli: the file in the dialog's File box (an ELF file as its
// image), sent by a press of Execute and followed to its end.
#ifndef VARNOK_CLI_UPLOAD_H
#define VARNOK_CLI_UPLOAD_H

#include "framework/platform.h"

class CUploadDlg;
class CFollower;
class CHistory;
class CProgressLine;
class CReport;

class CUploader {
 public:
  CUploader(CUploadDlg& dlg, CFollower& follower, CProgressLine& line, CReport& report, CHistory& history,
            DWORD dwWaitSeconds)
      : m_dlg(dlg), m_follower(follower), m_line(line), m_report(report), m_history(history), m_dwWait(dwWaitSeconds) {}

  // One press of Execute with what the boxes hold, to its end: its exit code. pszAddress is the
  // address the user gave (0: none), which an ELF file's load address must equal.
  int Send(LPCSTR pszAddress);

 private:
  CUploadDlg& m_dlg;
  CFollower& m_follower;
  CProgressLine& m_line;
  CReport& m_report;
  CHistory& m_history;
  DWORD m_dwWait;
};

#endif  // VARNOK_CLI_UPLOAD_H
