// Page.h - what GET / answers: a short text that says what the server is and how to upload with
// curl; and the page for a browser.
#ifndef VARNOK_CLI_NET_PAGE_H
#define VARNOK_CLI_NET_PAGE_H

#include "framework/platform.h"

// The text into sz (kPageTextMax bytes): the card described, the port.
const int kPageTextMax = 2400;
void FormatPageText(char* sz, LPCSTR pszCard, UINT nPort);

// The page for a browser, for the card described, into a buffer from HeapAlloc (the caller frees
// it); 0 without the memory.
char* MakePageHtml(LPCSTR pszCard);

#endif  // VARNOK_CLI_NET_PAGE_H
