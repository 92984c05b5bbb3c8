// UploadEnd.h - one upload as the session takes it, and how it ended.
#ifndef VARNOK_CLI_SESSION_UPLOADEND_H
#define VARNOK_CLI_SESSION_UPLOADEND_H

#include "cli/output/Output.h"

// One upload: what goes into the boxes, and what stands in for the file.
struct UPLOAD {
  LPCSTR pszFile;        // the File box's text (0: as it is)
  LPCSTR pszAddress;     // the Address box's text (0: as it is)
  CFileSource* pSource;  // read instead of the file (0: Execute reads the file itself)
  BOOL bElf;             // an ELF file's image: kept apart from the window's lists
};

// How it ended.
struct UPLOAD_END {
  int nExit;
  BOOL bBegan;          // a byte went to the card
  DWORD nAnswered;      // the data bytes the console had answered (at a stop: then)
  char szSummary[300];  // the closing line, when it began ("" otherwise)
  int nMessages;        // what the dialog said, or why it stopped
  CLI_MESSAGE messages[2];
};
// One more message of end (beyond two: left out).
void AddEndMessage(UPLOAD_END& end, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);

#endif  // VARNOK_CLI_SESSION_UPLOADEND_H
