// Options.cpp - varnok-cli's options: what each takes, and the refusal of what does not fit.
#include "cli/front/Options.h"

#include "cli/image/Outgoing.h"
#include "cli/net/Http.h"
#include "cli/output/Exit.h"
#include "cli/output/Output.h"
#include "portio/sim/SimBus.h"

namespace {

const char kVersion[] = "varnok-cli 1.3 (Varnok - Version 1.3 (Beta))\n";
const char kUsage[] =
    "usage: varnok-cli [--port 300|310|320|330] [--address HEX] [--wait SECONDS] [--watch]\n"
    "                  [--simulate[=MODE] [--receipt INI]] [FILE]\n"
    "       varnok-cli --serve [ADDRESS:]PORT [--port P] [--wait SECONDS] [--token TOKEN]\n"
    "                  [--allow-host NAME]... [--simulate[=MODE] [--receipt INI]]\n"
    "       varnok-cli --host HOST[:PORT] [--token TOKEN] [--address HEX] [--wait SECONDS]\n"
    "                  [--watch] FILE\n"
    "\n"
    "Sends FILE to the console at the hexadecimal start address, through the link card at the port.\n"
    "A missing FILE or address is the most recent one (a bare varnok-cli sends the most recent upload\n"
    "again, an ELF file's too); a missing port is the one last used. The history is the program's\n"
    "own (the Varnok window's; ELF files, which the window would send as they are, kept apart).\n"
    "An ELF file (a linked SuperH program) is sent as sh-elf-objcopy -O binary makes it, to the\n"
    "address where that image starts; any other file is sent as it is. An upload that starts in\n"
    "work RAM (00200000-002fffff, 06000000-060fffff, and 20000000 higher) must end in the same\n"
    "area, or nothing is sent; one that starts elsewhere is sent after a warning.\n"
    "\n"
    "  --port P        the card's I/O base: 300, 310, 320 or 330\n"
    "  --address HEX   the start address: hexadecimal digits, 0x optional, up to 32 bits\n"
    "                  (6004000, 0x06004000); with an ELF file, if given, it must be the image's\n"
    "  --wait SECONDS  give up (exit 6) when the console has not answered the handshake, or any\n"
    "                  later byte, within SECONDS; without it, wait until Ctrl-C\n"
    "  --watch         send FILE, then again each time it has changed and stayed unchanged for half\n"
    "                  a second, until Ctrl-C; a file that is gone meanwhile is waited for\n"
    "  --simulate      a simulated card at the port with a console behind it, paced like real\n"
    "                  hardware; =fast answers at once, =bad-checksum gets a checksum error,\n"
    "                  =silent never answers, =stall stops answering half-way through the data\n"
    "  --receipt INI   with --simulate: what the console received, in INI's [DemoConsole] section\n"
    "  --serve [ADDRESS:]PORT  take uploads over HTTP at PORT (on ADDRESS alone, if given) for the\n"
    "                  card of this PC, one at a time, until Ctrl-C: whoever reaches the port and\n"
    "                  holds the token can run code on the console; its start line ends with the\n"
    "                  page's address, the token in it. curl -T FILE -H 'Authorization: Bearer TOKEN'\n"
    "                  'http://PC:PORT/upload?address=06004000'\n"
    "  --token TOKEN   the server's token (letters, digits, - _ . ~; at most 100), instead of a new one\n"
    "                  at each start; for --host, the one to show; VARNOK_TOKEN too\n"
    "  --allow-host NAME  one more name the server answers to (besides its addresses, localhost\n"
    "                  and the PC's own name), as clients reach it\n"
    "  --host HOST[:PORT]  send FILE through the server at HOST (PORT 8300 unless given); an ELF file\n"
    "                  becomes its image here\n"
    "  --help, --version\n"
    "\n"
    "Ctrl-C stops the transfer (a second one ends at once); while --watch waits for a change it\n"
    "ends with the last transfer's exit code. More in the README, and on Linux in the manual page:\n"
    "man varnok-cli (man ./varnok-cli.1 in the unpacked archive)\n"
    "\n"
    "Exit codes: 0 sent and the checksum matched, 1 checksum error, 2 bad input, 3 stopped,\n"
    "4 no port access, 5 read error or out of memory during the transfer,\n"
    "6 the console did not answer (--wait), 7 the network (cannot connect or listen, the connection\n"
    "lost, the server busy), 8 the server wants its token (--host), 70 an internal fault.\n";

BOOL Equal(LPCSTR a, LPCSTR b) { return AfxStrCmpNoCase(a, b) == 0; }

// The option's value when a is "--name VALUE" (taken from the next argument) or "--name=VALUE":
// 1; a is that option without its value: -1 (pszValue 0); another argument: 0.
int TakeValue(LPCSTR pszName, int argc, char** argv, int& i, LPCSTR& pszValue) {
  LPCSTR a = argv[i];
  while (*pszName)
    if (*a++ != *pszName++) return 0;
  if (*a == '=') {
    pszValue = a + 1;
    return 1;
  }
  if (*a) return 0;
  pszValue = i + 1 < argc ? argv[++i] : 0;
  return pszValue ? 1 : -1;
}

// Each option with a value, and what it takes.
const struct {
  LPCSTR pszName;
  LPCSTR pszTakes;
} kOptions[] = {{"--port", "300, 310, 320 or 330"},
                {"--address", "a hexadecimal start address of up to 32 bits (6004000, 0x06004000)"},
                {"--wait", "a whole number of seconds, from 1 to 1000000"},
                {"--receipt", "a file name"},
                {"--serve", "[ADDRESS:]PORT"},
                {"--host", "HOST[:PORT]"},
                {"--token", "letters, digits, '-', '_', '.' and '~', at most 100 of them"},
                {"--allow-host", "a host name: letters, digits, '-' and '.'"}};
enum { kPort, kAddress, kWait, kReceipt, kServe, kHost, kToken, kAllowHost, kValued };

// A name a client may give as the server's Host.
BOOL IsHostName(LPCSTR psz) {
  int n = 0;
  for (; psz[n]; ++n)
    if (!((psz[n] >= '0' && psz[n] <= '9') || (psz[n] >= 'a' && psz[n] <= 'z') || (psz[n] >= 'A' && psz[n] <= 'Z') ||
          psz[n] == '-' || psz[n] == '.'))
      return FALSE;
  return n > 0 && n < 128;
}

int Refuse(int k) {
  char sz[200];
  api::wsprintfA(sz, "%s takes %s", kOptions[k].pszName, kOptions[k].pszTakes);
  CliMessage(sz);
  return kExitBadInput;
}

}  // namespace

