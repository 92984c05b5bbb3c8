// PosixSystem.h - the system half of the platform seam on Linux, and its test hooks.
//
// Files open through open(2), with exclusive opens expressed as flock(2) locks; the heap is
// malloc; the profile is an INI file in $XDG_CONFIG_HOME/varnok (else ~/.config/varnok),
// written atomically; the string table is compiled in.
#ifndef VARNOK_FRAMEWORK_POSIX_POSIXSYSTEM_H
#define VARNOK_FRAMEWORK_POSIX_POSIXSYSTEM_H

#include <stddef.h>

#include "framework/platform.h"

// The string table, terminated by an entry with id 0 (defined with the resources).
struct HOST_STRING {
  UINT nID;
  LPCSTR pszText;
};
extern const HOST_STRING g_hostStrings[];

namespace posix {

// Replaces one ReadFile: return true to take over (set *pnRead and the result in *pbResult).
typedef bool (*ReadHook)(HANDLE hFile, void* pBuffer, DWORD nToRead, DWORD* pnRead, BOOL* pbResult, void* pContext);
void SetReadHook(ReadHook pfn, void* pContext);

// Asked before every HeapAlloc (bGrow false) and HeapReAlloc (bGrow true): return true to make it fail.
typedef bool (*AllocHook)(size_t nBytes, bool bGrow, void* pContext);
void SetAllocHook(AllocHook pfn, void* pContext);

// The largest block HeapAlloc has handed out since the last reset, and the blocks still out.
size_t GetLargestAllocation();
long GetLiveAllocations();
void ResetAllocationStats();

// Handles from CreateFileA that are still open.
int GetOpenFileCount();

}  // namespace posix

#endif  // VARNOK_FRAMEWORK_POSIX_POSIXSYSTEM_H
