// ElfFuzz.cpp - the ELF reader against a plain reference of what objcopy -O binary makes of an
// executable's loadable segments: no input crashes it, it makes an image exactly when the
// reference does, that image is the reference's, and a refusal always says why.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <vector>

#include "cli/ElfImage.h"
#include "framework/api.h"

namespace {

uint64_t Be(const uint8_t* p, int n) {
  uint64_t v = 0;
  while (n--) v = v << 8 | *p++;
  return v;
}

typedef std::array<uint64_t, 3> Segment;  // load address, offset in the file, size

// A 32-bit big-endian SuperH executable; its loadable contents within the file, at most 1 MiB
// apart and 64 MiB in all, entered at their lowest address. In header order, later wins.
bool Reference(const uint8_t* d, size_t n, uint64_t& address, std::vector<uint8_t>& image) {
  if (n < 52 || Be(d, 4) != 0x7F454C46 || d[4] != 1 || d[5] != 2 || Be(d + 18, 2) != 42 || Be(d + 16, 2) != 2)
    return false;
  uint64_t offset = Be(d + 28, 4), size = Be(d + 42, 2), count = Be(d + 44, 2);
  if (count && (size < 32 || offset + count * size > n)) return false;
  std::vector<Segment> segments;
  for (const uint8_t* ph = d + offset; ph < d + offset + count * size; ph += size) {
    Segment s = {Be(ph + 12, 4), Be(ph + 4, 4), Be(ph + 16, 4)};
    if (Be(ph, 4) != 1 || s[2] == 0) continue;
    if (s[1] + s[2] > n || s[0] + s[2] > (1ull << 32)) return false;
    segments.push_back(s);
  }
  if (segments.empty()) return false;
  std::vector<Segment> sorted = segments;
  std::sort(sorted.begin(), sorted.end());
  uint64_t low = sorted[0][0], end = low;
  for (const Segment& s : sorted) {
    if (s[0] > end + 0x100000 || s[0] + s[2] - low > 0x4000000) return false;
    end = std::max(end, s[0] + s[2]);
  }
  if (Be(d + 24, 4) != low) return false;
  image.assign(end - low, 0);
  for (const Segment& s : segments) memcpy(&image[s[0] - low], d + s[1], s[2]);
  address = low;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ELF_IMAGE image;
  char why[300];
  ElfKind kind = MakeElfImage(data, static_cast<DWORD>(size), image, why, sizeof(why));
  uint64_t address = 0;
  std::vector<uint8_t> expected;
  bool made = Reference(data, size, address, expected);
  if ((kind == kElfImage) != made || (kind == kElfNone) == IsElfOrCoff(data, static_cast<DWORD>(size))) abort();
  if (made && (image.dwAddress != address || image.nLength != expected.size() ||
               memcmp(image.pData, expected.data(), expected.size()) != 0))
    abort();
  if (kind == kElfRefused && !why[0]) abort();
  if (image.pData) api::HeapFree(api::GetProcessHeap(), 0, image.pData);
  return 0;
}
