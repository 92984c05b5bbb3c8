// ElfImage.cpp - an ELF executable's image, as objcopy -O binary makes it.
//
// Sums of offsets, sizes and addresses are taken in 64 bits (additions and comparisons only:
// the i386 build has no helpers for 64-bit division) and checked before anything is read.
#include "cli/image/ElfImage.h"

#include "framework/afxwin.h"

namespace {

const DWORD kElfHeaderSize = 52, kPhEntryMin = 32, kShEntryMin = 40;
const BYTE kClass32 = 1, kClass64 = 2, kLittleEndian = 1, kBigEndian = 2;
const DWORD kTypeExec = 2, kMachineSh = 42;
const DWORD kLoad = 1;    // program header type PT_LOAD
const DWORD kNoBits = 8;  // section type SHT_NOBITS: room in memory, nothing in the file
const DWORD kAlloc = 2;   // section flag SHF_ALLOC: in memory when the program runs
const DWORD kNoSection = 0xFFFFFFFF;
// Beyond the last 32-bit address: no part of an image may reach it (its end would wrap to 0).
const ULONGLONG k4GiB = 0x100000000ull;
// Sections times segments looked at to place the sections: a Saturn program has a few of each;
// a crafted file with 65,535 of each would take minutes.
const DWORD kMaxPlacements = 0x1000000;

// Machines a program is likeliest to have been built for by mistake, by name.
const struct {
  DWORD nMachine;
  LPCSTR pszName;
} kMachines[] = {{4, "the Motorola 68000 (the Saturn's sound processor)"},
                 {40, "ARM"},
                 {183, "64-bit ARM"},
                 {3, "x86"},
                 {62, "x86-64"},
                 {8, "MIPS"},
                 {10, "MIPS"},
                 {20, "PowerPC"},
                 {21, "64-bit PowerPC"},
                 {2, "SPARC"},
                 {243, "RISC-V"}};

DWORD Be16(const BYTE* p) { return static_cast<DWORD>(p[0]) << 8 | p[1]; }
DWORD Be32(const BYTE* p) { return Be16(p) << 16 | Be16(p + 2); }

// SuperH COFF: the magic 0x0500 (big-endian) or 0x0550 (little-endian), in the file's byte
// order; a plausible count of sections and size of optional header besides, since a raw image
// may begin with those two bytes too. 1: big-endian, -1: little-endian, 0: not COFF.
int CoffOrder(const BYTE* p, DWORD n) {
  if (n < 20) return 0;
  BOOL bBig = p[0] == 0x05 && p[1] == 0x00;
  if (!bBig && !(p[0] == 0x50 && p[1] == 0x05)) return 0;
  DWORD nSections = bBig ? Be16(p + 2) : (static_cast<DWORD>(p[3]) << 8 | p[2]);
  DWORD nOptional = bBig ? Be16(p + 16) : (static_cast<DWORD>(p[17]) << 8 | p[16]);
  if (nSections < 1 || nSections > 64 || (nOptional != 0 && nOptional != 28)) return 0;
  return bBig ? 1 : -1;
}

ElfKind Refuse(char* pszWhy, LPCSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  api::wvsprintfA(pszWhy, pszFormat, args);
  va_end(args);
  return kElfRefused;
}

// The headers' places, each checked to lie within the file.
struct ELF_FILE {
  const BYTE* p;
  DWORD n;
  DWORD dwPhOffset, nPhSize, nPh;
  DWORD dwShOffset, nShSize, nSh, nNames;  // nNames: the section names' section
  const BYTE* Ph(DWORD i) const { return p + dwPhOffset + i * nPhSize; }
  const BYTE* Sh(DWORD i) const { return p + dwShOffset + i * nShSize; }
};

// A part of the image: a section's, or a segment's, contents.
struct PART {
  DWORD dwAddress;  // where it loads
  DWORD dwOffset, nSize;
  DWORD nSection;  // its section header, kNoSection for a segment
  DWORD nOrder;    // its place among the headers
};

// Sorts by address, or back into the headers' order (Shell's sort: a file may hold thousands).
void SortParts(PART* p, DWORD n, BOOL bByAddress) {
  for (DWORD gap = n / 2; gap > 0; gap /= 2)
    for (DWORD i = gap; i < n; ++i)
      for (DWORD j = i;
           j >= gap && (bByAddress ? p[j - gap].dwAddress > p[j].dwAddress : p[j - gap].nOrder > p[j].nOrder);
           j -= gap) {
        PART t = p[j];
        p[j] = p[j - gap];
        p[j - gap] = t;
      }
}

// A part as messages name it: its section's name (printable characters only, at most 24), or
// its kind and address.
void Describe(const ELF_FILE& f, const PART& part, char* psz) {
  int k = 0;
  if (part.nSection != kNoSection && f.nNames < f.nSh) {
    const BYTE* sh = f.Sh(f.nNames);
    ULONGLONG qwAt = static_cast<ULONGLONG>(Be32(sh + 16)) + Be32(f.Sh(part.nSection));
    ULONGLONG qwEnd = static_cast<ULONGLONG>(Be32(sh + 16)) + Be32(sh + 20);
    if (qwEnd > f.n) qwEnd = f.n;
    for (; k < 24 && qwAt < qwEnd && f.p[static_cast<DWORD>(qwAt)] > ' ' && f.p[static_cast<DWORD>(qwAt)] < 0x7F;
         ++qwAt)
      psz[k++] = static_cast<char>(f.p[static_cast<DWORD>(qwAt)]);
  }
  psz[k] = 0;
  if (k == 0)
    api::wsprintfA(psz, "the %s at %08lx", part.nSection == kNoSection ? "segment" : "section",
                   static_cast<unsigned long>(part.dwAddress));
}

// A part whose contents lie within the file and whose load addresses within 32 bits: TRUE.
BOOL CheckPart(const ELF_FILE& f, const PART& part, ULONGLONG qwAddress, char* pszWhy) {
  char sz[40];
  PART named = part;
  named.dwAddress = static_cast<DWORD>(qwAddress);
  Describe(f, named, sz);
  if (static_cast<ULONGLONG>(part.dwOffset) + part.nSize > f.n)
    return !Refuse(pszWhy, "an ELF file cut short or damaged (%s lies beyond the file's end)", sz);
  if (qwAddress + part.nSize >= k4GiB)
    return !Refuse(pszWhy, "an ELF file cut short or damaged (%s would load past address ffffffff)", sz);
  return TRUE;
}

// The allocated sections with contents, in the headers' order, each at its load address: where
// the first PT_LOAD segment that holds it (by file offset and by address) loads that offset. A
// section no segment holds, or every section when a linker left all load addresses 0 in more
// than one segment, loads where it runs.
ElfKind FromSections(const ELF_FILE& f, PART* pParts, DWORD& nParts, char* pszWhy) {
  DWORD nLoads = 0, nSections = 0;
  BOOL bLoadAddresses = FALSE;
  for (DWORD i = 0; i < f.nPh; ++i) {
    const BYTE* ph = f.Ph(i);
    if (Be32(ph + 12)) bLoadAddresses = TRUE;
    if (Be32(ph) == kLoad && Be32(ph + 20)) ++nLoads;
  }
  for (DWORD i = 0; i < f.nSh; ++i) {
    const BYTE* sh = f.Sh(i);
    if ((Be32(sh + 8) & kAlloc) && Be32(sh + 4) != kNoBits && Be32(sh + 20)) ++nSections;
  }
  if (f.nPh && nSections > kMaxPlacements / f.nPh)
    return Refuse(pszWhy, "an ELF file with too many sections (%lu) and program headers (%lu) to read",
                  static_cast<unsigned long>(nSections), static_cast<unsigned long>(f.nPh));
  BOOL bAsRun = !bLoadAddresses && nLoads > 1;
  for (DWORD i = 0; i < f.nSh; ++i) {
    const BYTE* sh = f.Sh(i);
    PART part = {Be32(sh + 12), Be32(sh + 16), Be32(sh + 20), i, i};
    if (!(Be32(sh + 8) & kAlloc) || Be32(sh + 4) == kNoBits || part.nSize == 0) continue;
    ULONGLONG qwAddress = part.dwAddress;
    for (DWORD k = 0; k < f.nPh && !bAsRun; ++k) {
      const BYTE* ph = f.Ph(k);
      DWORD dwOffset = Be32(ph + 4), dwRuns = Be32(ph + 8);
      if (Be32(ph) == kLoad && part.dwOffset >= dwOffset &&
          static_cast<ULONGLONG>(part.dwOffset - dwOffset) + part.nSize <= Be32(ph + 16) && part.dwAddress >= dwRuns &&
          static_cast<ULONGLONG>(part.dwAddress - dwRuns) + part.nSize <= Be32(ph + 20)) {
        qwAddress = static_cast<ULONGLONG>(Be32(ph + 12)) + (part.dwOffset - dwOffset);
        break;
      }
    }
    if (!CheckPart(f, part, qwAddress, pszWhy)) return kElfRefused;
    part.dwAddress = static_cast<DWORD>(qwAddress);
    pParts[nParts++] = part;
  }
  return kElfImage;
}

// Without section headers: the PT_LOAD segments' file contents, at their load addresses.
ElfKind FromSegments(const ELF_FILE& f, PART* pParts, DWORD& nParts, char* pszWhy) {
  for (DWORD i = 0; i < f.nPh; ++i) {
    const BYTE* ph = f.Ph(i);
    PART part = {Be32(ph + 12), Be32(ph + 4), Be32(ph + 16), kNoSection, i};
    if (Be32(ph) != kLoad || part.nSize == 0) continue;
    if (!CheckPart(f, part, part.dwAddress, pszWhy)) return kElfRefused;
    pParts[nParts++] = part;
  }
  return kElfImage;
}

// The header: a 32-bit big-endian SuperH executable, or why not and what to do.
ElfKind CheckHeader(const BYTE* p, DWORD n, char* pszWhy) {
  if (n < kElfHeaderSize || (p[5] != kLittleEndian && p[5] != kBigEndian) || (p[4] != kClass32 && p[4] != kClass64))
    return Refuse(pszWhy, "an ELF file cut short or damaged");
  DWORD nMachine = p[5] == kBigEndian ? Be16(p + 18) : (static_cast<DWORD>(p[19]) << 8 | p[18]);
  if (nMachine != kMachineSh) {
    LPCSTR pszName = 0;
    for (const auto& m : kMachines)
      if (m.nMachine == nMachine) pszName = m.pszName;
    char szOther[40];
    api::wsprintfA(szOther, "another machine (number %lu)", static_cast<unsigned long>(nMachine));
    return Refuse(pszWhy, "an ELF file for %s: the console runs SuperH programs; build it with the sh-elf- tools",
                  pszName ? pszName : szOther);
  }
  if (p[4] == kClass64) return Refuse(pszWhy, "a 64-bit ELF file: the console runs 32-bit SuperH programs");
  if (p[5] != kBigEndian)
    return Refuse(pszWhy,
                  "a little-endian ELF file: the console's SuperH processor runs big-endian code; build it "
                  "big-endian (sh-elf-gcc -mb)");
  if (Be16(p + 16) != kTypeExec)
    return Refuse(pszWhy, "an ELF file that is not a linked executable (type %lu): link it first",
                  static_cast<unsigned long>(Be16(p + 16)));
  return kElfImage;
}

// The image's span: its parts sorted by address, no more than kElfMaxGap of zeros between
// them, at most kElfMaxImage in all.
ElfKind Span(const ELF_FILE& f, PART* pParts, DWORD nParts, DWORD& dwLow, DWORD& dwEnd, char* pszWhy) {
  SortParts(pParts, nParts, TRUE);
  dwLow = dwEnd = pParts[0].dwAddress;
  DWORD nLast = 0;  // the part that ends at dwEnd
  for (DWORD i = 0; i < nParts; ++i) {
    const PART& part = pParts[i];
    if (static_cast<ULONGLONG>(part.dwAddress) > static_cast<ULONGLONG>(dwEnd) + kElfMaxGap) {
      char szLast[40], szNext[40];
      Describe(f, pParts[nLast], szLast);
      Describe(f, part, szNext);
      return Refuse(pszWhy,
                    "an ELF file whose parts lie more than 1 MiB apart (%s ends at %08lx, %s begins at %08lx): "
                    "leave out the far one if it is not for the console (the default link script's stack: "
                    "sh-elf-objcopy -R .stack FILE)",
                    szLast, static_cast<unsigned long>(dwEnd), szNext, static_cast<unsigned long>(part.dwAddress));
    }
    // Both below 4 GiB (CheckPart): neither sum wraps.
    if (part.dwAddress + part.nSize - dwLow > kElfMaxImage)
      return Refuse(pszWhy, "an ELF file whose image would be larger than 64 MiB");
    if (part.dwAddress + part.nSize > dwEnd) {
      dwEnd = part.dwAddress + part.nSize;
      nLast = i;
    }
  }
  return kElfImage;
}

}  // namespace

