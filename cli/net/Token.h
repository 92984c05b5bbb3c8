// Token.h - the server's token: what a client must show to upload.
#ifndef VARNOK_CLI_NET_TOKEN_H
#define VARNOK_CLI_NET_TOKEN_H

#include "framework/platform.h"

const int kTokenMax = 100;  // the longest token taken (--token, VARNOK_TOKEN)

// A new token of 144 random bits, 24 letters, digits, '-' and '_', into sz (25 bytes): from the
// system's random source, or where there is none (Windows 95 as shipped) from the timing of this
// machine's own clock, which is much weaker (give --token there).
void MakeToken(char* sz);
// Whether psz can be a token: 1 to kTokenMax letters, digits, '-', '_', '.' and '~'.
BOOL IsTokenText(LPCSTR psz);
// The token given (--token, else VARNOK_TOKEN) into sz (kTokenMax + 1): 1 given, 0 none, -1 one that
// cannot be a token (pszFrom: where it came from).
int GetGivenToken(LPCSTR pszOption, char* sz, LPCSTR& pszFrom);

#endif  // VARNOK_CLI_NET_TOKEN_H
