// ElfFuzz.cpp - the ELF reader on any input: no crash, nothing read outside the file (the input
// is a buffer of exactly its size, under the sanitizers), a refusal always says why, and an image
// made is whole: all of its bytes there to read, within the size limit, and its span within the
// 32-bit address space, so that no sum of its address and length wraps.
#include <stdint.h>
#include <stdlib.h>

#include "cli/image/ElfImage.h"
#include "framework/api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ELF_IMAGE image;
  char why[320];
  ElfKind kind = MakeElfImage(data, static_cast<DWORD>(size), image, why, sizeof(why));
  if ((kind == kElfNone) == IsElfOrCoff(data, static_cast<DWORD>(size))) abort();
  if (kind != kElfImage && (image.pData || (kind == kElfRefused && !why[0]))) abort();
  if (kind == kElfImage) {
    if (!image.pData || image.nLength == 0 || image.nLength > kElfMaxImage ||
        static_cast<uint64_t>(image.dwAddress) + image.nLength > 0xFFFFFFFFu)
      abort();
    volatile uint8_t sum = 0;
    for (DWORD i = 0; i < image.nLength; ++i) sum = sum + image.pData[i];
    api::HeapFree(api::GetProcessHeap(), 0, image.pData);
  }
  return 0;
}
