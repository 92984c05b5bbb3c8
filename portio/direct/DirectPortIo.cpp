// DirectPortIo.cpp - the IN and OUT instructions, as Windows 95 and 98 let an application use them.
//
// No host test calls these (tests run as root, where a stray access could reach real hardware).
// The end-to-end tests run them inside the program under Wine, where each one faults before any
// I/O and the test driver, as the program's debugger, answers it as the link card would.
#include "portio/direct/DirectPortIo.h"

namespace {
class CDirectPortIo : public CPortIo {
 public:
  BYTE In(UINT nPort) override {
#if defined(__i386__) || defined(__x86_64__)
    BYTE value;
    unsigned short port = static_cast<unsigned short>(nPort);
    __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port));
    return value;
#else
    (void)nPort;
    return 0xFF;
#endif
  }
  void Out(UINT nPort, BYTE value) override {
#if defined(__i386__) || defined(__x86_64__)
    unsigned short port = static_cast<unsigned short>(nPort);
    __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port));
#else
    (void)nPort;
    (void)value;
#endif
  }
};
CDirectPortIo s_direct;
}  // namespace

CPortIo* GetDirectPortIo() { return &s_direct; }
