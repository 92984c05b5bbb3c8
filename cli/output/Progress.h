// Progress.h - the texts of varnok-cli's progress line and closing summary, in 32-bit arithmetic (the 32-bit
// Windows build has no 64-bit division) for files up to 4 GiB less one byte.
#ifndef VARNOK_CLI_OUTPUT_PROGRESS_H
#define VARNOK_CLI_OUTPUT_PROGRESS_H

#include "framework/platform.h"

// nDone of nTotal in per cent, 100 only when all is done.
DWORD ProgressPercent(DWORD nDone, DWORD nTotal);
// Bytes a second.
DWORD ProgressRate(DWORD nBytes, DWORD dwMs);

// What a transfer has done so far; bData once the data phase has begun, dwMs since then.
struct PROGRESS {
  LPCSTR pszStatus;
  BOOL bData;
  DWORD nSent, nLength, dwMs;
};

// "Status:Sending data...  42%  1234/2938 bytes  19.5 KB/s  0:01 left" (the rate and the time
// left once 200 ms of data have gone by); before the data phase, the status and 0%. sz holds 180.
void FormatProgress(char* sz, const PROGRESS& p);

// The closing line of a transfer, for its exit code (the command line's exit codes); sz holds 300.
void FormatSummary(char* sz, int nExit, const PROGRESS& p, LPCSTR pszAddress);

#endif  // VARNOK_CLI_OUTPUT_PROGRESS_H
