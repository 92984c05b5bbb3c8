// FastCard.cpp - the benchmark's card: 'R' to 'W', 'W' to 'B', every other byte echoed.
#include "bench/FastCard.h"

namespace {
class CFastCard final : public CPortIo {
 public:
  BYTE In(UINT nPort) override {
    ++accesses;
    return (nPort & 2) ? 0xFE : reply_;
  }
  void Out(UINT, BYTE value) override {
    ++accesses;
    reply_ = value == 'W' ? 'R' : value == 'B' ? 'W' : value;
  }
  long long accesses = 0;

 private:
  BYTE reply_ = 0;
};
}  // namespace

CPortIo* NewFastCard() { return new CFastCard(); }
long long FastCardAccesses(CPortIo* card) { return static_cast<CFastCard*>(card)->accesses; }
