// PosixSockets.cpp - the socket calls of the platform seam over BSD sockets: Winsock's meanings
// (an error code through WSAGetLastError, no signal on a broken connection).
#include <fcntl.h>
#include <unistd.h>

#include "framework/api.h"

namespace api {

int WSAStartup(WORD wVersion, WSADATA* pData) {
  *pData = WSADATA();
  pData->wVersion = pData->wHighVersion = wVersion;
  return 0;
}
int WSACleanup() { return 0; }
int WSAGetLastError() { return errno; }

SOCKET socket(int af, int type, int protocol) {
  int s = ::socket(af, type | SOCK_CLOEXEC, protocol);
  // Windows binds a port again while its last connections linger in TIME_WAIT; so does Linux with this.
  int on = 1;
  if (s >= 0) ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  return s;
}
int bind(SOCKET s, const sockaddr* pName, int nName) { return ::bind(s, pName, static_cast<socklen_t>(nName)); }
int listen(SOCKET s, int nBacklog) { return ::listen(s, nBacklog); }
SOCKET accept(SOCKET s, sockaddr* pAddr, int* pnAddr) {
  socklen_t n = pnAddr ? static_cast<socklen_t>(*pnAddr) : 0;
  int c = ::accept4(s, pAddr, pnAddr ? &n : nullptr, SOCK_CLOEXEC);
  if (pnAddr) *pnAddr = static_cast<int>(n);
  return c;
}
int connect(SOCKET s, const sockaddr* pName, int nName) { return ::connect(s, pName, static_cast<socklen_t>(nName)); }
int recv(SOCKET s, char* pBuffer, int nLength, int nFlags) {
  return static_cast<int>(::recv(s, pBuffer, static_cast<size_t>(nLength), nFlags));
}
int send(SOCKET s, const char* pBuffer, int nLength, int nFlags) {
  return static_cast<int>(::send(s, pBuffer, static_cast<size_t>(nLength), nFlags | MSG_NOSIGNAL));
}
int select(int nfds, fd_set* pRead, fd_set* pWrite, fd_set* pExcept, const timeval* pTimeout) {
  timeval t = pTimeout ? *pTimeout : timeval();
  return ::select(nfds, pRead, pWrite, pExcept, pTimeout ? &t : nullptr);
}
int shutdown(SOCKET s, int nHow) { return ::shutdown(s, nHow); }
int closesocket(SOCKET s) { return ::close(s); }
int ioctlsocket(SOCKET s, long nCommand, u_long* pArgument) {
  if (nCommand != static_cast<long>(FIONBIO)) {
    errno = EINVAL;
    return SOCKET_ERROR;
  }
  int flags = ::fcntl(s, F_GETFL);
  if (flags < 0) return SOCKET_ERROR;
  return ::fcntl(s, F_SETFL, *pArgument ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) < 0 ? SOCKET_ERROR : 0;
}
int getsockname(SOCKET s, sockaddr* pName, int* pnName) {
  socklen_t n = static_cast<socklen_t>(*pnName);
  int r = ::getsockname(s, pName, &n);
  *pnName = static_cast<int>(n);
  return r;
}
int gethostname(char* pszName, int nName) { return ::gethostname(pszName, static_cast<size_t>(nName)); }
hostent* gethostbyname(LPCSTR pszName) { return ::gethostbyname(pszName); }
unsigned long inet_addr(LPCSTR psz) { return ::inet_addr(psz); }
u_short htons(u_short n) { return ::htons(n); }
u_short ntohs(u_short n) { return ::ntohs(n); }

}  // namespace api
