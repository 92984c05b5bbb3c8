// Cli.h - varnok-cli: the main dialog's upload from the command line, for build scripts.
//
// The very same CUploadDlg runs on the headless window back end: the same validation in the
// same order, the same address normalisation, texts, recent lists and profile as the program's
// window. Shared by the Linux and the Windows console programs; off the standard library.
#ifndef VARNOK_CLI_CLI_H
#define VARNOK_CLI_CLI_H

// Exit codes.
enum CliExit {
  kExitSent = 0,           // sent, and the checksum matched
  kExitChecksum = 1,       // the console's checksum differed
  kExitBadInput = 2,       // a validation message, no port selected, file too large, bad options
  kExitStopped = 3,        // Ctrl-C
  kExitNoPortAccess = 4,   // this system gives no way to the I/O ports
  kExitTransferFault = 5,  // read error or out of memory during the transfer
  kExitNoAnswer = 6,       // --wait: the console did not answer in time
  kExitNetwork = 7,        // --host, --serve: cannot connect or listen, the connection lost, the server busy
  kExitInternal = 70       // an internal fault: a message this program does not know (sysexits' EX_SOFTWARE)
};

int CliMain(int argc, char** argv);

#endif  // VARNOK_CLI_CLI_H
