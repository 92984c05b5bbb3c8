// CliSupport.h - varnok-cli run as a user runs it, for the tests: a separate process, its output,
// its exit code, its history; a server of a simulated card on a free port of 127.0.0.1, and raw
// requests to it. No test reaches real I/O ports: every run simulates the card, but the one that
// checks the refusal, which first makes sure the process has no right to the ports.
#ifndef VARNOK_TESTS_CLISUPPORT_H
#define VARNOK_TESTS_CLISUPPORT_H

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/times.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "tests/TestSupport.h"

struct Result {
  int exit;
  std::string out, err;
  double seconds, cpu;  // the run's time, and the processor time it took
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1); }

  // Starts the program with the arguments (no blanks or quotes within one) after the prefix's
  // command, in the folder cwd, its output into the test folder's out (not a terminal) and its
  // messages into err, or where `errors` sends them; it is killed after a minute. The process
  // started passes each signal on to it once.
  pid_t Start(const std::string& args, const std::string& cwd = ".", const std::string& prefix = "",
              const std::string& errors = "", const std::string& out = "out") {
    std::string command = "cd " + cwd + " && exec timeout --foreground -s KILL 60 " + prefix + " " VARNOK_CLI_PATH " " +
                          args + " >" + dir_.path() + "/" + out + " " +
                          (errors.empty() ? "2>" + dir_.path() + "/err" : errors);
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    return pid;
  }
  static int Exit(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  Result Cli(const std::string& args, const std::string& cwd = ".", const std::string& prefix = "") {
    tms t0, t1;
    clock_t start = times(&t0);
    int exit = Exit(Start(args, cwd, prefix));
    double hz = sysconf(_SC_CLK_TCK), seconds = (times(&t1) - start) / hz;
    return {exit, Read("out"), Read("err"), seconds,
            (t1.tms_cutime + t1.tms_cstime - t0.tms_cutime - t0.tms_cstime) / hz};
  }
  // Waits up to ten seconds for the output to hold the pattern n times; how many it holds.
  int Await(const std::string& pattern, int n, const std::string& file = "out") {
    int seen = 0;
    for (int i = 0; i < 500 && (seen = Count(Read(file), pattern)) < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return seen;
  }
  static int Count(const std::string& text, const std::string& pattern) {
    std::regex re(pattern);
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
  }
  std::string Read(const std::string& name) {
    std::ifstream f(dir_.path() + "/" + name);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::string Profile() { return Read("config/varnok/varnok.INI"); }
  // tests/elf's program linked: far, by the default link script (with its far stack); game, the
  // same without the stack (named as no ELF file is), and what objcopy makes of it (game.bin,
  // coff); entry, entered elsewhere; little, little-endian (and little-coff); edge, whose image,
  // not its file, runs past high work RAM; copies of game patched: 64 bits, the 68000, nothing
  // loadable; the crafted file that ends at 4 GiB.
  void MakeElfFiles() {
    ASSERT_EQ(
        std::system(("cd " + dir_.path() +
                     " && s=" VARNOK_SOURCE_DIR " && sh-elf-as -o p.o $s/tests/elf/prog.s && "
                     "sh-elf-as -little -o l.o $s/tests/elf/prog.s && sh-elf-ld -Ttext 0x06004000 -e start -o far p.o "
                     "&& sh-elf-ld -Ttext 0x06004000 -e other -o entry p.o && sh-elf-ld -EL -Ttext 0x06004000 -e start "
                     "-o little l.o && sh-elf-ld -Ttext 0x060F0000 -Tdata 0x06100000 -e start -o edge p.o && for f in "
                     "entry little edge; do sh-elf-objcopy -R .stack $f; done 2>/dev/null && sh-elf-objcopy -R .stack "
                     "far game 2>/dev/null && sh-elf-objcopy -O binary game game.bin && sh-elf-objcopy -O coff-sh game "
                     "coff && sh-elf-objcopy -O coff-shl little little-coff && cp $s/fuzz/corpus/elf/ends-at-4gib . && "
                     "for p in 'elf64 4 \\2' 'm68k 19 \\4' 'empty 44 \\0\\0\\0\\50\\0\\0'; do set -- $p; cp game $1; "
                     "printf $3 | dd of=$1 bs=1 seek=$2 conv=notrunc status=none; done")
                        .c_str()),
        0);
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  // A server of a simulated card (--simulate=mode --serve, then the arguments more, after the
  // prefix's command) on a free port of 127.0.0.1, its output into serve.out, the receipt into
  // r.ini; its port, and its token in token_.
  int Serve(const std::string& mode, pid_t& pid, const std::string& more = "", const std::string& prefix = "") {
    std::remove((dir_.path() + "/serve.out").c_str());
    pid = Start("--simulate=" + mode + " --receipt=r.ini --serve 127.0.0.1:0 " + more, dir_.path(), prefix, "2>&1",
                "serve.out");
    EXPECT_EQ(Await("Whoever reaches this port can run code on the console", 1, "serve.out"), 1);
    std::smatch m;
    std::string out = Read("serve.out");
    if (std::regex_search(out, m, std::regex("/\\?token=([A-Za-z0-9._~-]+)\n"))) token_ = m[1];
    return std::regex_search(out, m, std::regex("at 127\\.0\\.0\\.1:([0-9]+) ")) ? std::stoi(m[1]) : 0;
  }
  // A connection to the server at port (its reads give up after 20 s).
  static int Connect(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit = {20, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
      close(s);
      return -1;
    }
    return s;
  }
  // What comes on s until the server closes the connection.
  static std::string ReadAll(int s) {
    std::string r;
    for (char b[4096];;) {
      ssize_t n = recv(s, b, sizeof(b), 0);
      if (n <= 0) return r;
      r.append(b, static_cast<size_t>(n));
    }
  }
  // The bytes sent to the server at port; what came back until it closed the connection (nothing
  // read when hangUp: the connection is closed at once).
  static std::string Http(int port, const std::string& bytes, bool hangUp = false) {
    int s = Connect(port);
    std::string r;
    if (s >= 0 && send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()) && !hangUp)
      r = ReadAll(s);
    if (s >= 0) close(s);
    return r;
  }
  // An upload with the server's token.
  std::string Put(size_t length, const std::string& body, const std::string& query = "address=6004000") {
    return "PUT /upload?" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token_ +
           "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n" + body;
  }
  // What r.ini says the console received last: its length and FNV-1a hash, as of these bytes.
  static std::string Receipt(const std::string& bytes) {
    uint32_t hash = 2166136261u;
    for (char c : bytes) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    char sz[80];
    snprintf(sz, sizeof(sz), "Length=%zu\r\nReceived=%zu\r\nDataFnv1a=%08x\r\n", bytes.size(), bytes.size(), hash);
    return sz;
  }

  TempDir dir_;
  std::string token_;  // the server's, from its start line
  std::map<std::string, std::string> tokens_;
};

#endif  // VARNOK_TESTS_CLISUPPORT_H
