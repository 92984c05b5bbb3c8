// NetBench.cpp - the card over the network against the card here: the same uploads made by
// varnok-cli on the card's PC and by varnok-cli --host through varnok-cli --serve on 127.0.0.1,
// with a simulated card paced like real hardware (20 KB/s) and with one that answers at once.
// Each run is the whole command, as a user times it.
//
// Last lines: network/local, paced: R (at most 1.05: the network is never what the card waits
// for); network, instant card: M MB/s (at least 5).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string g_dir;
std::map<std::string, int> g_ports;  // a server's port by its card's mode

std::string FileOf(long size) {
  std::string path = g_dir + "/net-" + std::to_string(size) + ".bin";
  std::ofstream f(path, std::ios::binary);
  std::vector<char> data(static_cast<size_t>(size));
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  return path;
}

// A server of a simulated card in that mode on a free port of 127.0.0.1; its port.
pid_t Serve(const std::string& mode) {
  std::string out = g_dir + "/serve-" + mode,
              command = "exec " VARNOK_CLI_PATH " --simulate=" + mode + " --serve 127.0.0.1:0 >" + out + " 2>&1";
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
  std::smatch m;
  for (int i = 0; i < 100 && !g_ports[mode]; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    std::ifstream f(out);
    std::string text((std::istreambuf_iterator<char>(f)), {});
    if (std::regex_search(text, m, std::regex("127\\.0\\.0\\.1:([0-9]+) "))) g_ports[mode] = std::stoi(m[1]);
  }
  return pid;
}

void BM_Upload(benchmark::State& state, bool remote, const std::string& mode) {
  long size = state.range(0);
  std::string file = FileOf(size);
  std::string where = remote ? "--host 127.0.0.1:" + std::to_string(g_ports[mode]) : "--simulate=" + mode;
  std::string command = VARNOK_CLI_PATH " " + where + " --address 6004000 " + file + " >/dev/null 2>&1";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("the upload failed");
  state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) seconds[r.run_name.function_name] = r.GetAdjustedRealTime() / 1e3;
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  char tmpl[] = "/tmp/varnok-net-bench-XXXXXX";
  g_dir = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", g_dir.c_str(), 1);
  std::vector<pid_t> servers = {Serve("paced"), Serve("fast")};
  // The largest image that fits the high work RAM from 06004000, for the instant card.
  const long kPaced = 100 << 10, kFast = 1000 << 10;
  for (bool remote : {false, true}) {
    std::string name = remote ? "network" : "local";
    benchmark::RegisterBenchmark((name + "/paced").c_str(), BM_Upload, remote, "paced")
        ->Arg(kPaced)
        ->Iterations(2)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/fast").c_str(), BM_Upload, remote, "fast")
        ->Arg(kFast)
        ->Iterations(10)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  for (pid_t pid : servers) kill(pid, SIGINT), waitpid(pid, nullptr, 0);

  auto s = collector.seconds;
  std::printf("network/local, paced: %.3f\nnetwork, instant card: %.1f MB/s (local: %.1f MB/s)\n",
              s["network/paced"] / s["local/paced"], kFast / s["network/fast"] / 1e6, kFast / s["local/fast"] / 1e6);
  std::string cmd = "rm -rf '" + g_dir + "'";
  return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
