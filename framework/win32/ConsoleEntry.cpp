// ConsoleEntry.cpp - the entry point of the Windows console programs: the command line split
// into arguments as the C runtime would, then main().
#include <windows.h>

extern "C" void AfxRunConstructors();
extern "C" void AfxRunDestructors();
int main(int argc, char** argv);

namespace {

// Splits in place: blanks separate arguments; double quotes group; 2n backslashes before a
// quote are n backslashes and the quote counts, 2n+1 are n and a literal quote.
int SplitCommandLine(char* pszLine, char** argv, int nMax) {
  int argc = 0;
  char* in = pszLine;
  while (*in) {
    while (*in == ' ' || *in == '\t') ++in;
    if (!*in) break;
    char* out = in;
    if (argc < nMax) argv[argc] = out;
    ++argc;
    bool quoted = false;
    while (*in && (quoted || (*in != ' ' && *in != '\t'))) {
      int slashes = 0;
      while (*in == '\\') ++in, ++slashes;
      if (*in == '"') {
        for (int i = 0; i < slashes / 2; ++i) *out++ = '\\';
        if (slashes % 2) {
          *out++ = '"';
        } else {
          quoted = !quoted;
        }
        ++in;
      } else {
        for (int i = 0; i < slashes; ++i) *out++ = '\\';
        if (*in && (quoted || (*in != ' ' && *in != '\t'))) *out++ = *in++;
      }
    }
    bool more = *in != 0;
    *out = 0;
    if (more && out == in)
      ++in;  // the terminator took the blank's place
    else if (more)
      ++in;
  }
  return argc < nMax ? argc : nMax;
}

}  // namespace

extern "C" void mainCRTStartup() {
  AfxRunConstructors();
  static char szLine[4096];
  LPCSTR pszCommand = ::GetCommandLineA();
  int n = 0;
  while (pszCommand[n] && n < static_cast<int>(sizeof(szLine)) - 1) szLine[n] = pszCommand[n], ++n;
  szLine[n] = 0;
  static char* argv[64];
  int argc = SplitCommandLine(szLine, argv, 63);
  argv[argc] = 0;
  int nExit = main(argc, argv);
  AfxRunDestructors();
  ::ExitProcess(static_cast<UINT>(nExit));
}
