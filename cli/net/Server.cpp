// Server.cpp - varnok-cli --serve: the door set up, the start line, the loop of uploads.
#include "cli/net/Server.h"

#include "cli/net/Page.h"
#include "cli/net/RemoteUpload.h"
#include "cli/output/Output.h"

CServer::~CServer() {
  m_connections.Close();
  if (m_bStarted) api::WSACleanup();
  if (m_pszPage) api::HeapFree(api::GetProcessHeap(), 0, m_pszPage);
  if (m_pszHtml) api::HeapFree(api::GetProcessHeap(), 0, m_pszHtml);
}

void CServer::AddName(LPCSTR psz, int n) {
  if (n <= 0 || n >= static_cast<int>(sizeof(m_names[0])) ||
      m_nNames >= static_cast<int>(sizeof(m_names) / sizeof(m_names[0])))
    return;
  AfxMemCopy(m_names[m_nNames], psz, n);
  m_names[m_nNames][n] = 0;
  m_ppszNames[m_nNames] = m_names[m_nNames];
  ++m_nNames;
}

void CServer::AddOwnNames(const LPCSTR* ppszAllowed, int nAllowed) {
  char szHost[128] = "";
  if (api::gethostname(szHost, sizeof(szHost)) == 0 && szHost[0]) {
    szHost[sizeof(szHost) - 1] = 0;
    // With and without the domain, as the resolver knows it too.
    LPCSTR pszNames[2] = {szHost, 0};
    hostent* pHost = api::gethostbyname(szHost);
    char szCanonical[128] = "";
    if (pHost && pHost->h_name) api::wsprintfA(szCanonical, "%.127s", pHost->h_name);
    pszNames[1] = szCanonical;
    for (LPCSTR psz : pszNames) {
      int n = AfxStrLen(psz), nLabel = 0;
      while (nLabel < n && psz[nLabel] != '.') ++nLabel;
      AddName(psz, n);
      if (nLabel < n) AddName(psz, nLabel);
    }
  }
  for (int i = 0; i < nAllowed; ++i) AddName(ppszAllowed[i], AfxStrLen(ppszAllowed[i]));
}

BOOL CServer::Listen(const ENDPOINT& e, LPCSTR pszCard, LPCSTR pszToken, const LPCSTR* ppszAllowed, int nAllowed) {
  sockaddr_in a;
  m_pszPage = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, kPageTextMax));
  if (!m_pszPage) {
    CliMessage("Not Enough Memory");
    return FALSE;
  }
  if (!NetStart()) return FALSE;
  m_bStarted = TRUE;
  if (!m_connections.Listen(e, a)) return FALSE;
  if (pszToken)
    api::wsprintfA(m_szToken, "%s", pszToken);
  else
    MakeToken(m_szToken);
  AddOwnNames(ppszAllowed, nAllowed);
  DOOR door = {m_szToken, m_ppszNames, m_nNames};
  m_connections.SetDoor(door);
  UINT nPort = api::ntohs(a.sin_port);
  FormatPageText(m_pszPage, pszCard, nPort);
  m_pszHtml = MakePageHtml(pszCard);
  m_connections.SetPage(m_pszPage, m_pszHtml);

  // Where it listens, and the page's address: this address, or else the PC's name.
  char szWhere[160], szPage[300];
  NetName(a, szWhere);
  char szName[128] = "localhost";
  if (a.sin_addr.s_addr == INADDR_ANY) {
    api::wsprintfA(szWhere, "port %u of every address of this PC", nPort);
    if (m_nNames > 0) api::wsprintfA(szName, "%s", m_ppszNames[0]);
    api::wsprintfA(szPage, "http://%s:%u/?token=%s", szName, nPort, m_szToken);
  } else {
    api::wsprintfA(szPage, "http://%s/?token=%s", szWhere, m_szToken);
  }
  char sz[800];
  api::wsprintfA(sz,
                 "serving uploads at %s (HTTP) through the card at %.70s. Whoever reaches this port can run code on "
                 "the console with the token. Ctrl-C ends. The page: %s\n",
                 szWhere, pszCard, szPage);
  CliWrite(STD_OUTPUT_HANDLE, sz);
  return TRUE;
}

void CServer::Run() {
  CRemoteUpload upload(m_session, m_connections, m_dwWait);
  while (!CliInterrupted()) {
    m_connections.Wait(100);
    m_connections.Pump(FALSE, 0);
    TAKEN t;
    if (m_connections.Take(t)) upload.Serve(t);
  }
}
