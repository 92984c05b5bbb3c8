// ProfileTool.cpp - writes and reads a profile with the host's INI functions, so that a test can
// hand it to the Windows program and read back what Windows wrote.
//   varnok_profile_tool write <file>   the sample section below
//   varnok_profile_tool read <file>    the section as key=value lines, in the program's key order
#include <stdio.h>
#include <string.h>

#include <string>

#include "framework/api.h"

namespace {

const char kSection[] = "Config";

std::string LongPath() { return "C:\\" + std::string(1500, 'L') + ".bin"; }

int Write(const char* file) {
  const char* keys[][2] = {{"PortNo", "3"},      {"RecentFiles", "2"},        {"RecentFile0", "C:\\GAMES\\HELLO.BIN"},
                           {"RecentAdrss", "2"}, {"RecentAdrs0", "06004000"}, {"RecentAdrs1", "00200000"}};
  for (auto& kv : keys)
    if (!api::WritePrivateProfileStringA(kSection, kv[0], kv[1], file)) return 1;
  return api::WritePrivateProfileStringA(kSection, "RecentFile1", LongPath().c_str(), file) ? 0 : 1;
}

int Read(const char* file) {
  printf("PortNo=%d\n", static_cast<int>(api::GetPrivateProfileIntA(kSection, "PortNo", 1, file)));
  const char* lists[][2] = {{"RecentFiles", "RecentFile"}, {"RecentAdrss", "RecentAdrs"}};
  for (auto& l : lists) {
    int n = static_cast<int>(api::GetPrivateProfileIntA(kSection, l[0], 0, file));
    printf("%s=%d\n", l[0], n);
    for (int i = 0; i < n; ++i) {
      static char value[8192];
      std::string key = l[1] + std::to_string(i);
      api::GetPrivateProfileStringA(kSection, key.c_str(), "", value, sizeof(value), file);
      if (!strcmp(value, LongPath().c_str())) strcpy(value, "<the 1500-character path>");
      printf("%s=%s\n", key.c_str(), value);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && !strcmp(argv[1], "write")) return Write(argv[2]);
  if (argc == 3 && !strcmp(argv[1], "read")) return Read(argv[2]);
  fprintf(stderr, "usage: varnok_profile_tool write|read <file>\n");
  return 2;
}
