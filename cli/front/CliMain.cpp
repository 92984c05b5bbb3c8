// CliMain.cpp - varnok-cli: the options, then the upload from this PC (with --watch, again at
// each change), the server of the card (--serve), or the client of one (--host).
#include "cli/front/CliMain.h"

#include "app/UploaderApp.h"
#include "cli/front/Options.h"
#include "cli/front/Upload.h"
#include "cli/front/Watch.h"
#include "cli/net/Client.h"
#include "cli/net/Server.h"
#include "cli/output/Exit.h"
#include "cli/system/System.h"
#include "portio/sim/SimBus.h"

namespace {

// --host: the file through a server.
int SendToHost(const CLI_OPTIONS& o) {
  CClient client;
  if (!client.Start()) return kExitNetwork;
  HOST_UPLOAD h = {o.endpoint, o.bAddress ? &o.dwAddress : 0, o.dwWait, o.szToken[0] ? o.szToken : 0};
  CString strPath = AfxFullPath(o.pszFile);
  for (;;) {
    FILE_STAMP sent = GetFileStamp(strPath);
    int nExit = client.Send(h, strPath);
    if (!o.bWatch || nExit == kExitStopped || !WaitForChange(strPath, sent)) return nExit;
  }
}

// Once; with --watch again at each change, until Ctrl-C or what no change of the file mends.
int SendHere(CSession& session, const CLI_OPTIONS& o) {
  CLocalUpload upload(session, o);
  CString strPath = session.GetFileText();
  for (;;) {
    FILE_STAMP sent = GetFileStamp(strPath);
    int nExit = upload.Send();
    if (!o.bWatch || strPath.IsEmpty() || nExit == kExitStopped || nExit == kExitNoPortAccess) return nExit;
    session.SaveSettings();
    if (!WaitForChange(strPath, sent)) return nExit;
    session.SetFileText(strPath);
  }
}

int RunSession(CSession& session, const CLI_OPTIONS& o) {
  BOOL bServe = o.nNetwork == kNetworkServe;
  if (!session.Open()) {
    CliMessage("cannot create the dialog");
    return kExitBadInput;
  }
  if (o.nPortIndex >= 0) session.SelectPort(o.nPortIndex);
  // The command line's paths are full, so that a later bare varnok-cli finds the file from
  // anywhere; the receipt, too, goes where it was named from here.
  if (o.pszFile)
    session.SetFileText(AfxFullPath(o.pszFile));
  else if (!bServe)
    session.ChooseMostRecent(o.bAddress);
  CString strReceipt = o.pszReceipt ? AfxFullPath(o.pszReceipt) : CString();

  // The card's registers: simulated, or the system's own way to the I/O ports. The simulated
  // console's receipt goes only where --receipt says, never into the user's profile.
  UINT nBase;
  BOOL bPort = session.GetCardBase(nBase);
  CSimBus bus(o.nSimulate >= 0 ? static_cast<CSimBus::Mode>(o.nSimulate) : CSimBus::kPaced, nBase);
  bus.SetReceiptProfile(o.pszReceipt ? static_cast<LPCSTR>(strReceipt) : 0);
  char szWhy[300] = "";
  CPortIo* pCard = o.nSimulate >= 0 ? &bus : bPort ? OpenCliPortIo(nBase, szWhy, sizeof(szWhy)) : 0;
  session.SetCard(pCard, szWhy);
  if (!bServe) return SendHere(session, o);

  // A server: until Ctrl-C, once it has a card and listens.
  if (!bPort || !pCard) {
    CString str;
    str.LoadString(bPort ? IDS_PORT_ACCESS : IDS_NO_PORT);
    CliMessage(str, szWhy[0] ? szWhy : 0);
    return bPort ? kExitNoPortAccess : kExitBadInput;
  }
  char szCard[40];
  api::wsprintfA(szCard, "%x%s", nBase, o.nSimulate >= 0 ? " (simulated)" : "");
  // (On the heap: the Windows build probes no stack.)
  CServer* pServer = new CServer(session, o.dwWait);
  BOOL bListens =
      pServer && pServer->Listen(o.endpoint, szCard, o.szToken[0] ? o.szToken : 0, o.ppszAllowHost, o.nAllowHost);
  if (bListens) pServer->Run();
  delete pServer;
  return bListens ? kExitSent : kExitNetwork;
}

int Run(const CLI_OPTIONS& o) {
  // A server's uploads come from its clients and leave no history. (On the heap: the Windows
  // build probes no stack.)
  BOOL bServe = o.nNetwork == kNetworkServe;
  CSession* pSession = new CSession(!bServe);
  if (!pSession) return kExitTransferFault;
  CSession& session = *pSession;
  int nExit = RunSession(session, o);
  delete pSession;
  return nExit;
}

}  // namespace

int CliMain(int argc, char** argv) {
  // First of all: a Ctrl-C from now on stops the upload, never the program half-way.
  CliStart();
  CLI_OPTIONS o;
  int nEnd = ParseOptions(argc, argv, o);
  if (nEnd >= 0) return nEnd;
  if (o.nNetwork == kNetworkHost) return SendToHost(o);
  // The program's own name, so that the window's profile and history are the ones used here.
  theApp.SetNamesFromModule("varnok");
  return Run(o);
}
