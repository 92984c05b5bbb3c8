// Client.h - varnok-cli --host: FILE sent through the card of the PC where varnok-cli --serve
// runs. The same command line as a local upload: an ELF file becomes its image here, with the
// same checks; --wait goes to the server; --watch sends each new version. The server's lines
// become the same progress line and summary as a local upload's, and its outcome the same exit
// code, or kExitNetwork when the network failed it.
#ifndef VARNOK_CLI_CLIENT_H
#define VARNOK_CLI_CLIENT_H

#include "cli/Options.h"

int SendToHost(const CLI_OPTIONS& o);

#endif  // VARNOK_CLI_CLIENT_H
