// Page.cpp - the server's page.
#include "cli/net/Page.h"

#include "framework/afxwin.h"

namespace {

const char kText[] =
    "Whoever reaches this port and holds the token can run code on the console.\n"
    "\n"
    "Send a console program (an ELF file, or its image made with objcopy -O binary and its start address):\n"
    "\n"
    "    curl -T game.elf -H 'Authorization: Bearer TOKEN' 'http://THIS-PC:%u/upload'\n"
    "    curl -T game.bin -H 'Authorization: Bearer TOKEN' 'http://THIS-PC:%u/upload?address=06004000'\n"
    "\n"
    "TOKEN ends the server's start line (http://THIS-PC:%u/?token=TOKEN), or is the one given with --token\n"
    "or VARNOK_TOKEN. The status says how it went: 200 sent and the checksum matched, 422 the checksum\n"
    "differed, 400 refused, 401 no token or not this one, 408 the client stalled, 503 busy, 504 the\n"
    "console did not answer; the lines how the transfer went. &stream=1: the lines as they come (the\n"
    "status then 200, the last line says how it ended); &wait=SECONDS: give up on a console that does\n"
    "not answer in time.\n"
    "From a machine with Varnok: varnok-cli --host THIS-PC:%u --token TOKEN --address 06004000 game.bin\n";

// cli/net/page.html: the page, whole (its styles and script inline); {{CARD}} stands for the card.
const BYTE kHtml[] = {
#include "PageHtml.inc"
    0};
const char kCard[] = "{{CARD}}";

}  // namespace

char* MakePageHtml(LPCSTR pszCard) {
  int nCard = AfxStrLen(pszCard), nHtml = static_cast<int>(sizeof(kHtml)) - 1, nMarker = sizeof(kCard) - 1;
  char* p = static_cast<char*>(api::HeapAlloc(api::GetProcessHeap(), 0, static_cast<DWORD>(nHtml + 4 * nCard + 1)));
  if (!p) return 0;
  int n = 0;
  for (int i = 0; i < nHtml;) {
    int k = 0;
    while (k < nMarker && i + k < nHtml && kHtml[i + k] == static_cast<BYTE>(kCard[k])) ++k;
    if (k == nMarker && n + nCard <= nHtml + 4 * nCard) {
      AfxMemCopy(p + n, pszCard, nCard);
      n += nCard;
      i += nMarker;
    } else {
      p[n++] = static_cast<char>(kHtml[i++]);
    }
  }
  p[n] = 0;
  return p;
}

void FormatPageText(char* sz, LPCSTR pszCard, UINT nPort) {
  int n = api::wsprintfA(sz, "This is varnok-cli --serve, for the Saturn link card at %.60s of this PC.\n", pszCard);
  api::wsprintfA(sz + n, kText, nPort, nPort, nPort, nPort);
}
