// LinuxPortIo.cpp - IN and OUT after ioperm, or reads and writes of /dev/port.
#include "portio/linux/LinuxPortIo.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)
class CIoPermPortIo final : public CPortIo {
 public:
  BYTE In(UINT nPort) override { return inb(static_cast<unsigned short>(nPort)); }
  void Out(UINT nPort, BYTE value) override { outb(value, static_cast<unsigned short>(nPort)); }
};

class CDevPortIo final : public CPortIo {
 public:
  explicit CDevPortIo(int fd) : m_fd(fd) {}
  BYTE In(UINT nPort) override {
    BYTE value = 0xFF;
    if (pread(m_fd, &value, 1, nPort) != 1) value = 0xFF;
    return value;
  }
  void Out(UINT nPort, BYTE value) override {
    if (pwrite(m_fd, &value, 1, nPort) != 1) {
      // Nothing to do: the card simply never answers, and the user stops the transfer.
    }
  }

 private:
  int m_fd;
};
#endif

}  // namespace

CPortIo* OpenLinuxPortIo(UINT nBase, char* pszWhy, int nWhy) {
#if defined(__i386__) || defined(__x86_64__)
  static CIoPermPortIo s_ioperm;
  if (ioperm(nBase, 3, 1) == 0) return &s_ioperm;
  int fd = open("/dev/port", O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    static CDevPortIo s_dev(fd);
    return &s_dev;
  }
  snprintf(pszWhy, static_cast<size_t>(nWhy),
           "no access to I/O ports %x-%x (%s): run as root, or give the program the capability once with "
           "'sudo setcap cap_sys_rawio+ep varnok-cli'; or try it with --simulate",
           nBase, nBase + 2, strerror(errno));
  return nullptr;
#else
  (void)nBase;
  snprintf(pszWhy, static_cast<size_t>(nWhy), "this machine has no x86 I/O ports: only --simulate works here");
  return nullptr;
#endif
}
