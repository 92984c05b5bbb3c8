// ElfImage.h - what varnok-cli sends for a linked console program: an ELF executable's image,
// exactly as `objcopy -O binary` makes it, and the address it goes to.
//
// The image is made of the allocated sections that have contents in the file, each at its load
// address, from the lowest one, the gaps between them zeros (a file without section headers: its
// loadable segments, at their load addresses). Only what the console can run is taken: a 32-bit
// big-endian SuperH executable whose entry point is the image's first byte (the console starts
// the program at the address it was sent to). Every offset, size and address is checked against
// the file and the 32-bit address space before use. Off the standard library: the Windows
// build has it too.
#ifndef VARNOK_CLI_IMAGE_ELFIMAGE_H
#define VARNOK_CLI_IMAGE_ELFIMAGE_H

#include "framework/platform.h"

// Gaps wider than this between the image's parts are refused (the default link script's stack
// at 0x3FFFFF00 would make a raw image of almost a gigabyte); so is an ELF file, or an image,
// larger than kElfMaxImage.
const DWORD kElfMaxGap = 0x100000;
const DWORD kElfMaxImage = 0x4000000;

enum ElfKind {
  kElfNone,     // neither ELF nor COFF: the file is sent as it is
  kElfImage,    // an image was made
  kElfRefused,  // an ELF file that cannot be sent, or a COFF file; pszWhy says why
};

// Whether a file is an ELF or a COFF file, by its first bytes (at least 20 of them, fewer only
// when the file is shorter).
BOOL IsElfOrCoff(const BYTE* pHead, DWORD nHead);

struct ELF_IMAGE {
  DWORD dwAddress;  // where the image goes: its lowest load address, also the entry point
  DWORD nLength;    // at least 1; dwAddress + nLength never passes 0xFFFFFFFF
  BYTE* pData;      // from HeapAlloc, for the caller to free; 0 when nothing was made
};

// The whole file in pFile. kElfImage: image holds the image. kElfRefused: pszWhy says why and
// what to do about it, in at most 300 characters that follow "Cannot Send: FILE: " (nWhy at
// least 320). kElfNone: a file that is neither.
ElfKind MakeElfImage(const BYTE* pFile, DWORD nFile, ELF_IMAGE& image, char* pszWhy, int nWhy);

#endif  // VARNOK_CLI_IMAGE_ELFIMAGE_H
