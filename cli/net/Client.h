// Client.h - varnok-cli --host: FILE sent through the card of the PC where varnok-cli --serve
// runs. The same command line as a local upload: an ELF file becomes its image here, with the
// same checks; --wait goes to the server. The server's lines
// become the same progress line and summary as a local upload's, and its outcome (Varnok-Exit)
// the same exit code, or kExitNetwork when the network failed it.
#ifndef VARNOK_CLI_NET_CLIENT_H
#define VARNOK_CLI_NET_CLIENT_H

#include "cli/net/Sockets.h"

struct HOST_UPLOAD {
  ENDPOINT endpoint;
  const DWORD* pdwAddress;  // --address (0: none)
  DWORD dwWait;             // --wait's seconds, 0 without it
  LPCSTR pszToken;          // the token (0: none)
};

class CClient {
 public:
  // The network started: FALSE, with the message shown, when this system has none.
  BOOL Start();
  ~CClient();
  // One upload of the file at pszPath (a full path): its exit code.
  int Send(const HOST_UPLOAD& h, LPCSTR pszPath);

 private:
  BOOL m_bStarted = FALSE;
};

#endif  // VARNOK_CLI_NET_CLIENT_H
