// AddressParse.cpp - the start address as the user typed it, read as hexadecimal.
#include "ui/UploadDlg.h"

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static BOOL IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

DWORD ParseHexAddress(LPCSTR psz) {
  while (IsBlank(*psz)) ++psz;
  BOOL bNegative = FALSE;
  if (*psz == '+' || *psz == '-') bNegative = (*psz++ == '-');
  // A 0x prefix counts only when a digit follows; otherwise the 0 itself is the number.
  if (psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X') && HexDigit(psz[2]) >= 0) psz += 2;

  DWORD dwValue = 0;
  BOOL bOverflow = FALSE;
  for (int d; (d = HexDigit(*psz)) >= 0; ++psz) {
    if (dwValue > 0x0FFFFFFF) bOverflow = TRUE;
    dwValue = (dwValue << 4) | static_cast<DWORD>(d);
  }
  // A number beyond 32 bits gives 0xFFFFFFFF with or without a minus sign, as strtoul does when
  // it reports an overflow; otherwise the minus sign negates modulo 2^32.
  if (bOverflow) return 0xFFFFFFFF;
  return bNegative ? (0u - dwValue) : dwValue;
}
