// UploadBench.cpp - what a whole upload through Execute costs against a card that answers at
// once, beside a floor loop that does only the port accesses an exchange needs.
//
// Last line: engine/floor: R, accesses/exchange: A, buffer/L: B
//   R  engine time over floor time, for the largest file
//   A  port accesses per exchange in the engine run (3 is the minimum: write, status, data)
//   B  the largest heap block the engine took over the file's length, for the largest file
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/UploaderApp.h"
#include "bench/FastCard.h"
#include "framework/posix/PosixSystem.h"
#include "portio/PortIo.h"
#include "ui/UploadDlg.h"

namespace {

const long kSizes[] = {1 << 10, 64 << 10, 1 << 20, 4 << 20};
const long kLargest = 4 << 20;

std::string g_dir;
CPortIo* g_card = nullptr;
CUploadDlg* g_dlg = nullptr;
double g_accessesPerExchange = 0;
size_t g_largestBlock = 0;

std::string FileOf(long size) {
  std::string path = g_dir + "/bench-" + std::to_string(size) + ".bin";
  std::ofstream f(path, std::ios::binary);
  std::vector<char> data(static_cast<size_t>(size));
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  return path;
}

void BM_Engine(benchmark::State& state) {
  long size = state.range(0);
  std::string path = FileOf(size);
  g_dlg->SetDlgItemText(IDC_FILE, path.c_str());
  posix::ResetAllocationStats();
  long long before = FastCardAccesses(g_card);
  long long runs = 0;
  for (auto _ : state) {
    g_dlg->SetDlgItemText(IDC_ADDRESS, "6004000");
    g_dlg->OnExecute();
    ++runs;
  }
  double exchanges = static_cast<double>(size + 13) * static_cast<double>(runs);
  g_accessesPerExchange = static_cast<double>(FastCardAccesses(g_card) - before) / exchanges;
  if (size == kLargest) g_largestBlock = posix::GetLargestAllocation();
  state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
  state.counters["ns/byte"] = benchmark::Counter(static_cast<double>(size) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["accesses/exchange"] = g_accessesPerExchange;
  // The largest heap block the uploads took, over the file's length (the data buffer: L/10).
  state.counters["buffer/L"] = static_cast<double>(posix::GetLargestAllocation()) / static_cast<double>(size);
}

void BM_Floor(benchmark::State& state) {
  long exchanges = state.range(0) + 13;
  CPortIo* io = g_card;
  for (auto _ : state) {
    unsigned sum = 0;
    for (long i = 0; i < exchanges; ++i) {
      io->Out(0x310, static_cast<BYTE>(i));
      if (io->In(0x312) & 1) continue;
      sum += io->In(0x310);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.range(0)) * state.iterations());
  state.counters["ns/byte"] =
      benchmark::Counter(static_cast<double>(state.range(0)) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Keeps the time per iteration of every run, to put the two loops side by side at the end.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  char tmpl[] = "/tmp/varnok-bench-XXXXXX";
  g_dir = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", g_dir.c_str(), 1);
  theApp.SetNamesFromModule();
  g_card = NewFastCard();
  g_pPortIo = g_card;
  CUploadDlg dlg;
  g_dlg = &dlg;
  theApp.m_pMainWnd = &dlg;
  if (!dlg.Create()) return 1;

  for (long size : kSizes) {
    benchmark::RegisterBenchmark("engine", BM_Engine)->Arg(size)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("floor", BM_Floor)->Arg(size)->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  std::string largest = "/" + std::to_string(kLargest);
  double engine = collector.times["engine" + largest], floor = collector.times["floor" + largest];
  std::printf("engine/floor: %.2f, accesses/exchange: %.2f, buffer/L: %.3f\n", floor > 0 ? engine / floor : 0.0,
              g_accessesPerExchange, static_cast<double>(g_largestBlock) / static_cast<double>(kLargest));
  std::string cmd = "rm -rf '" + g_dir + "'";
  return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
