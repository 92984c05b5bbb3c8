// DriverPortIo.cpp - IN and OUT through the port-I/O driver library, loaded at run time.
#include "portio/driver/DriverPortIo.h"

#include "framework/afxwin.h"

namespace {

#if defined(_WIN64)
const char kLibrary[] = "inpoutx64.dll";
#else
const char kLibrary[] = "inpout32.dll";
#endif

typedef BOOL(WINAPI* PFN_IS_OPEN)();
typedef short(WINAPI* PFN_INP32)(short);
typedef void(WINAPI* PFN_OUT32)(short, short);

class CDriverPortIo final : public CPortIo {
 public:
  BYTE In(UINT nPort) override { return static_cast<BYTE>(m_pfnInp32(static_cast<short>(nPort))); }
  void Out(UINT nPort, BYTE value) override { m_pfnOut32(static_cast<short>(nPort), static_cast<short>(value)); }
  PFN_INP32 m_pfnInp32;
  PFN_OUT32 m_pfnOut32;
};
CDriverPortIo s_driver;

template <class PFN>
PFN Function(HINSTANCE hLib, LPCSTR pszName) {
  return reinterpret_cast<PFN>(reinterpret_cast<void*>(api::GetProcAddress(hLib, pszName)));
}

// The folder part of pszPath, then the library's name; FALSE when it does not fit.
BOOL LibraryPath(LPCSTR pszFolder, int nFolder, char* pszOut, int nOut) {
  int nName = AfxStrLen(kLibrary);
  if (nFolder <= 0 || nFolder + 1 + nName + 1 > nOut) return FALSE;
  AfxMemCopy(pszOut, pszFolder, nFolder);
  int n = nFolder;
  if (pszOut[n - 1] != '\\') pszOut[n++] = '\\';
  AfxMemCopy(pszOut + n, kLibrary, nName + 1);
  return TRUE;
}

HINSTANCE LoadByFullPath() {
  char szModule[MAX_PATH], szPath[MAX_PATH];
  // The executable's own folder.
  DWORD n = api::GetModuleFileNameA(0, szModule, sizeof(szModule));
  if (n > 0 && n < sizeof(szModule)) {
    int nFolder = static_cast<int>(n);
    while (nFolder > 0 && szModule[nFolder - 1] != '\\' && szModule[nFolder - 1] != '/') --nFolder;
    if (LibraryPath(szModule, nFolder, szPath, sizeof(szPath))) {
      HINSTANCE h = api::LoadLibraryA(szPath);
      if (h) return h;
    }
  }
  // The system folder.
  UINT nSystem = api::GetSystemDirectoryA(szModule, sizeof(szModule));
  if (nSystem > 0 && nSystem < sizeof(szModule) &&
      LibraryPath(szModule, static_cast<int>(nSystem), szPath, sizeof(szPath)))
    return api::LoadLibraryA(szPath);
  return 0;
}

}  // namespace

CPortIo* OpenDriverPortIo() {
  HINSTANCE hLib = LoadByFullPath();
  if (!hLib) return 0;
  PFN_IS_OPEN pfnIsOpen = Function<PFN_IS_OPEN>(hLib, "IsInpOutDriverOpen");
  s_driver.m_pfnInp32 = Function<PFN_INP32>(hLib, "Inp32");
  s_driver.m_pfnOut32 = Function<PFN_OUT32>(hLib, "Out32");
  if (!pfnIsOpen || !s_driver.m_pfnInp32 || !s_driver.m_pfnOut32 || !pfnIsOpen()) {
    api::FreeLibrary(hLib);
    return 0;
  }
  // Kept loaded for the rest of the run.
  return &s_driver;
}