int ParseOptions(int argc, char** argv, CLI_OPTIONS& o) {
  LPCSTR pszPort = 0, pszSimulate = 0, pszWait = 0, pszAddress = 0, pszToken = 0, pszAllowHost = 0;
  o.pszFile = o.pszReceipt = 0;
  LPCSTR pszServe = 0, pszHost = 0;
  o.nPortIndex = o.nSimulate = -1;
  o.dwWait = 0;
  o.bWatch = o.bAddress = FALSE;
  o.dwAddress = 0;
  o.szToken[0] = 0;
  o.nAllowHost = 0;
  LPCSTR* const ppszValues[] = {&pszPort,  &pszAddress, &pszWait,  &o.pszReceipt,
                                &pszServe, &pszHost,    &pszToken, &pszAllowHost};
  for (int i = 1; i < argc; ++i) {
    LPCSTR a = argv[i];
    int nTaken = 0;
    for (int k = 0; k < kValued && !nTaken; ++k) {
      nTaken = TakeValue(kOptions[k].pszName, argc, argv, i, *ppszValues[k]);
      if (nTaken < 0) return Refuse(k);
      // Each --allow-host adds a name.
      if (nTaken && k == kAllowHost) {
        if (!IsHostName(pszAllowHost) || o.nAllowHost == CServer::kMaxAllowed) return Refuse(k);
        o.ppszAllowHost[o.nAllowHost++] = pszAllowHost;
      }
    }
    if (nTaken) continue;
    if (Equal(a, "--help") || Equal(a, "-h")) {
      CliWrite(STD_OUTPUT_HANDLE, kUsage);
      return kExitSent;
    } else if (Equal(a, "--version")) {
      CliWrite(STD_OUTPUT_HANDLE, kVersion);
      return kExitSent;
    } else if (Equal(a, "--watch")) {
      o.bWatch = TRUE;
    } else if (Equal(a, "--simulate")) {
      pszSimulate = "paced";
    } else if (TakeValue("--simulate", 0, argv, i, pszSimulate) > 0) {
    } else if (a[0] == '-' && a[1]) {
      char sz[300];
      api::wsprintfA(sz, "unknown option: %.200s (see --help)", a);
      CliMessage(sz);
      return kExitBadInput;
    } else if (!o.pszFile) {
      o.pszFile = a;
    } else {
      CliMessage("one file at a time (see --help)");
      return kExitBadInput;
    }
  }
  if (pszSimulate) {
    static const struct {
      LPCSTR pszName;
      CSimBus::Mode mode;
    } kModes[] = {{"paced", CSimBus::kPaced},
                  {"fast", CSimBus::kFast},
                  {"bad-checksum", CSimBus::kBadChecksum},
                  {"silent", CSimBus::kSilent},
                  {"stall", CSimBus::kStall}};
    for (const auto& m : kModes)
      if (Equal(pszSimulate, m.pszName)) o.nSimulate = m.mode;
    if (o.nSimulate < 0) {
      CliMessage("--simulate takes paced, fast, bad-checksum, silent or stall");
      return kExitBadInput;
    }
  }
  if (o.pszReceipt && !*o.pszReceipt) return Refuse(kReceipt);
  if (o.pszReceipt && !pszSimulate) {
    CliMessage("--receipt goes with --simulate");
    return kExitBadInput;
  }
  if (pszPort) {
    static const char* const kPorts[] = {"300", "310", "320", "330"};
    for (int i = 0; i < 4; ++i)
      if (Equal(pszPort, kPorts[i])) o.nPortIndex = i;
    if (o.nPortIndex < 0) return Refuse(kPort);
  }
  o.bAddress = pszAddress != 0;
  if (pszAddress && !ParseStrictAddress(pszAddress, o.dwAddress)) {
    char sz[300];
    api::wsprintfA(sz, "--address takes %s, not \"%.200s\"", kOptions[kAddress].pszTakes, pszAddress);
    CliMessage(sz);
    return kExitBadInput;
  }
  if (pszWait) {
    LPCSTR p = pszWait;
    while (*p >= '0' && *p <= '9' && o.dwWait <= 1000000) o.dwWait = o.dwWait * 10 + static_cast<DWORD>(*p++ - '0');
    if (*p || o.dwWait == 0 || o.dwWait > 1000000) return Refuse(kWait);
  }
  o.endpoint.szHost[0] = 0;
  o.nNetwork = pszServe ? kNetworkServe : pszHost ? kNetworkHost : 0;
  if (pszServe && !ReadEndpoint(pszServe, FALSE, 0, o.endpoint)) return Refuse(kServe);
  if (pszHost && !ReadEndpoint(pszHost, TRUE, kHttpDefaultPort, o.endpoint)) return Refuse(kHost);
  // The card's options go to the server, the upload's to the client.
  if (pszServe && (pszHost || o.pszFile || o.bAddress || o.bWatch)) {
    CliMessage("--serve takes no FILE, --address, --watch or --host: the clients give the uploads");
    return kExitBadInput;
  }
  if (pszHost && (pszPort || pszSimulate)) {
    CliMessage("--port, --simulate and --receipt go with the card: give them to the server (--serve)");
    return kExitBadInput;
  }
  if (pszHost && !o.pszFile) {
    CliMessage("--host sends the FILE named (see --help)");
    return kExitBadInput;
  }
  if ((pszToken && !pszServe && !pszHost) || (o.nAllowHost && !pszServe)) {
    CliMessage(pszToken && !pszServe && !pszHost ? "--token goes with --serve or --host"
                                                 : "--allow-host goes with --serve");
    return kExitBadInput;
  }
  // The token: --token, else VARNOK_TOKEN, for the network alone.
  LPCSTR pszFrom = 0;
  if (o.nNetwork && GetGivenToken(pszToken, o.szToken, pszFrom) < 0) {
    if (pszToken) return Refuse(kToken);
    char sz[200];
    api::wsprintfA(sz, "%s holds no token: it takes %s", pszFrom, kOptions[kToken].pszTakes);
    CliMessage(sz);
    return kExitBadInput;
  }
  return -1;
}

