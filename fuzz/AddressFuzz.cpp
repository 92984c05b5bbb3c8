// AddressFuzz.cpp - the address parse against a reference built on the C library: the magnitude
// parsed by strtoull, 0xFFFFFFFF when it does not fit in 32 bits (signed or not), otherwise
// negated modulo 2^32 after a minus sign.
#include <ctype.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "ui/UploadDlg.h"

static uint32_t Reference(const std::string& text) {
  const char* p = text.c_str();
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!isxdigit(static_cast<unsigned char>(*p))) return 0;
  errno = 0;
  unsigned long long magnitude = strtoull(p, nullptr, 16);
  if (errno == ERANGE || magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  uint32_t value = static_cast<uint32_t>(magnitude);
  return negative ? 0u - value : value;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the box's text ends at the first NUL
  if (ParseHexAddress(text.c_str()) != Reference(text)) abort();
  return 0;
}
