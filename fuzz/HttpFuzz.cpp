// HttpFuzz.cpp - the request reader, the door and the status reader on arbitrary bytes: nothing
// is read outside them, and what is read agrees with itself: a head read whole is read the same
// from exactly its head, every shorter start of it is "more to come", its fields keep their
// bounds; the door lets in only an upload of this server's Host with its token and a length it
// takes; a refusal has its status and reason.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "cli/net/Door.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

bool Same(const HTTP_REQUEST& a, const HTTP_REQUEST& b) {
  return a.nHead == b.nHead && a.method == b.method && a.target == b.target && !strcmp(a.szHost, b.szHost) &&
         !strcmp(a.szOrigin, b.szOrigin) && !strcmp(a.szToken, b.szToken) && a.bToken == b.bToken &&
         a.bTokensDiffer == b.bTokensDiffer && a.nLength == b.nLength && a.bLength == b.bLength &&
         a.bChunked == b.bChunked && a.bContinue == b.bContinue && a.bStream == b.bStream && a.dwWait == b.dwWait &&
         !strcmp(a.szAddress, b.szAddress) && a.nQueryStatus == b.nQueryStatus;
}

// What a Host that names the server "oldpc" looks like, told apart more simply than the door
// does: an address (digits and dots, or brackets), localhost or oldpc, and a port.
bool NamesOldpc(std::string host) {
  size_t colon = host.rfind(':');
  if (colon != std::string::npos && host.find(']', colon) == std::string::npos) host.resize(colon);
  for (char& c : host) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (host == "localhost" || host == "oldpc") return true;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return true;
  return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
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
  } else if (kind == kHttpHead) {
    Check(r.nHead > 0 && r.nHead <= n && r.nHead <= kHttpMaxHead && bytes[r.nHead - 1] == '\n');
    Check(strlen(r.szHost) < sizeof(r.szHost) && strlen(r.szOrigin) < sizeof(r.szOrigin) &&
          strlen(r.szToken) < sizeof(r.szToken) && strlen(r.szAddress) < sizeof(r.szAddress));
    Check(r.dwWait <= kHttpMaxWait && (!r.nQueryStatus || r.szQueryWhy[0]));
    HTTP_REQUEST again;
    Check(ReadHttpRequest(bytes.data(), r.nHead, again) == kHttpHead && Same(again, r));
    for (DWORD k = 0; k < r.nHead; k += 1 + k / 8) Check(ReadHttpRequest(bytes.data(), k, again) == kHttpMore);
    // The door of a server named "oldpc" whose token is "fuzz-token".
    LPCSTR names[] = {"oldpc"};
    DOOR door = {"fuzz-token", names, 1};
    DOOR_REFUSAL refusal;
    DoorVerdict v = JudgeRequest(r, door, refusal);
    if (v == kDoorUpload)
      Check(r.method == kMethodPut && r.target == kTargetUpload && NamesOldpc(r.szHost) &&
            !strcmp(r.szToken, "fuzz-token") && !r.bTokensDiffer && r.bLength && !r.bChunked &&
            r.nLength <= kHttpMaxBody && !r.nQueryStatus && (!r.bOrigin || !strncmp(r.szOrigin, "http://", 7)));
    else if (v == kDoorRefused)
      Check(refusal.nStatus >= 400 && refusal.nStatus < 500 && refusal.szWhy[0] &&
            strlen(refusal.szWhy) < sizeof(refusal.szWhy));
    else
      Check(r.method == kMethodGet && r.target == kTargetPage);
  } else {
    Check(n < kHttpMaxHead);
  }
  DWORD nHead = 0;
  int nExit = 0;
  int nStatus = ReadHttpStatus(bytes.data(), n, nHead, nExit);
  Check(nStatus <= 0 ? nHead == 0 : nStatus >= 100 && nStatus <= 999 && nHead <= n && bytes[nHead - 1] == '\n');
  Check(nExit >= -1 && nExit <= 999);
  char sz[400];
  HTTP_RESPONSE h = {400 + static_cast<int>(n % 200), static_cast<long>(n) - 1, n % 7, static_cast<int>(n % 9) - 1,
                     (n & 1) != 0};
  Check(FormatHttpHead(sz, h) < 400);
  return 0;
}
