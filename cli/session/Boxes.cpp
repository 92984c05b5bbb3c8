// Boxes.cpp - each box the dialog shows, by its string's number.
#include "cli/session/Boxes.h"

#include "cli/output/Exit.h"
#include "res/resource.h"

void AddEndMessage(UPLOAD_END& end, LPCSTR pszWhat, LPCSTR pszObject, LPCSTR pszReason) {
  const int kMax = static_cast<int>(sizeof(end.messages) / sizeof(end.messages[0]));
  if (end.nMessages < kMax) SetCliMessage(end.messages[end.nMessages++], pszWhat, pszObject, pszReason);
}

void ReadBox(const HEADLESS_MESSAGEBOX& box, LPCSTR pszPath, LPCSTR pszSystemReason, LPCSTR pszWhyNoPorts,
             UPLOAD_END& end) {
  // The exit code, and what it is about (the file, and why in the system's words or these; or the
  // ports).
  static const struct {
    UINT nID;
    int nExit;
    BOOL bPath;
    BOOL bSystemReason;
    LPCSTR pszReason;
  } kBoxes[] = {{IDS_NO_FILE, kExitBadInput, FALSE, FALSE, 0},
                {IDS_NO_ADDRESS, kExitBadInput, FALSE, FALSE, 0},
                {IDS_NO_PORT, kExitBadInput, FALSE, FALSE, 0},
                {IDS_OPEN_ERROR, kExitBadInput, TRUE, TRUE, 0},
                {IDS_FILE_TOO_LARGE, kExitBadInput, TRUE, FALSE, "more than 4294967295 bytes"},
                {IDS_CHECKSUM_ERROR, kExitChecksum, FALSE, FALSE, 0},
                {IDS_PORT_ACCESS, kExitNoPortAccess, FALSE, FALSE, 0},
                // No failure in the system: the read came short (the file shrank, or is not all there).
                {IDS_READ_ERROR, kExitTransferFault, TRUE, TRUE, "the file ended before its length"},
                {IDS_OUT_OF_MEMORY, kExitTransferFault, FALSE, FALSE, 0}};
  int nExit = kExitInternal;
  LPCSTR pszObject = 0, pszReason = 0;
  for (const auto& b : kBoxes) {
    if (b.nID != box.nID) continue;
    nExit = b.nExit;
    pszObject = b.bPath ? pszPath : 0;
    pszReason = b.bSystemReason && pszSystemReason ? pszSystemReason : b.pszReason;
  }
  if (nExit == kExitNoPortAccess && pszWhyNoPorts[0]) pszObject = pszWhyNoPorts;
  if (nExit == kExitInternal) {
    // A box this table has not heard of: a fault of the program, not of the user's input.
    char sz[80];
    api::wsprintfA(sz, "internal fault: message %u is not known here", box.nID);
    AddEndMessage(end, sz, box.strText);
  } else {
    AddEndMessage(end, box.strText, pszObject, pszReason);
  }
  // The command line's own paths are full; the window keeps one typed into its File box as typed,
  // relative to the folder it was started in, which a bare run from elsewhere cannot know.
  if (box.nID == IDS_OPEN_ERROR && pszPath[0] && pszPath[0] != '/' && pszPath[0] != '\\' &&
      (!pszPath[1] || pszPath[1] != ':'))
    AddEndMessage(end, "the window's history holds a relative path, looked for as", AfxFullPath(pszPath),
                  "the window keeps a path typed into its File box as typed; give the file again, or choose it "
                  "with Browse in the window, which keeps full paths");
  if (end.nExit == kExitSent) end.nExit = nExit;
}
