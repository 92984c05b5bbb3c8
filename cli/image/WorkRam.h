// WorkRam.h - the console's work RAM, which bounds what varnok-cli sends: an upload that starts
// in an area must end in it (past its end it would overwrite what lies beyond, or wrap onto the
// area's start, where the boot ROM keeps its work area); one that starts outside them all (the
// boot ROM, a cartridge, video memory, a mirror) is the user's choice, sent after a warning.
// Off the standard library: the Windows build has it too.
#ifndef VARNOK_CLI_IMAGE_WORKRAM_H
#define VARNOK_CLI_IMAGE_WORKRAM_H

#include "cli/output/Output.h"

enum WorkRamVerdict {
  kWorkRamInside,   // it starts and ends in one area
  kWorkRamOutside,  // it starts outside them all: sent after the warning
  kWorkRamPast      // it would run past the end of the area it starts in: refused
};

// Where nLength bytes of pszPath sent to dwStart lie; m gets the warning or the refusal (the
// area, the upload's last byte and how far past the area it lies).
WorkRamVerdict CheckWorkRam(DWORD dwStart, DWORD nLength, LPCSTR pszPath, CLI_MESSAGE& m);

#endif  // VARNOK_CLI_IMAGE_WORKRAM_H
