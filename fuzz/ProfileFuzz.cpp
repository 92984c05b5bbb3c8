// ProfileFuzz.cpp - any bytes as the profile, kept in memory: loading never indexes beyond the
// lists, and a save followed by a load gives the same port and lists.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/UploaderApp.h"
#include "framework/posix/PosixProfile.h"
#include "ui/UploadDlg.h"

namespace {

struct Lists {
  int port;
  std::vector<std::string> files, addresses;
  bool operator==(const Lists& o) const { return port == o.port && files == o.files && addresses == o.addresses; }
};

Lists LoadAndSave() {
  CUploadDlg dlg;  // its settings only: no window
  dlg.LoadSettings();
  if (dlg.m_nRecentFiles < 0 || dlg.m_nRecentFiles > kRecentMax || dlg.m_nRecentAddresses < 0 ||
      dlg.m_nRecentAddresses > kRecentMax)
    abort();
  Lists l{dlg.m_nPort, {}, {}};
  for (int i = 0; i < dlg.m_nRecentFiles; ++i) l.files.push_back(std::string(dlg.m_strRecentFile[i]));
  for (int i = 0; i < dlg.m_nRecentAddresses; ++i) l.addresses.push_back(std::string(dlg.m_strRecentAddress[i]));
  dlg.SaveSettings();
  return l;
}

std::string s_profile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  theApp.SetNamesFromModule("varnok");
  posix::SetProfileMemory(&s_profile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  s_profile.assign(reinterpret_cast<const char*>(data), size);
  Lists first = LoadAndSave();             // reads the input, then saves
  if (!(LoadAndSave() == first)) abort();  // what was saved reads back the same
  return 0;
}
