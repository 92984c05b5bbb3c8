// Outgoing.h - what goes out for one upload, decided once, in one place, for the local upload, the
// client of a server and the server: the file's own bytes or an ELF file's image, the address
// they go to, and whether the console's work RAM takes them (a verdict and a text; showing it is
// the caller's).
#ifndef VARNOK_CLI_IMAGE_OUTGOING_H
#define VARNOK_CLI_IMAGE_OUTGOING_H

#include "cli/output/Output.h"

// A start address as varnok-cli takes it (--address, a server's address=): hexadecimal digits, a
// 0x or 0X before them and leading zeros allowed, nothing else (no blanks, no sign), of a value
// that fits 32 bits. FALSE for anything else: a typo is refused, not read as far as it goes (as
// the window reads it).
BOOL ParseStrictAddress(LPCSTR pszText, DWORD& dwAddress);

class COutgoing {
 public:
  COutgoing() = default;
  ~COutgoing();

  // The file at pszPath, sent from here. pdwGiven: the address the user gave (0: none), which an
  // ELF file's own must equal; pdwRecent: the history's address (0: none), for a file that is not
  // one. nRead 0: a file that does not open, or has no address, is left to Execute, which says
  // so; else its bytes are read too (for the network), when there are at most nRead of them
  // (pszTooLong: why not, beyond).
  void FromFile(LPCSTR pszPath, const DWORD* pdwGiven, const DWORD* pdwRecent, DWORD nRead = 0, LPCSTR pszTooLong = 0);
  // A whole file received in p (n bytes, kept by the caller while this serves), named pszName;
  // pszGivenAs: how the address given is named ("address=").
  void FromBytes(const BYTE* p, DWORD n, LPCSTR pszName, const DWORD* pdwGiven, LPCSTR pszGivenAs);
  // A file of n bytes still arriving, and no ELF file (its first bytes told): its bounds alone.
  void FromLength(DWORD n, LPCSTR pszName, DWORD dwAddress);

  // Refused: nothing goes to the card; the exit code and the message.
  BOOL IsRefused() const { return m_nExit != 0; }
  int GetExit() const { return m_nExit; }
  const CLI_MESSAGE& GetRefusal() const { return m_message; }
  // Sent after this warning (the start lies outside the work RAM).
  BOOL HasWarning() const { return !m_nExit && m_bWarned; }
  const CLI_MESSAGE& GetWarning() const { return m_message; }

  // An ELF file, sent as its image (GetBytes) rather than as the file it is.
  BOOL IsElf() const { return m_bElf; }
  BOOL HasAddress() const { return m_bAddress; }
  DWORD GetAddress() const { return m_dwAddress; }
  // The bytes that go out: an ELF file's image, a file read for the network, or a file received;
  // 0 where Execute reads the file itself.
  const BYTE* GetBytes() const { return m_pBytes; }
  DWORD GetLength() const { return m_nLength; }

 private:
  COutgoing(const COutgoing&) = delete;
  void operator=(const COutgoing&) = delete;
  // pFile holds the whole file: an ELF file's image, or the file itself.
  void FromContents(const BYTE* pFile, DWORD nFile, LPCSTR pszName, const DWORD* pdwGiven, LPCSTR pszGivenAs);
  void Refuse(int nExit, LPCSTR pszWhat, LPCSTR pszObject = 0, LPCSTR pszReason = 0);
  // The work RAM's verdict, once the address and the length are known.
  void CheckBounds(LPCSTR pszName);
  void* Alloc(DWORD n);

  int m_nExit = 0;
  BOOL m_bWarned = FALSE;
  CLI_MESSAGE m_message;
  BOOL m_bElf = FALSE;
  BOOL m_bAddress = FALSE;
  DWORD m_dwAddress = 0;
  const BYTE* m_pBytes = 0;
  DWORD m_nLength = 0;
  void* m_pOwned = 0;  // what this holds for the bytes
};

#endif  // VARNOK_CLI_IMAGE_OUTGOING_H
