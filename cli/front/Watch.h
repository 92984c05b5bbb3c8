// Watch.h - varnok-cli --watch: the file looked at until it has changed and stood still.
#ifndef VARNOK_CLI_FRONT_WATCH_H
#define VARNOK_CLI_FRONT_WATCH_H

#include "framework/platform.h"

// A file's size and time of its last change; all zero while there is no such file.
struct FILE_STAMP {
  DWORD a[4];
  BOOL operator!=(const FILE_STAMP& o) const {
    return a[0] != o.a[0] || a[1] != o.a[1] || a[2] != o.a[2] || a[3] != o.a[3];
  }
};
FILE_STAMP GetFileStamp(LPCSTR pszPath);

// Waits until the file differs from what was sent and has stayed so for a moment; FALSE on
// Ctrl-C.
BOOL WaitForChange(LPCSTR pszPath, const FILE_STAMP& sent);

#endif  // VARNOK_CLI_FRONT_WATCH_H
