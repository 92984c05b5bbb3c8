// Upload.cpp - one upload: an ELF file prepared, Execute pressed, the end reported.
#include "cli/Upload.h"

#include "app/UploaderApp.h"
#include "cli/Cli.h"
#include "cli/ElfImage.h"
#include "cli/Follower.h"
#include "cli/History.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "cli/WorkRam.h"
#include "ui/UploadDlg.h"

ElfKind LoadElfFile(LPCSTR pszPath, LPCSTR pszAddress, ELF_IMAGE& image) {
  image.pData = 0;
  CFile file;
  BYTE head[64];
  if (!file.Open(pszPath, CFile::shareDenyNone)) return kElfNone;
  UINT nHead = file.Read(head, sizeof(head));
  if (!IsElfOrCoff(head, nHead)) return kElfNone;
  char szWhy[320] = "an ELF file larger than 64 MiB";
  ElfKind kind = kElfRefused;
  DWORD nFile = static_cast<DWORD>(file.GetLength());
  if (file.GetLength() <= kElfMaxImage && nHead <= nFile) {
    BYTE* pFile = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, nFile));
    AfxMemCopy(szWhy, "the file could not be read whole", 33);
    if (pFile) AfxMemCopy(pFile, head, nHead);
    if (pFile && file.Read(pFile + nHead, nFile - nHead) == nFile - nHead)
      kind = MakeElfImage(pFile, nFile, image, szWhy, sizeof(szWhy));
    if (pFile) api::HeapFree(api::GetProcessHeap(), 0, pFile);
  }
  if (kind == kElfRefused) {
    CliMessage("Cannot Send", pszPath, szWhy);
    return kElfRefused;
  }
  DWORD dwGiven = 0;
  if (pszAddress && ParseCliAddress(pszAddress, dwGiven) && dwGiven != image.dwAddress) {
    char sz[200];
    api::wsprintfA(sz, "--address %08lx differs from the load address of the ELF file, %08lx",
                   static_cast<unsigned long>(dwGiven), static_cast<unsigned long>(image.dwAddress));
    CliMessage(sz, pszPath);
    api::HeapFree(api::GetProcessHeap(), 0, image.pData);
    image.pData = 0;
    return kElfRefused;
  }
  return kElfImage;
}

namespace {

// An ELF file in the File box goes out as its image, at its load address (into the Address
// box); FALSE, with the message shown, when it cannot. Any other file, or one that does not
// open, is left to Execute. image gets what the caller frees; strPath, the file's path, stays
// with the caller as long as the image serves.
BOOL PrepareElf(CUploadDlg& dlg, LPCSTR pszAddress, ELF_IMAGE& image, CString& strPath) {
  image.pData = 0;
  dlg.GetDlgItemText(IDC_FILE, strPath);
  ElfKind kind = strPath.IsEmpty() ? kElfNone : LoadElfFile(strPath, pszAddress, image);
  if (kind != kElfImage) return kind == kElfNone;
  char szAddress[12];
  api::wsprintfA(szAddress, "%08lx", static_cast<unsigned long>(image.dwAddress));
  dlg.SetDlgItemText(IDC_ADDRESS, szAddress);
  CFile::SetImage(strPath, image.pData, image.nLength);
  return TRUE;
}

// Whether the upload ends within the work RAM area it starts in (else the message is shown);
// one that starts outside them all is sent after a warning. An ELF file's image, or the file as
// it is; what Execute refuses anyway (no file, no address, a file that does not open or holds
// more than 4 GiB) is left to it.
BOOL FitsWorkRam(CUploadDlg& dlg, const ELF_IMAGE& image, LPCSTR pszPath) {
  CString strAddress;
  dlg.GetDlgItemText(IDC_ADDRESS, strAddress);
  ULONGLONG nLength = image.nLength;
  CFile file;
  if (!image.pData && *pszPath && file.Open(pszPath, CFile::shareDenyNone)) nLength = file.GetLength();
  if (strAddress.IsEmpty() || (!image.pData && !file.IsOpen()) || nLength > 0xFFFFFFFF) return TRUE;
  return CheckWorkRam(ParseHexAddress(strAddress), static_cast<DWORD>(nLength), pszPath);
}

}  // namespace

int CUploader::Send(LPCSTR pszAddress) {
  // A Ctrl-C that came before: nothing goes to the card.
  if (CliInterrupts()) {
    CliMessage("stopped");
    return kExitStopped;
  }
  ELF_IMAGE image;
  CString strPath;
  if (!PrepareElf(m_dlg, pszAddress, image, strPath)) return kExitBadInput;
  if (!FitsWorkRam(m_dlg, image, strPath)) {
    CFile::SetImage(0, 0, 0);
    if (image.pData) api::HeapFree(api::GetProcessHeap(), 0, image.pData);
    return kExitBadInput;
  }
  BOOL bElf = image.pData != 0;
  m_history.BeforeUpload(bElf);
  m_follower.Begin();
  m_line.Begin();
  m_report.Begin();
  headless::Click(m_dlg.m_hWnd, IDC_EXECUTE);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  CFile::SetImage(0, 0, 0);
  if (image.pData) api::HeapFree(api::GetProcessHeap(), 0, image.pData);
  m_history.AfterUpload(bElf, m_line.Began());
  m_line.EndLine();
  int nExit = m_report.GetExit();
  if (nExit == kExitSent && m_follower.GetStopExit() == kExitStopped) {
    CliMessage(m_follower.GetStopWhy() ? m_follower.GetStopWhy() : "stopped");
    nExit = kExitStopped;
  } else if (nExit == kExitSent && m_follower.GetStopExit() == kExitNoAnswer) {
    char sz[80];
    api::wsprintfA(sz, "the console did not answer within %lu s", static_cast<unsigned long>(m_dwWait));
    CliMessage(sz);
    nExit = kExitNoAnswer;
  }
  m_report.SetExit(nExit);
  char szSummary[300];
  CString strAddress;
  m_dlg.GetDlgItemText(IDC_ADDRESS, strAddress);
  DWORD nSent = m_follower.GetStopExit() ? m_follower.GetSentAtStop() : m_dlg.m_dwSent;
  if (m_line.Summary(szSummary, nExit, nSent, strAddress)) CliWrite(STD_OUTPUT_HANDLE, szSummary);
  return nExit;
}
