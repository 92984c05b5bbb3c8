// Door.h - whom the server lets in: a request judged once its head has come, in this order: the
// Host it names (this server's, or 421), the Origin of a page that sent it (its own, or 403), the
// method (GET or PUT, or 405), then for an upload the token (or 401), and last what the request
// itself asks (400, 411, 413, 417). Pure: the server's names and token are given.
#ifndef VARNOK_CLI_NET_DOOR_H
#define VARNOK_CLI_NET_DOOR_H

#include "cli/net/Http.h"

// What the server answers to.
struct DOOR {
  LPCSTR pszToken;
  const LPCSTR* ppszNames;  // the PC's own names (with and without the domain), and --allow-host's
  int nNames;
};

enum DoorVerdict {
  kDoorUpload,  // PUT /upload, let in
  kDoorPage,    // GET /
  kDoorRefused  // nStatus and szWhy; bSlow: answered no sooner than a second after the head
};

struct DOOR_REFUSAL {
  int nStatus;
  BOOL bSlow;
  char szWhy[400];
};

DoorVerdict JudgeRequest(const HTTP_REQUEST& r, const DOOR& door, DOOR_REFUSAL& refusal);

// Whether the Host header's text (a name or an address, and a port) names this server.
BOOL IsOwnHost(LPCSTR pszHost, const DOOR& door);

// Whether two tokens are the same, in a time that depends only on the server's token's length.
BOOL SameToken(LPCSTR pszServer, LPCSTR pszClient);

#endif  // VARNOK_CLI_NET_DOOR_H
