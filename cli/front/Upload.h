// Upload.h - one upload from this PC: what goes out decided, Execute pressed through the session,
// the end reported on stdout and stderr.
#ifndef VARNOK_CLI_FRONT_UPLOAD_H
#define VARNOK_CLI_FRONT_UPLOAD_H

#include "cli/front/Options.h"
#include "cli/session/Deadline.h"
#include "cli/session/ProgressLine.h"
#include "cli/session/Session.h"

class CLocalUpload {
 public:
  CLocalUpload(CSession& session, const CLI_OPTIONS& o);
  ~CLocalUpload();
  // One press of Execute with the file in the File box, to its end: its exit code.
  int Send();

 private:
  CSession& m_session;
  const CLI_OPTIONS& m_o;
  CConsoleSink m_sink;
  CProgressLine m_line;
  CDeadline m_deadline;
};

#endif  // VARNOK_CLI_FRONT_UPLOAD_H
