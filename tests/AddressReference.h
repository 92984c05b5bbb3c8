// AddressReference.h - what a 32-bit strtoul with base 16 gives, built on the C library's strtoull:
// the magnitude parsed; 0xFFFFFFFF when it does not fit in 32 bits, signed or not; otherwise a
// minus sign negates it modulo 2^32. (unsigned long has 64 bits here, so strtoul cannot serve.)
// Shared by the unit tests and the fuzz target.
#ifndef VARNOK_TESTS_ADDRESSREFERENCE_H
#define VARNOK_TESTS_ADDRESSREFERENCE_H

#include <ctype.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

inline uint32_t ReferenceAddress(const std::string& text) {
  const char* p = text.c_str();
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

#endif  // VARNOK_TESTS_ADDRESSREFERENCE_H
