// Sockets.h - what varnok-cli's server and client share on sockets: Winsock started, a host's
// address, waits on sockets, a peer's name.
#ifndef VARNOK_CLI_NET_SOCKETS_H
#define VARNOK_CLI_NET_SOCKETS_H

#include "framework/platform.h"

// Where a server listens or a client connects: a host (a name or a dotted address; empty: any
// of this PC's addresses) and a port.
struct ENDPOINT {
  char szHost[128];
  WORD nPort;
};

// Winsock 1.1 started (FALSE, with the message shown, when this system has none).
BOOL NetStart();
// The address of e (its host empty: any of this PC's) in a (FALSE when the name is not known).
BOOL NetAddress(const ENDPOINT& e, sockaddr_in& a);
// Until s can be read (bWrite: written) or dwMs have gone by: > 0 ready, 0 not, < 0 failed.
int NetWait(SOCKET s, BOOL bWrite, DWORD dwMs);
// Until one of the n sockets p can be read, or dwMs have gone by.
void NetWaitAny(const SOCKET* p, int n, DWORD dwMs);
// No call on s waits any more.
void NetNonBlocking(SOCKET s);
// Whether the latest failed call only found nothing to do now (or was interrupted by Ctrl-C).
BOOL NetWouldBlock();
// "a.b.c.d:port" into sz (24).
void NetName(const sockaddr_in& a, char* sz);
// "varnok-cli: what: object: the system's reason" on stderr.
void NetMessage(LPCSTR pszWhat, LPCSTR pszObject);

// Sends the n bytes p within dwMs: FALSE when the peer has gone or took them not in time.
BOOL NetSendAll(SOCKET s, const char* p, DWORD n, DWORD dwMs);

// A connection taken from listen, not waiting on any call, its peer's name into pszPeer (24);
// INVALID_SOCKET when none came.
SOCKET NetAccept(SOCKET listen, char* pszPeer);

#endif  // VARNOK_CLI_NET_SOCKETS_H
