// Exit.h - varnok-cli's exit codes: what a build script reads of an upload's end.
#ifndef VARNOK_CLI_OUTPUT_EXIT_H
#define VARNOK_CLI_OUTPUT_EXIT_H

enum CliExit {
  kExitSent = 0,           // sent, and the checksum matched
  kExitChecksum = 1,       // the console's checksum differed
  kExitBadInput = 2,       // a validation message, no port selected, file too large, bad options
  kExitStopped = 3,        // Ctrl-C
  kExitNoPortAccess = 4,   // this system gives no way to the I/O ports
  kExitTransferFault = 5,  // read error or out of memory during the transfer
  kExitNoAnswer = 6,       // --wait: the console did not answer in time
  kExitNetwork = 7,        // --host, --serve: cannot connect or listen, the connection lost, the server busy
  kExitToken = 8,          // --host: the server wants its token, and this is not it
  kExitInternal = 70       // an internal fault: a message this program does not know (sysexits' EX_SOFTWARE)
};

#endif  // VARNOK_CLI_OUTPUT_EXIT_H
