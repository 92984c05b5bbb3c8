// ElfImage.cpp - an ELF executable's loadable image, as objcopy -O binary makes it.
#include "cli/ElfImage.h"

#include "framework/afxwin.h"

namespace {

const DWORD kElfHeaderSize = 52;
const DWORD kPhEntryMin = 32;
const DWORD kClass32 = 1, kClass64 = 2;
const DWORD kBigEndian = 2;
const DWORD kTypeExec = 2;
const DWORD kMachineSh = 42;
const DWORD kLoad = 1;

DWORD Be16(const BYTE* p) { return static_cast<DWORD>(p[0]) << 8 | p[1]; }
DWORD Be32(const BYTE* p) { return Be16(p) << 16 | Be16(p + 2); }

BOOL IsCoff(const BYTE* p, DWORD n) {
  // SuperH COFF: the magic 0x0500 (big-endian) or 0x0550 (little-endian), in the file's byte
  // order; a plausible count of sections and size of optional header besides, since a raw image
  // may begin with those two bytes too.
  if (n < 20) return FALSE;
  BOOL bBig = p[0] == 0x05 && p[1] == 0x00;
  if (!bBig && !(p[0] == 0x50 && p[1] == 0x05)) return FALSE;
  DWORD nSections = bBig ? Be16(p + 2) : (static_cast<DWORD>(p[3]) << 8 | p[2]);
  DWORD nOptional = bBig ? Be16(p + 16) : (static_cast<DWORD>(p[17]) << 8 | p[16]);
  return nSections >= 1 && nSections <= 64 && (nOptional == 0 || nOptional == 28);
}

struct Segment {
  DWORD dwAddress, dwOffset, nSize;
};

ElfKind Refuse(char* pszWhy, LPCSTR pszFormat, DWORD a = 0, DWORD b = 0) {
  api::wsprintfA(pszWhy, pszFormat, static_cast<unsigned long>(a), static_cast<unsigned long>(b));
  return kElfRefused;
}

// Sorts by address (Shell's sort: a file may hold thousands of headers).
void SortByAddress(Segment* p, DWORD n) {
  for (DWORD gap = n / 2; gap > 0; gap /= 2)
    for (DWORD i = gap; i < n; ++i)
      for (DWORD j = i; j >= gap && p[j - gap].dwAddress > p[j].dwAddress; j -= gap) {
        Segment t = p[j];
        p[j] = p[j - gap];
        p[j - gap] = t;
      }
}

}  // namespace

BOOL IsElfOrCoff(const BYTE* p, DWORD n) {
  return (n >= 4 && p[0] == 0x7F && p[1] == 'E' && p[2] == 'L' && p[3] == 'F') || IsCoff(p, n);
}