BOOL IsElfOrCoff(const BYTE* p, DWORD n) {
  return (n >= 4 && p[0] == 0x7F && p[1] == 'E' && p[2] == 'L' && p[3] == 'F') || CoffOrder(p, n) != 0;
}

ElfKind MakeElfImage(const BYTE* p, DWORD n, ELF_IMAGE& image, char* pszWhy, int nWhy) {
  image.dwAddress = image.nLength = 0;
  image.pData = 0;
  if (nWhy < 320) return kElfRefused;
  pszWhy[0] = 0;
  if (!IsElfOrCoff(p, n)) return kElfNone;
  if (CoffOrder(p, n) > 0)
    return Refuse(pszWhy,
                  "a COFF file, which is not read here: link the program as ELF, or convert it "
                  "(sh-elf-objcopy -O binary FILE FILE.bin) and send that with --address");
  if (CoffOrder(p, n) < 0)
    return Refuse(pszWhy,
                  "a little-endian COFF file: the console's SuperH processor runs big-endian code; build it "
                  "big-endian (sh-elf-gcc -mb) and link it as ELF");
  ElfKind kind = CheckHeader(p, n, pszWhy);
  if (kind != kElfImage) return kind;

  ELF_FILE f = {p, n, Be32(p + 28), Be16(p + 42), Be16(p + 44), Be32(p + 32), Be16(p + 46), Be16(p + 48), Be16(p + 50)};
  if (f.dwShOffset == 0) f.nSh = 0;  // no section headers, whatever the count says
  // At most 65,535 headers of at most 65,535 bytes: the product fits 32 bits.
  if (f.nPh && (f.nPhSize < kPhEntryMin || static_cast<ULONGLONG>(f.dwPhOffset) + f.nPh * f.nPhSize > n))
    return Refuse(pszWhy, "an ELF file cut short or damaged (its program headers)");
  if (f.nSh && (f.nShSize < kShEntryMin || static_cast<ULONGLONG>(f.dwShOffset) + f.nSh * f.nShSize > n))
    return Refuse(pszWhy, "an ELF file cut short or damaged (its section headers)");

  DWORD nParts = 0, nMost = f.nSh ? f.nSh : f.nPh;
  PART* pParts = nMost ? static_cast<PART*>(api::HeapAlloc(api::GetProcessHeap(), 0, nMost * sizeof(PART))) : 0;
  if (nMost && !pParts) return Refuse(pszWhy, "an ELF file too large for the memory there is");
  kind = f.nSh ? FromSections(f, pParts, nParts, pszWhy) : FromSegments(f, pParts, nParts, pszWhy);
  if (kind == kElfImage && nParts == 0) kind = Refuse(pszWhy, "an ELF file without loadable contents");
  DWORD dwLow = 0, dwEnd = 0, dwEntry = Be32(p + 24);
  if (kind == kElfImage) kind = Span(f, pParts, nParts, dwLow, dwEnd, pszWhy);
  if (kind == kElfImage && dwEntry != dwLow)
    kind = Refuse(pszWhy,
                  "an ELF file whose entry point %08lx is not the first byte of its image, %08lx, where the "
                  "console starts it: link the start-up code first (its object first on the linker's command "
                  "line, or first in the link script's .text)",
                  static_cast<unsigned long>(dwEntry), static_cast<unsigned long>(dwLow));
  if (kind == kElfImage) {
    image.pData = static_cast<BYTE*>(api::HeapAlloc(api::GetProcessHeap(), 0, dwEnd - dwLow));
    if (!image.pData) kind = Refuse(pszWhy, "an ELF file too large for the memory there is");
  }
  if (kind == kElfImage) {
    image.dwAddress = dwLow;
    image.nLength = dwEnd - dwLow;
    for (DWORD i = 0; i < image.nLength; ++i) image.pData[i] = 0;
    // In the headers' order, as objcopy writes them: a later one wins where two overlap.
    SortParts(pParts, nParts, FALSE);
    for (DWORD i = 0; i < nParts; ++i)
      AfxMemCopy(image.pData + (pParts[i].dwAddress - dwLow), p + pParts[i].dwOffset, pParts[i].nSize);
  }
  if (pParts) api::HeapFree(api::GetProcessHeap(), 0, pParts);
  return kind;
}
