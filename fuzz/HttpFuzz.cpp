// HttpFuzz.cpp - the request reader and the status reader on arbitrary bytes: nothing is read
// outside them, and what is read agrees with itself: a request read whole is read the same from
// exactly its head, every shorter start of it is "more to come", its fields keep their bounds;
// a refusal has its status and reason.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "cli/net/Http.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes in a block of their own: a read past them is the sanitizer's to catch.
  std::vector<char> bytes(data, data + size);
  DWORD n = static_cast<DWORD>(size);
  HTTP_REQUEST r;
  HttpKind kind = ReadHttpRequest(bytes.data(), n, r);
  if (kind == kHttpBad) {
    Check(r.nStatus >= 400 && r.nStatus < 500 && r.szWhy[0] && strlen(r.szWhy) < sizeof(r.szWhy));
  } else if (kind == kHttpUpload || kind == kHttpPage) {
    Check(r.nHead > 0 && r.nHead <= n && r.nHead <= kHttpMaxHead && bytes[r.nHead - 1] == '\n');
    Check(kind == kHttpPage || (r.nLength <= kHttpMaxBody && r.szAddress[0] && r.dwWait <= kHttpMaxWait));
    HTTP_REQUEST again;
    Check(ReadHttpRequest(bytes.data(), r.nHead, again) == kind && again.nLength == r.nLength &&
          again.bStream == r.bStream && again.bContinue == r.bContinue && !strcmp(again.szAddress, r.szAddress));
    for (DWORD k = 0; k < r.nHead; k += 1 + k / 8) Check(ReadHttpRequest(bytes.data(), k, again) == kHttpMore);
  } else {
    Check(n < kHttpMaxHead);
  }
  DWORD nHead = 0;
  int nStatus = ReadHttpStatus(bytes.data(), n, nHead);
  Check(nStatus <= 0 ? nHead == 0 : nStatus >= 100 && nStatus <= 999 && nHead <= n && bytes[nHead - 1] == '\n');
  char sz[300];
  Check(FormatHttpHead(sz, 400 + static_cast<int>(n % 200), static_cast<long>(n) - 1, n % 7) < 300);
  return 0;
}
