// Http.h - the HTTP that varnok-cli --serve and --host speak: the request read from the bytes a
// client sent, the heads of the responses, and a response's status line read back. Pure: no
// sockets, no state; whatever bytes come, only what lies within them is read.
//
// The requests taken:
//   PUT /upload?address=HEX[&wait=SECONDS][&stream=1] HTTP/1.1, a Content-Length, the raw image
//     as the body (Expect: 100-continue is answered)
//   GET / HTTP/1.1: a page that says what the server is and how to upload with curl
// Anything else is refused with a status and a reason.
#ifndef VARNOK_CLI_HTTP_H
#define VARNOK_CLI_HTTP_H

#include "framework/platform.h"

const DWORD kHttpMaxHead = 8192;              // a request's head, its blank line included
const DWORD kHttpMaxBody = 16 * 1024 * 1024;  // the largest upload taken
const DWORD kHttpMaxWait = 1000000;           // wait=SECONDS, as --wait takes it
const WORD kHttpDefaultPort = 8300;           // --host HOST without a port

enum HttpKind {
  kHttpMore,    // the head is not complete yet, and nothing in it is wrong so far
  kHttpUpload,  // PUT /upload, the head complete
  kHttpPage,    // GET /, the head complete
  kHttpBad      // refused: nStatus and szWhy say why
};

struct HTTP_REQUEST {
  DWORD nHead;         // the head's length, blank line included: the body follows it
  DWORD nLength;       // the body's Content-Length
  DWORD dwWait;        // wait=SECONDS, 0 when not given
  BOOL bStream;        // stream=1: the lines as they come, after a 200 sent at the start
  BOOL bContinue;      // Expect: 100-continue
  char szAddress[16];  // address=..., as given (the address rules are the upload's)
  int nStatus;         // kHttpBad: the status to answer with
  char szWhy[160];     // kHttpBad: why, one line
};

// Reads the request at the start of the n bytes p. Bytes that cannot begin a request are refused
// as soon as they are seen (a file pushed with netcat is answered at once); a head that does not
// end within kHttpMaxHead bytes is refused.
HttpKind ReadHttpRequest(const char* p, DWORD n, HTTP_REQUEST& r);

// The reason phrase of a status the server sends.
LPCSTR HttpReason(int nStatus);

// A response's head into sz (300 bytes): plain text, the connection closed after it; nLength
// the body's length, or -1 when the body ends with the connection; dwRetryAfter seconds (0:
// none). Its length.
int FormatHttpHead(char* sz, int nStatus, long nLength, DWORD dwRetryAfter);

// The status of the response head at the start of the n bytes p: 0 while its head is not
// complete, -1 when it is not an HTTP response (or its head is longer than kHttpMaxHead); nHead
// gets the head's length.
int ReadHttpStatus(const char* p, DWORD n, DWORD& nHead);

#endif  // VARNOK_CLI_HTTP_H
