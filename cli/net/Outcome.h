// Outcome.h - how an upload over the network ended, in the one table both ends read: the status
// the server answers, and the exit code varnok-cli --host ends with, which the server sends too
// (Varnok-Exit, a header or a streamed body's last line).
#ifndef VARNOK_CLI_NET_OUTCOME_H
#define VARNOK_CLI_NET_OUTCOME_H

// The status for an upload that ran here and ended with this local exit code (500 for one the
// table does not name).
int StatusOfUpload(int nExit);
// The exit code of the client for a status (kExitNetwork for one the table does not name).
int ExitOfStatus(int nStatus);

#endif  // VARNOK_CLI_NET_OUTCOME_H
