// Http.h - the HTTP that varnok-cli --serve and --host speak: a request's head read from the
// bytes a client sent, the heads of the responses, and a response's head read back. Pure: no
// sockets, no state; whatever bytes come, only what lies within them is read.
//
// The reader reads what the head says; what the server makes of it (whether it answers this Host
// and Origin, the method, the token, what the target asks for) is the door's (Door.h).
#ifndef VARNOK_CLI_NET_HTTP_H
#define VARNOK_CLI_NET_HTTP_H

#include "framework/platform.h"

const DWORD kHttpMaxHead = 8192;              // a request's head, its blank line included
const DWORD kHttpMaxBody = 16 * 1024 * 1024;  // the largest upload taken
const DWORD kHttpMaxWait = 1000000;           // wait=SECONDS, as --wait takes it
const WORD kHttpDefaultPort = 8300;           // --host HOST without a port

enum HttpKind {
  kHttpMore,  // the head is not complete yet, and nothing in it is wrong so far
  kHttpHead,  // the head is complete: its fields below
  kHttpBad    // not HTTP, or a head that cannot be read: nStatus and szWhy say why
};

enum HttpMethod { kMethodGet, kMethodPut, kMethodOther };
enum HttpTarget { kTargetPage, kTargetUpload, kTargetIcon, kTargetOther };

struct HTTP_REQUEST {
  DWORD nHead;  // the head's length, blank line included: the body follows it
  HttpMethod method;
  HttpTarget target;  // "/" (any query), "/upload" (its query read below), "/favicon.ico", another
  // Headers; each text as given (blanks around it dropped), "" when absent.
  char szHost[256];
  char szOrigin[256];
  BOOL bOrigin;
  char szToken[128];  // Authorization: Bearer TOKEN, else the query's token=
  BOOL bToken;
  BOOL bTokensDiffer;  // both given, not the same
  BOOL bLength;        // Content-Length given
  DWORD nLength;       // its value (kHttpMaxBody + 1 for anything larger)
  BOOL bChunked;       // Transfer-Encoding given
  BOOL bContinue;      // Expect: 100-continue
  BOOL bOtherExpect;   // another expectation
  BOOL bHtml;          // Accept names text/html (a browser)
  // The query of /upload: address=HEX[&wait=SECONDS][&stream=1][&token=TOKEN]; a fault in it:
  // nQueryStatus 400 and szQueryWhy.
  char szAddress[16];  // address=..., as given (its rules are the upload's), "" when absent
  DWORD dwWait;        // wait=SECONDS, 0 when not given
  BOOL bStream;        // stream=1: the lines as they come, after a 200 sent at the start
  int nQueryStatus;
  char szQueryWhy[160];
  // kHttpBad
  int nStatus;
  char szWhy[160];
};

// Reads the request at the start of the n bytes p. Bytes that cannot begin a request are refused
// as soon as they are seen (a file pushed with netcat is answered at once); a head that does not
// end within kHttpMaxHead bytes is refused.
HttpKind ReadHttpRequest(const char* p, DWORD n, HTTP_REQUEST& r);

// The reason phrase of a status the server sends.
LPCSTR HttpReason(int nStatus);

// What a response's head says besides its status.
struct HTTP_RESPONSE {
  int nStatus;
  long nLength;        // the body's length, or -1 when the body ends with the connection
  DWORD dwRetryAfter;  // seconds (0: none)
  int nExit;           // Varnok-Exit: the exit code of varnok-cli --host (-1: none)
  BOOL bHtml;          // the page: text/html
};
// A response's head into sz (400 bytes), the connection closed after it; its length.
int FormatHttpHead(char* sz, const HTTP_RESPONSE& h);

// The status of the response head at the start of the n bytes p: 0 while its head is not
// complete, -1 when it is not an HTTP response (or its head is longer than kHttpMaxHead); nHead
// gets the head's length, nExit its Varnok-Exit (-1 when it has none).
int ReadHttpStatus(const char* p, DWORD n, DWORD& nHead, int& nExit);
// The exit code a line of a streamed body gives ("Varnok-Exit: N", the last one), else -1.
int ReadExitLine(LPCSTR pszLine);

#endif  // VARNOK_CLI_NET_HTTP_H
