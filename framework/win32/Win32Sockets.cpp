// Win32Sockets.cpp - the socket calls of the platform seam: Winsock 1.1, wsock32.dll (every
// Windows since 95). Linked into varnok-cli.exe alone.
#include "framework/api.h"

namespace api {

int WSAStartup(WORD wVersion, WSADATA* pData) { return ::WSAStartup(wVersion, pData); }
int WSACleanup() { return ::WSACleanup(); }
int WSAGetLastError() { return ::WSAGetLastError(); }
SOCKET socket(int af, int type, int protocol) { return ::socket(af, type, protocol); }
int bind(SOCKET s, const sockaddr* pName, int nName) { return ::bind(s, pName, nName); }
int listen(SOCKET s, int nBacklog) { return ::listen(s, nBacklog); }
SOCKET accept(SOCKET s, sockaddr* pAddr, int* pnAddr) { return ::accept(s, pAddr, pnAddr); }
int connect(SOCKET s, const sockaddr* pName, int nName) { return ::connect(s, pName, nName); }
int recv(SOCKET s, char* pBuffer, int nLength, int nFlags) { return ::recv(s, pBuffer, nLength, nFlags); }
int send(SOCKET s, const char* pBuffer, int nLength, int nFlags) { return ::send(s, pBuffer, nLength, nFlags); }
int select(int nfds, fd_set* pRead, fd_set* pWrite, fd_set* pExcept, const timeval* pTimeout) {
  timeval t = pTimeout ? *pTimeout : timeval();
  return ::select(nfds, pRead, pWrite, pExcept, pTimeout ? &t : 0);
}
int shutdown(SOCKET s, int nHow) { return ::shutdown(s, nHow); }
int closesocket(SOCKET s) { return ::closesocket(s); }
int ioctlsocket(SOCKET s, long nCommand, u_long* pArgument) { return ::ioctlsocket(s, nCommand, pArgument); }
int getsockname(SOCKET s, sockaddr* pName, int* pnName) { return ::getsockname(s, pName, pnName); }
int gethostname(char* pszName, int nName) { return ::gethostname(pszName, nName); }
hostent* gethostbyname(LPCSTR pszName) { return ::gethostbyname(pszName); }
unsigned long inet_addr(LPCSTR psz) { return ::inet_addr(psz); }
u_short htons(u_short n) { return ::htons(n); }
u_short ntohs(u_short n) { return ::ntohs(n); }

}  // namespace api
