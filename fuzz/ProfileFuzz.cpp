// ProfileFuzz.cpp - any bytes as the profile: loading never indexes beyond the lists, and a save
// followed by a load gives the same port and lists.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/UploaderApp.h"
#include "framework/headless/Headless.h"
#include "ui/UploadDlg.h"

namespace {

struct Lists {
  int port;
  std::vector<std::string> files, addresses;
  bool operator==(const Lists& o) const { return port == o.port && files == o.files && addresses == o.addresses; }
};

Lists Load() {
  CUploadDlg dlg;
  theApp.m_pMainWnd = &dlg;
  if (!dlg.Create()) abort();
  if (dlg.m_nRecentFiles < 0 || dlg.m_nRecentFiles > kRecentMax) abort();
  if (dlg.m_nRecentAddresses < 0 || dlg.m_nRecentAddresses > kRecentMax) abort();
  Lists l{dlg.m_nPort, {}, {}};
  for (int i = 0; i < dlg.m_nRecentFiles; ++i) l.files.push_back(std::string(dlg.m_strRecentFile[i]));
  for (int i = 0; i < dlg.m_nRecentAddresses; ++i) l.addresses.push_back(std::string(dlg.m_strRecentAddress[i]));
  if (headless::GetItemCount(api::GetDlgItem(dlg.m_hWnd, IDC_FILE)) != dlg.m_nRecentFiles) abort();
  dlg.SaveSettings();
  api::DestroyWindow(dlg.m_hWnd);
  theApp.m_pMainWnd = nullptr;
  return l;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char dir[] = "/tmp/varnok-profile-fuzz-XXXXXX";
  setenv("XDG_CONFIG_HOME", mkdtemp(dir), 1);
  theApp.SetNamesFromModule("varnok");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = theApp.m_pszProfileName;
  std::string folder = path.substr(0, path.rfind('/'));
  std::string mk = "mkdir -p '" + folder + "'";
  static bool made = system(mk.c_str()) == 0;
  (void)made;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Lists first = Load();   // reads the input, then saves
  Lists second = Load();  // reads what was saved
  if (!(first == second)) {
    // Say what differed before failing.
    fprintf(stderr, "port %d / %d\n", first.port, second.port);
    for (const auto* l : {&first.files, &second.files, &first.addresses, &second.addresses}) {
      fprintf(stderr, "list of %zu:", l->size());
      for (const std::string& e : *l) fprintf(stderr, " [%zu:%.20s]", e.size(), e.c_str());
      fprintf(stderr, "\n");
    }
    abort();
  }
  return 0;
}
