// CliMain.cpp - varnok-cli: the options, the headless dialog with the card behind it, the upload
// (with --watch, again at each change), and the dialog closed as the window is; or the server of
// the card (--serve), or the client of one (--host).
#include "app/UploaderApp.h"
#include "cli/Cli.h"
#include "cli/Client.h"
#include "cli/Follower.h"
#include "cli/History.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "cli/Server.h"
#include "cli/Upload.h"
#include "cli/Watch.h"
#include "portio/sim/SimBus.h"
#include "ui/UploadDlg.h"

// The system's side (cli/posix, cli/win32): the card's registers at nBase, or 0 with a reason.
CPortIo* OpenCliPortIo(UINT nBase, char* pszWhy, int nWhy);

int CliMain(int argc, char** argv) {
  // First of all: a Ctrl-C from now on stops the upload, never the program half-way.
  CliStart();
  CLI_OPTIONS o;
  int nEnd = ParseOptions(argc, argv, o);
  if (nEnd >= 0) return nEnd;
  if (o.nNetwork == kNetworkHost) return SendToHost(o);

  // The program's own name, so that the window's profile and history are the ones used here.
  theApp.SetNamesFromModule("varnok");
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  if (!dlg.Create()) {
    CliMessage("cannot create the dialog");
    return kExitBadInput;
  }
  HWND hDlg = dlg.m_hWnd;
  if (o.nPortIndex >= 0) dlg.SendDlgItemMessage(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(o.nPortIndex));
  // The history keeps full paths, so that a later bare varnok-cli finds the file from anywhere;
  // the receipt, too, goes where it was named from here.
  // A server's uploads come from its clients and leave no history.
  CHistory history(dlg, o.nNetwork != kNetworkServe);
  if (o.pszFile)
    dlg.SetDlgItemText(IDC_FILE, AfxFullPath(o.pszFile));
  else if (o.nNetwork != kNetworkServe)
    history.ChooseMostRecent(o.pszAddress != 0);
  CString strReceipt = o.pszReceipt ? AfxFullPath(o.pszReceipt) : CString();
  if (o.pszAddress) dlg.SetDlgItemText(IDC_ADDRESS, o.pszAddress);

  // The card's registers: simulated, or the system's own way to the I/O ports. The simulated
  // console's receipt goes only where --receipt says, never into the user's profile.
  int nIndex = static_cast<int>(dlg.SendDlgItemMessage(IDC_PORT, CB_GETCURSEL));
  UINT nBase = static_cast<UINT>(0x300 + 16 * (nIndex >= 0 && nIndex < 4 ? nIndex : 1));
  CSimBus bus(o.nSimulate >= 0 ? static_cast<CSimBus::Mode>(o.nSimulate) : CSimBus::kPaced, nBase);
  bus.SetReceiptProfile(o.pszReceipt ? static_cast<LPCSTR>(strReceipt) : 0);
  CPortIo* pAccess = 0;
  char szWhy[300] = "";
  if (o.nSimulate >= 0)
    pAccess = &bus;
  else if (nIndex >= 0 && nIndex < 4)
    pAccess = OpenCliPortIo(nBase, szWhy, sizeof(szWhy));
  // The dialog's bytes pass the progress line, then the follower (and a server), on their way to
  // the card.
  BOOL bServe = o.nNetwork == kNetworkServe;
  CServer server(pAccess, dlg);
  CFollower follower(bServe ? &server : pAccess, dlg, o.dwWait * 1000);
  server.SetFollower(&follower);
  CProgressLine line(&follower, dlg);
  g_pPortIo = pAccess ? &line : 0;
  CReport report(dlg, line, szWhy);
  CUploader uploader(dlg, follower, line, report, history, o.dwWait);

  // Once; with --watch again at each change, until Ctrl-C or what no change of the file mends. A
  // server: until Ctrl-C, once it has a card and listens.
  CString strPath;
  dlg.GetDlgItemText(IDC_FILE, strPath);
  int nExit = kExitSent;
  char szCard[40];
  api::wsprintfA(szCard, "%x%s", nBase, o.nSimulate >= 0 ? " (simulated)" : "");
  CString str;
  if (bServe && (nIndex < 0 || nIndex >= 4 || !pAccess)) {
    str.LoadString(nIndex < 0 || nIndex >= 4 ? IDS_NO_PORT : IDS_PORT_ACCESS);
    CliMessage(str, szWhy[0] ? szWhy : 0);
    nExit = nIndex < 0 || nIndex >= 4 ? kExitBadInput : kExitNoPortAccess;
  } else if (bServe && !server.Listen(o.endpoint, szCard)) {
    nExit = kExitNetwork;
  } else if (bServe) {
    line.SetPlain();
    server.Run(uploader, o.dwWait);
  }
  for (; !bServe;) {
    FILE_STAMP sent = GetFileStamp(strPath);
    nExit = uploader.Send(o.pszAddress);
    if (!o.bWatch || strPath.IsEmpty() || nExit == kExitStopped || nExit == kExitNoPortAccess) break;
    dlg.SaveSettings();
    if (!WaitForChange(strPath, sent)) break;
    dlg.SetDlgItemText(IDC_FILE, strPath);
  }

  // Closing the dialog from Ready keeps the history, as closing the window does; a server keeps none.
  if (!bServe) headless::Click(hDlg, IDCANCEL);
  while (headless::GetQueueLength() > 0) theApp.PumpMessage();
  api::DestroyWindow(hDlg);
  theApp.m_pMainWnd = 0;
  g_pPortIo = 0;
  return nExit;
}
