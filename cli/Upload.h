// Upload.h - one upload of varnok-cli: the file in the dialog's File box (an ELF file as its
// image), sent by a press of Execute and followed to its end.
#ifndef VARNOK_CLI_UPLOAD_H
#define VARNOK_CLI_UPLOAD_H

#include "cli/ElfImage.h"

// An ELF (or COFF) file at pszPath as what goes out: kElfImage, its image at its load address in
// image (for the caller to free), which pszAddress, when given, must equal; kElfRefused, the
// message shown; kElfNone, any other file, or one that does not open.
ElfKind LoadElfFile(LPCSTR pszPath, LPCSTR pszAddress, ELF_IMAGE& image);

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
  // --wait's seconds, for the message when the console did not answer.
  void SetWait(DWORD dwWaitSeconds) { m_dwWait = dwWaitSeconds; }

 private:
  CUploadDlg& m_dlg;
  CFollower& m_follower;
  CProgressLine& m_line;
  CReport& m_report;
  CHistory& m_history;
  DWORD m_dwWait;
};

#endif  // VARNOK_CLI_UPLOAD_H
