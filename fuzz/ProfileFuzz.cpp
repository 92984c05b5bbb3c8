// ProfileFuzz.cpp - any bytes as the profile, kept in memory: loading never indexes beyond the
// lists, and a save followed by a load gives the same port and lists. The same bytes, cut at
// each NUL, are up to 16 values to write (a file name may be any of them).
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

// The values cut from the input, written one after another into an empty profile, each read
// back as it was; only a value with a line break is refused.
void WriteAndRead(const std::string& input) {
  s_profile.clear();
  std::vector<std::string> written;
  for (size_t start = 0; start <= input.size() && written.size() < static_cast<size_t>(kRecentMax);) {
    size_t end = input.find('\0', start);
    if (end == std::string::npos) end = input.size();
    std::string value = input.substr(start, end - start), key = "Key" + std::to_string(written.size());
    bool ok = api::WritePrivateProfileStringA("Config", key.c_str(), value.c_str(), "varnok.INI");
    if (ok == (value.find('\n') != std::string::npos)) abort();
    written.push_back(ok ? value : "(refused)");
    start = end + 1;
  }
  for (size_t i = 0; i < written.size(); ++i) {
    std::string key = "Key" + std::to_string(i), read(written[i].size() + 2, '\0');
    DWORD n = api::GetPrivateProfileStringA("Config", key.c_str(), "(refused)", &read[0], read.size(), "varnok.INI");
    if (read.substr(0, n) != written[i]) abort();
  }
}

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
  WriteAndRead(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
