// Options.h - varnok-cli's command line: its usage text, and the arguments read into one record.
#ifndef VARNOK_CLI_OPTIONS_H
#define VARNOK_CLI_OPTIONS_H

#include "framework/platform.h"

// Where a server listens or a client connects: a host (a name or a dotted address; empty: any
// of this PC's addresses) and a port.
struct ENDPOINT {
  char szHost[128];
  WORD nPort;
};

struct CLI_OPTIONS {
  LPCSTR pszAddress;  // as given, 0 when not
  LPCSTR pszFile;
  LPCSTR pszReceipt;
  int nPortIndex;  // 0-3 for 300-330; -1 when not given
  int nSimulate;   // a CSimBus::Mode with --simulate, else -1
  DWORD dwWait;    // --wait's seconds, 0 without it
  BOOL bWatch;
  int nNetwork;       // 0, or kNetworkServe / kNetworkHost: which of --serve and --host was given
  ENDPOINT endpoint;  // where --serve listens, or where --host connects
};
enum { kNetworkServe = 1, kNetworkHost };

// A start address as --address takes it: hexadecimal digits, a 0x or 0X before them and leading
// zeros allowed, nothing else (no blanks, no sign), of a value that fits 32 bits. FALSE for
// anything else: a typo is refused, not read as far as it goes (as the window reads it).
BOOL ParseCliAddress(LPCSTR pszText, DWORD& dwAddress);

// Reads the arguments into o: -1 to go on with them; else the exit code to end with (--help,
// --version, or a refusal, whose message has been shown).
int ParseOptions(int argc, char** argv, CLI_OPTIONS& o);

// "HOST:PORT", or when there is no colon, HOST alone (the port nDefaultPort) if bHostAlone, else
// PORT alone (the host empty). FALSE when it is no such thing. A server's port may be 0: any free
// one, which its start line names.
BOOL ReadEndpoint(LPCSTR psz, BOOL bHostAlone, WORD nDefaultPort, ENDPOINT& e);

#endif  // VARNOK_CLI_OPTIONS_H
