// Outcome.cpp - statuses and exit codes, one row an outcome.
#include "cli/net/Outcome.h"

#include "cli/output/Exit.h"

namespace {

const struct {
  int nExit;    // of the upload on the server's card (-1: a refusal before the card)
  int nStatus;  // the server's answer
  int nRemote;  // varnok-cli --host's exit code
} kOutcomes[] = {
    {kExitSent, 200, kExitSent},
    {kExitChecksum, 422, kExitChecksum},
    {kExitBadInput, 400, kExitBadInput},  // an ELF file that cannot be sent, past the end of work RAM
    {kExitNoAnswer, 504, kExitNoAnswer},
    {kExitTransferFault, 500, kExitTransferFault},
    {kExitStopped, 503, kExitNetwork},  // the server ended (Ctrl-C); or busy with another upload
    {-1, 408, kExitNetwork},            // the client sent nothing for 10 s
    {-1, 401, kExitToken},
    {-1, 421, kExitNetwork},  // a name the server does not answer to
    {-1, 403, kExitBadInput},
    {-1, 404, kExitBadInput},  // GET /favicon.ico
    {-1, 405, kExitBadInput},
    {-1, 411, kExitBadInput},
    {-1, 413, kExitBadInput},
    {-1, 417, kExitBadInput},
    {-1, 431, kExitBadInput},
};

}  // namespace

int StatusOfUpload(int nExit) {
  for (const auto& o : kOutcomes)
    if (o.nExit == nExit) return o.nStatus;
  return 500;
}

int ExitOfStatus(int nStatus) {
  for (const auto& o : kOutcomes)
    if (o.nStatus == nStatus) return o.nRemote;
  return kExitNetwork;
}
