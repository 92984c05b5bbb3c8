// AddressFuzz.cpp - the address parse against the reference built on the C library's strtoull.
#include <ctype.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "tests/AddressReference.h"
#include "ui/UploadDlg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the box's text ends at the first NUL
  if (ParseHexAddress(text.c_str()) != ReferenceAddress(text)) abort();
  return 0;
}
