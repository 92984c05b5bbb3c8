// Options.h - varnok-cli's command line: its usage text, and the arguments read into one record.
#ifndef VARNOK_CLI_FRONT_OPTIONS_H
#define VARNOK_CLI_FRONT_OPTIONS_H

#include "cli/net/Server.h"
#include "cli/net/Sockets.h"

struct CLI_OPTIONS {
  BOOL bAddress;  // --address, read by the strict rule
  DWORD dwAddress;
  LPCSTR pszFile;
  LPCSTR pszReceipt;
  int nPortIndex;  // 0-3 for 300-330; -1 when not given
  int nSimulate;   // a CSimBus::Mode with --simulate, else -1
  DWORD dwWait;    // --wait's seconds, 0 without it
  BOOL bWatch;
  int nNetwork;                 // 0, or kNetworkServe / kNetworkHost: which of --serve and --host was given
  ENDPOINT endpoint;            // where --serve listens, or where --host connects
  char szToken[kTokenMax + 1];  // --token, else VARNOK_TOKEN (--serve, --host); "" when neither
  LPCSTR ppszAllowHost[CServer::kMaxAllowed];  // --allow-host's names
  int nAllowHost;
};
enum { kNetworkServe = 1, kNetworkHost };

// Reads the arguments into o: -1 to go on with them; else the exit code to end with (--help,
// --version, or a refusal, whose message has been shown).
int ParseOptions(int argc, char** argv, CLI_OPTIONS& o);

// "HOST:PORT", or when there is no colon, HOST alone (the port nDefaultPort) if bHostAlone, else
// PORT alone (the host empty). FALSE when it is no such thing. A server's port may be 0: any free
// one, which its start line names.
BOOL ReadEndpoint(LPCSTR psz, BOOL bHostAlone, WORD nDefaultPort, ENDPOINT& e);

#endif  // VARNOK_CLI_FRONT_OPTIONS_H
