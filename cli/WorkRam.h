// WorkRam.h - the console's work RAM, which bounds what varnok-cli sends: an upload that starts
// in an area must end in it (past its end it would overwrite what lies beyond, or wrap onto the
// area's start, where the boot ROM keeps its work area); one that starts outside them all (the
// boot ROM, a cartridge, video memory, a mirror) is the user's choice, sent after a warning.
// Off the standard library: the Windows build has it too.
#ifndef VARNOK_CLI_WORKRAM_H
#define VARNOK_CLI_WORKRAM_H

#include "framework/platform.h"

// Whether nLength bytes of pszPath may be sent to dwStart. FALSE when they would run past the end
// of the area they start in, with the message shown (the area, the upload's last byte and how far
// past the area it lies); one that starts outside them all is sent, after a warning naming the
// address.
BOOL CheckWorkRam(DWORD dwStart, DWORD nLength, LPCSTR pszPath);

#endif  // VARNOK_CLI_WORKRAM_H
