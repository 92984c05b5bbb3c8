// Boxes.h - the dialog's message boxes, told apart by the number of the string each shows: the
// exit code each one means, and what it is about.
#ifndef VARNOK_CLI_SESSION_BOXES_H
#define VARNOK_CLI_SESSION_BOXES_H

#include "cli/session/UploadEnd.h"
#include "framework/headless/Headless.h"

// The box's message, with the file (pszPath) and the system's reason where they belong, into end;
// the first box of an upload sets its exit code.
void ReadBox(const HEADLESS_MESSAGEBOX& box, LPCSTR pszPath, LPCSTR pszSystemReason, LPCSTR pszWhyNoPorts,
             UPLOAD_END& end);

#endif  // VARNOK_CLI_SESSION_BOXES_H