ElfKind MakeElfImage(const BYTE* p, DWORD n, ELF_IMAGE& image, char* pszWhy, int nWhy) {
  image.dwAddress = image.nLength = 0;
  image.pData = 0;
  if (nWhy < 200) return kElfRefused;
  pszWhy[0] = 0;
  if (!IsElfOrCoff(p, n)) return kElfNone;
  if (IsCoff(p, n))
    return Refuse(pszWhy,
                  "a COFF file, which is not read here: link the program as ELF, or convert it "
                  "(sh-elf-objcopy -O binary FILE FILE.bin) and send that with --address");
  if (n < kElfHeaderSize || (p[4] != kClass32 && p[4] != kClass64))
    return Refuse(pszWhy, "an ELF file cut short or damaged");
  if (p[4] == kClass64) return Refuse(pszWhy, "a 64-bit ELF file: the console runs 32-bit SuperH programs");
  if (p[5] != kBigEndian)
    return Refuse(pszWhy, "a little-endian ELF file: the console's SuperH processor runs big-endian code");
  if (Be16(p + 18) != kMachineSh)
    return Refuse(pszWhy, "an ELF file for another machine (%lu; SuperH is 42)", Be16(p + 18));
  if (Be16(p + 16) != kTypeExec)
    return Refuse(pszWhy, "an ELF file that is not a linked executable (type %lu): link it first", Be16(p + 16));

  DWORD dwEntry = Be32(p + 24), dwPhOffset = Be32(p + 28), nPhSize = Be16(p + 42), nPh = Be16(p + 44);
  if (nPh && (nPhSize < kPhEntryMin || static_cast<ULONGLONG>(dwPhOffset) + ULONGLONG(nPh) * nPhSize > n))
    return Refuse(pszWhy, "an ELF file cut short or damaged (its program headers)");

  Segment* pSegs = nPh ? static_cast<Segment*>(api::HeapAlloc(api::GetProcessHeap(), 0, nPh * sizeof(Segment))) : 0;
  if (nPh && !pSegs) return Refuse(pszWhy, "an ELF file too large for the memory there is");
  DWORD nSegs = 0;
  ElfKind kind = kElfImage;
  for (DWORD i = 0; i < nPh && kind == kElfImage; ++i) {
    const BYTE* ph = p + dwPhOffset + i * nPhSize;
    Segment s = {Be32(ph + 12), Be32(ph + 4), Be32(ph + 16)};  // physical (load) address, offset, file size
    if (Be32(ph) != kLoad || s.nSize == 0) continue;
    if (static_cast<ULONGLONG>(s.dwOffset) + s.nSize > n ||
        static_cast<ULONGLONG>(s.dwAddress) + s.nSize > 0x100000000ull)
      kind = Refuse(pszWhy, "an ELF file cut short or damaged (its segment at %08lx)", s.dwAddress);
    pSegs[nSegs++] = s;
  }
  if (kind == kElfImage && nSegs == 0) kind = Refuse(pszWhy, "an ELF file without loadable contents");

  // The image runs from the lowest load address to the end of the highest segment.
  DWORD dwLow = 0, dwEnd = 0;
  if (kind == kElfImage) {
    SortByAddress(pSegs, nSegs);
    dwLow = dwEnd = pSegs[0].dwAddress;
    for (DWORD i = 0; i < nSegs && kind == kElfImage; ++i) {
      const Segment& s = pSegs[i];
      if (s.dwAddress > dwEnd && s.dwAddress - dwEnd > kElfMaxGap)
        kind = Refuse(pszWhy,
                      "an ELF file whose loadable segments lie far apart (%08lx and %08lx, more than 1 MiB "
                      "of zeros between them)",
                      dwEnd, s.dwAddress);
      else if (s.dwAddress + s.nSize - dwLow > kElfMaxImage)
        kind = Refuse(pszWhy, "an ELF file whose image would be larger than 64 MiB");
      else if (s.dwAddress + s.nSize > dwEnd)
        dwEnd = s.dwAddress + s.nSize;
    }
  }
  if (kind == kElfImage && dwEntry != dwLow)
    kind = Refuse(pszWhy,
                  "an ELF file whose entry point %08lx is not its load address %08lx (the console starts "
                  "a program at the address it was sent to)",
                  dwEntry, dwLow);
  if (kind == kElfImage) {
    image.pData = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, dwEnd - dwLow));
    if (!image.pData) kind = Refuse(pszWhy, "an ELF file too large for the memory there is");
  }
  if (kind == kElfImage) {
    image.dwAddress = dwLow;
    image.nLength = dwEnd - dwLow;
    for (DWORD i = 0; i < image.nLength; ++i) image.pData[i] = 0;
    // In the order of the file's headers, as objcopy writes them: a later one wins where two overlap.
    for (DWORD i = 0; i < nPh; ++i) {
      const BYTE* ph = p + dwPhOffset + i * nPhSize;
      if (Be32(ph) == kLoad && Be32(ph + 16))
        AfxMemCopy(image.pData + (Be32(ph + 12) - dwLow), p + Be32(ph + 4), Be32(ph + 16));
    }
  }
  if (pSegs) api::HeapFree(api::GetProcessHeap(), 0, pSegs);
  return kind;
}
