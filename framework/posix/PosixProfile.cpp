// PosixProfile.cpp - INI profiles on Linux, in the format the Windows profile functions use.
//
// Reads tolerate CRLF or LF line ends, blanks around '=', other sections and unknown keys;
// section and key names compare ignoring case, as on Windows. A write keeps every other line
// as it was and replaces the file atomically (a temporary file, then rename), so that a crash
// or a full disk never leaves half a profile. Every value written reads back as it was: in
// quotes where the reader would otherwise change it, refused where it holds a line break.
#include "framework/posix/PosixProfile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "framework/api.h"

namespace {

std::string* s_pMemory = nullptr;  // the profiles' text when kept in memory

std::vector<std::string> ReadLines(const char* pszFile) {
  std::vector<std::string> lines;
  std::string text;
  if (s_pMemory) {
    text = *s_pMemory;
  } else {
    FILE* f = fopen(pszFile, "rb");
    if (!f) return lines;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
    fclose(f);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    // A NUL ends the line's text, as it ends any string the profile functions hand out.
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// The section a line opens, or false when it opens none.
bool SectionOf(const std::string& line, std::string* pName) {
  std::string t = Trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *pName = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string* pKey, std::string* pValue) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *pKey = Trim(line.substr(0, eq));
  if (pKey->empty() || (*pKey)[0] == ';') return false;
  if (pValue) *pValue = Trim(line.substr(eq + 1));
  return true;
}

// A value in matching quotes, double or single, loses that one pair, as with the Windows functions.
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// What goes after the '=' so that the value reads back as it is: blanks at either end would be
// trimmed and a pair of quotes around it taken off, so such a value is written in double quotes,
// which the reader takes off again. Any other value is written as the Windows functions write it.
std::string Stored(const std::string& value) { return Unquoted(Trim(value)) == value ? value : '"' + value + '"'; }

bool FindValue(const char* pszSection, const char* pszKey, const char* pszFile, std::string* pValue) {
  std::vector<std::string> lines = ReadLines(pszFile);
  bool in = false;
  for (const std::string& line : lines) {
    std::string name, key, value;
    if (SectionOf(line, &name)) {
      in = !strcasecmp(name.c_str(), pszSection);
    } else if (in && KeyOf(line, &key, &value) && !strcasecmp(key.c_str(), pszKey)) {
      *pValue = Unquoted(value);
      return true;
    }
  }
  return false;
}

// A profile that is there keeps its permissions; one without the owner's write permission is
// read-only, as on Windows, even for root, who could replace it.
bool WriteAtomically(const char* pszFile, const std::string& text) {
  struct stat st;
  bool bExists = stat(pszFile, &st) == 0;
  if (bExists && (!(st.st_mode & S_IWUSR) || access(pszFile, W_OK) != 0)) {
    errno = EACCES;
    return false;
  }
  std::string tmp = std::string(pszFile) + ".tmp";
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (bExists) fchmod(fd, st.st_mode & 07777);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == text.size() && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(tmp.c_str(), pszFile) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

void MakeDirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

void posix::SetProfileMemory(std::string* pText) { s_pMemory = pText; }

namespace api {

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT nSize) {
  // The host keeps the profile where the user's configuration lives.
  std::string dir;
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) {
    dir = xdg;
  } else {
    const char* home = getenv("HOME");
    dir = std::string(home && *home ? home : ".") + "/.config";
  }
  dir += "/varnok";
  if (dir.size() + 1 > nSize) return static_cast<UINT>(dir.size() + 1);
  memcpy(lpBuffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

DWORD GetPrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpDefault, LPSTR lpReturned, DWORD nSize,
                               LPCSTR lpFile) {
  if (!nSize) return 0;
  std::string value;
  if (!lpSection || !lpKey || !lpFile || !FindValue(lpSection, lpKey, lpFile, &value))
    value = lpDefault ? lpDefault : "";
  size_t n = value.size() < nSize - 1 ? value.size() : nSize - 1;
  memcpy(lpReturned, value.data(), n);
  lpReturned[n] = 0;
  return static_cast<DWORD>(n);
}

UINT GetPrivateProfileIntA(LPCSTR lpSection, LPCSTR lpKey, int nDefault, LPCSTR lpFile) {
  std::string value;
  if (!lpSection || !lpKey || !lpFile || !FindValue(lpSection, lpKey, lpFile, &value))
    return static_cast<UINT>(nDefault);
  // Leading decimal digits, with an optional sign; anything else reads as 0.
  return static_cast<UINT>(strtol(value.c_str(), nullptr, 10));
}

BOOL WritePrivateProfileStringA(LPCSTR lpSection, LPCSTR lpKey, LPCSTR lpValue, LPCSTR lpFile) {
  if (!lpSection || !lpKey || !lpFile) return FALSE;
  // One line a key: a line break (which a Linux file name may hold) would end the value early
  // and make its rest lines of their own, even a section or key, so such a write is refused.
  if (strchr(lpSection, '\n') || strchr(lpKey, '\n') || (lpValue && strchr(lpValue, '\n'))) {
    errno = EINVAL;
    return FALSE;
  }
  std::string file = lpFile;
  size_t slash = file.rfind('/');
  if (!s_pMemory && slash != std::string::npos && slash > 0) MakeDirs(file.substr(0, slash));

  std::vector<std::string> lines = ReadLines(lpFile);
  const std::vector<std::string> before = lines;
  std::string newLine = std::string(lpKey) + "=" + (lpValue ? Stored(lpValue) : "");
  bool in = false, done = false;
  size_t sectionEnd = std::string::npos;  // where a new key of our section goes
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, key;
    if (SectionOf(lines[i], &name)) {
      if (in) break;
      in = !strcasecmp(name.c_str(), lpSection);
      if (in) sectionEnd = i + 1;
    } else if (in) {
      if (KeyOf(lines[i], &key, nullptr) && !strcasecmp(key.c_str(), lpKey)) {
        if (lpValue)
          lines[i] = newLine;
        else
          lines.erase(lines.begin() + static_cast<long>(i));
        done = true;
      } else if (!Trim(lines[i]).empty()) {
        sectionEnd = i + 1;
      }
    }
  }
  if (!done && lpValue) {
    if (sectionEnd == std::string::npos) {
      if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
      lines.push_back(std::string("[") + lpSection + "]");
      lines.push_back(newLine);
    } else {
      lines.insert(lines.begin() + static_cast<long>(sectionEnd), newLine);
    }
  }
  // A key that already has this value costs no write (closing rewrites every key).
  struct stat st;
  if (lines == before && (s_pMemory || stat(lpFile, &st) == 0)) return TRUE;
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  if (s_pMemory) {
    *s_pMemory = text;
    return TRUE;
  }
  return WriteAtomically(lpFile, text);
}

}  // namespace api