BOOL ReadEndpoint(LPCSTR psz, BOOL bHostAlone, WORD nDefaultPort, ENDPOINT& e) {
  int nColon = -1, n = AfxStrLen(psz);
  for (int i = 0; i < n; ++i)
    if (psz[i] == ':') nColon = i;
  int nHost = nColon >= 0 ? nColon : bHostAlone ? n : 0;
  LPCSTR pszPort = nColon >= 0 ? psz + nColon + 1 : bHostAlone ? 0 : psz;
  if (nHost >= static_cast<int>(sizeof(e.szHost)) || (bHostAlone && nHost == 0)) return FALSE;
  for (int i = 0; i < nHost; ++i)
    if (psz[i] <= ' ') return FALSE;
  AfxMemCopy(e.szHost, psz, static_cast<size_t>(nHost));
  e.szHost[nHost] = 0;
  e.nPort = nDefaultPort;
  if (!pszPort) return TRUE;
  DWORD dwPort = 0;
  LPCSTR p = pszPort;
  while (*p >= '0' && *p <= '9' && dwPort <= 65535) dwPort = dwPort * 10 + static_cast<DWORD>(*p++ - '0');
  if (p == pszPort || *p || dwPort > 65535 || (bHostAlone && dwPort == 0)) return FALSE;
  e.nPort = static_cast<WORD>(dwPort);
  return TRUE;
}
