// Sockets.cpp - sockets as the server and the client use them.
#include "cli/net/Sockets.h"

#include "cli/output/Output.h"
#include "cli/system/System.h"

BOOL NetStart() {
  WSADATA wsa;
  if (api::WSAStartup(MAKEWORD(1, 1), &wsa) == 0) return TRUE;
  CliMessage("no network on this system (Winsock 1.1, wsock32.dll)");
  return FALSE;
}

BOOL NetAddress(const ENDPOINT& e, sockaddr_in& a) {
  a = sockaddr_in();
  a.sin_family = AF_INET;
  a.sin_port = api::htons(e.nPort);
  a.sin_addr.s_addr = INADDR_ANY;
  if (!e.szHost[0]) return TRUE;
  unsigned long dwAddress = api::inet_addr(e.szHost);
  if (dwAddress != INADDR_NONE) {
    a.sin_addr.s_addr = static_cast<DWORD>(dwAddress);
    return TRUE;
  }
  hostent* pHost = api::gethostbyname(e.szHost);
  if (!pHost || pHost->h_addrtype != AF_INET || pHost->h_length != 4 || !pHost->h_addr_list[0]) return FALSE;
  AfxMemCopy(&a.sin_addr, pHost->h_addr_list[0], 4);
  return TRUE;
}

int NetWait(SOCKET s, BOOL bWrite, DWORD dwMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval t;
  t.tv_sec = static_cast<long>(dwMs / 1000);
  t.tv_usec = static_cast<long>(dwMs % 1000 * 1000);
  return api::select(static_cast<int>(s) + 1, bWrite ? 0 : &set, bWrite ? &set : 0, 0, &t);
}

void NetWaitAny(const SOCKET* p, int n, DWORD dwMs) {
  fd_set set;
  FD_ZERO(&set);
  SOCKET nHighest = 0;
  for (int i = 0; i < n; ++i) {
    FD_SET(p[i], &set);
    if (p[i] > nHighest) nHighest = p[i];
  }
  timeval t;
  t.tv_sec = static_cast<long>(dwMs / 1000);
  t.tv_usec = static_cast<long>(dwMs % 1000 * 1000);
  api::select(static_cast<int>(nHighest) + 1, &set, 0, 0, &t);
}

void NetNonBlocking(SOCKET s) {
  u_long on = 1;
  api::ioctlsocket(s, FIONBIO, &on);
}

BOOL NetWouldBlock() {
  int nError = api::WSAGetLastError();
  return nError == WSAEWOULDBLOCK || nError == WSAEINTR;
}

void NetName(const sockaddr_in& a, char* sz) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&a.sin_addr);
  api::wsprintfA(sz, "%u.%u.%u.%u:%u", p[0], p[1], p[2], p[3], static_cast<UINT>(api::ntohs(a.sin_port)));
}

void NetMessage(LPCSTR pszWhat, LPCSTR pszObject) {
  char szReason[300];
  BOOL bReason = GetSystemError(szReason, sizeof(szReason));
  CliMessage(pszWhat, pszObject, bReason ? szReason : 0);
}

BOOL NetSendAll(SOCKET s, const char* p, DWORD n, DWORD dwMs) {
  DWORD dwStart = api::GetTickCount();
  while (n > 0) {
    int nSent = api::send(s, p, static_cast<int>(n), 0);
    if (nSent > 0) {
      p += nSent;
      n -= static_cast<DWORD>(nSent);
    } else if (nSent < 0 && NetWouldBlock() && api::GetTickCount() - dwStart < dwMs) {
      NetWait(s, TRUE, 50);
    } else {
      return FALSE;
    }
  }
  return TRUE;
}

SOCKET NetAccept(SOCKET listen, char* pszPeer) {
  sockaddr_in a;
  int n = sizeof(a);
  SOCKET s = api::accept(listen, reinterpret_cast<sockaddr*>(&a), &n);
  if (s == INVALID_SOCKET) return s;
  NetNonBlocking(s);
  NetName(a, pszPeer);
  return s;
}
