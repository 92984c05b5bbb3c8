// UploaderApp.h - the application object: shows the main dialog, then lets the process end.
#ifndef VARNOK_APP_UPLOADERAPP_H
#define VARNOK_APP_UPLOADERAPP_H

#include "framework/afxwin.h"

class CUploaderApp : public CWinApp {
 public:
  CUploaderApp();
  BOOL InitInstance() override;
  // The file named on the command line (Explorer's "Open with", "Send To", a file dropped on the
  // program's icon), as a full path; empty when there is none.
  CString GetFileArgument() const;

 protected:
  DECLARE_MESSAGE_MAP()
};

// The one application object.
extern CUploaderApp theApp;

#endif  // VARNOK_APP_UPLOADERAPP_H
