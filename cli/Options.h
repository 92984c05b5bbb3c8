// Options.h - varnok-cli's command line: its usage text, and the arguments read into one record.
#ifndef VARNOK_CLI_OPTIONS_H
#define VARNOK_CLI_OPTIONS_H

#include "framework/platform.h"

struct CLI_OPTIONS {
  LPCSTR pszAddress;  // as given, 0 when not
  LPCSTR pszFile;
  LPCSTR pszReceipt;
  int nPortIndex;  // 0-3 for 300-330; -1 when not given
  int nSimulate;   // a CSimBus::Mode with --simulate, else -1
  DWORD dwWait;    // --wait's seconds, 0 without it
  BOOL bWatch;
};

// A start address as --address takes it: hexadecimal digits, a 0x or 0X before them and leading
// zeros allowed, nothing else (no blanks, no sign), of a value that fits 32 bits. FALSE for
// anything else: a typo is refused, not read as far as it goes (as the window reads it).
BOOL ParseCliAddress(LPCSTR pszText, DWORD& dwAddress);

// Reads the arguments into o: -1 to go on with them; else the exit code to end with (--help,
// --version, or a refusal, whose message has been shown).
int ParseOptions(int argc, char** argv, CLI_OPTIONS& o);

#endif  // VARNOK_CLI_OPTIONS_H
