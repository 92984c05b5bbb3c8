// AddressFuzz.cpp - the address parse against what a 32-bit strtoul with base 16 gives, built
// on the C library's strtoull (unsigned long has 64 bits here, so strtoul itself cannot serve):
// the magnitude parsed; 0xFFFFFFFF when it does not fit in 32 bits, signed or not; otherwise a
// minus sign negates it modulo 2^32.
#include <ctype.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "ui/UploadDlg.h"

namespace {

uint32_t ReferenceAddress(const char* p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!isxdigit(static_cast<unsigned char>(*p))) return 0;  // blanks or a second sign after the sign
  errno = 0;
  unsigned long long magnitude = strtoull(p, nullptr, 16);
  if (errno == ERANGE || magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  uint32_t value = static_cast<uint32_t>(magnitude);
  return negative ? 0u - value : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);  // the box's text ends at the first NUL
  if (ParseHexAddress(text.c_str()) != ReferenceAddress(text.c_str())) abort();
  return 0;
}
