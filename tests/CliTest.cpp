// varnok-cli run as a user runs it: a separate process, its output, its exit code, its history.
// No test here reaches real I/O ports: every run simulates the card, but the one that checks
// the refusal, which first makes sure the process has no right to the ports.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "cli/Progress.h"
#include "tests/TestSupport.h"

namespace {

// A console program in the toolchain's assembly: code at the load address, data elsewhere.
const char kProgram[] =
    "\t.text\n\t.global start\nstart:\tmov.l 1f, r0\n\tjmp @r0\n\tnop\n\t.global other\nother:\trts\n\tnop\n"
    "\t.align 2\n1:\t.long other\n\t.data\n\t.long 0x12345678\n\t.bss\n\t.space 64\n";

struct Result {
  int exit;
  std::string out, err;
  double seconds, cpu;  // the run's time, and the processor time it took
};

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
double ChildrenCpu() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1); }

  // Starts the program after the prefix's command, in the folder cwd, its output into the test
  // folder's out (not a terminal) and its messages into err, or where `errors` sends them; it is
  // killed after a minute. The process started passes each signal on to it once.
  pid_t Start(const std::string& args, const std::string& cwd = ".", const std::string& prefix = "",
              const std::string& errors = "") {
    std::string command = "cd " + cwd + " && exec timeout --foreground -s KILL 60 " + prefix + " " VARNOK_CLI_PATH " " +
                          args + " >" + dir_.path() + "/out " + (errors.empty() ? "2>" + dir_.path() + "/err" : errors);
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    return pid;
  }
  // Runs it to its end. The arguments hold no blanks or quotes.
  Result Cli(const std::vector<std::string>& args, const std::string& cwd = ".", const std::string& prefix = "") {
    std::string line;
    for (const std::string& a : args) line += " " + a;
    double start = Now(), cpu = ChildrenCpu();
    int exit = Exit(Start(line, cwd, prefix));
    return {exit, Read("out"), Read("err"), Now() - start, ChildrenCpu() - cpu};
  }
  // Waits up to ten seconds for the output to hold the pattern n times; how many it holds.
  int Await(const std::string& pattern, int n) {
    int seen = 0;
    for (int i = 0; i < 500 && (seen = Count(Read("out"), pattern)) < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return seen;
  }
  static int Count(const std::string& text, const std::string& pattern) {
    std::regex re(pattern);
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
  }
  static int Exit(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string Read(const std::string& name) {
    std::ifstream f(dir_.path() + "/" + name);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::string Profile() { return Read("config/varnok/varnok.INI"); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  TempDir dir_;
};

TEST_F(CliTest, EachFailureHasItsExitCodeItsMessageAndItsSummary) {
  const std::string d = dir_.path(), file = dir_.Write("prog.bin", {1, 2, 3});
  const std::string paced = dir_.Write("paced.bin", PatternBytes(50000));
  // 4 GB less 256 MB, sparse: no room for a tenth of it within an address space of 256 MB.
  ASSERT_EQ(truncate(dir_.Write("big.bin", {}).c_str(), 0xF0000000), 0);
  const std::string kSmallMemory = "prlimit --as=268435456 --";
  const std::string kShort = "/sys/devices/system/cpu/online";  // 4096 bytes by its size, a few by its content
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string err, out;  // the message; the summary, a pattern
    std::string prefix = "";
  };
  // clang-format off
  const Case cases[] = {
      {{"--simulate=fast"}, 2, "No File Selected", ""},
      {{"--simulate=fast", "--address=1", d + "/missing.bin"}, 2,
       "Open Error: " + d + "/missing.bin: No such file or directory", ""},
      {{"--simulate=fast", "--address=1", d}, 2, "Open Error: " + d + ": Is a directory", ""},
      {{"--simulate=fast", file}, 2, "No Start Address", ""},
      {{"--simulate=fast", "--port", "340", file}, 2, "--port takes 300, 310, 320 or 330", ""},
      {{"--simulate=fast", file, "--port"}, 2, "--port takes 300, 310, 320 or 330", ""},
      {{"--simulate=slow", file}, 2, "--simulate takes paced, fast, bad-checksum or silent", ""},
      {{"--simulate=fast", file, "--address"}, 2, "--address takes a hexadecimal start address", ""},
      // An address that reads as nothing is a typo; "0x" alone is the window's 0.
      {{"--simulate=fast", "--address", "zz", file}, 2, "--address takes a hexadecimal start address, not \"zz\"", ""},
      {{"--simulate=fast", "'--address=$6004000'", file}, 2,
       "--address takes a hexadecimal start address, not \"$6004000\"", ""},
      {{"--simulate=fast", "--address=0x", file}, 0, "", "sent 3 bytes to 00000000 in .*, checksum matched"},
      {{"--wait", "0", file}, 2, "--wait takes a whole number of seconds, from 1 to 1000000", ""},
      {{"--wait=1.5", file}, 2, "--wait takes a whole number of seconds, from 1 to 1000000", ""},
      {{file, "--wait"}, 2, "--wait takes a whole number of seconds, from 1 to 1000000", ""},
      {{"--simulate", file, "--receipt"}, 2, "--receipt takes a file name", ""},
      {{"--simulate", "--receipt=", file}, 2, "--receipt takes a file name", ""},
      {{"--receipt=r.ini", file}, 2, "--receipt goes with --simulate", ""},
      {{file, file}, 2, "one file at a time (see --help)", ""},
      {{"--frobnicate"}, 2, "unknown option: --frobnicate (see --help)", ""},
      {{"--watch=yes", file}, 2, "unknown option: --watch=yes (see --help)", ""},
      {{"--simulate=bad-checksum", "--address=0", file}, 1, "Checksum Error",
       "sent 3 bytes to 00000000 in .*, checksum differed"},
      // Ctrl-C, here after a second, while a silent console keeps the handshake waiting; to the
      // program alone (--foreground), else timeout signals its process group again: a second Ctrl-C.
      {{"--simulate=silent", "--address=0", file}, 3, "stopped", "stopped during the handshake, nothing sent",
       "timeout --foreground --preserve-status -s INT 1"},
      // --wait counts seconds, from the first offer through the handshake (row 6), then from each
      // byte: a console that takes two seconds for the data, answering each byte in time (row 0).
      {{"--simulate=silent", "--wait=2", "--address=0", file}, 6, "the console did not answer within 2 s",
       "the console did not answer during the handshake, nothing sent"},
      {{"--simulate", "--wait=1", "--address=0", paced}, 0, "", "sent 50000 bytes to 00000000 in [2-9].*, checksum matched"},
      {{"--simulate=fast", "--address=0", kShort}, 5, "Read Error: " + kShort + ": the file ended before its length",
       "failed after 0 of 4096 bytes to 00000000"},
      {{"--simulate=fast", "--address=0", d + "/big.bin"}, 5, "Not Enough Memory",
       "failed after 0 of 4026531840 bytes to 00000000", kSmallMemory},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::remove((d + "/config/varnok/varnok.INI").c_str());
    if (c.args.back() == kShort && access(kShort.c_str(), R_OK) != 0) continue;  // no sysfs here
#ifdef __SANITIZE_ADDRESS__
    if (!c.prefix.empty()) continue;  // the sanitizer cannot start within an address-space limit
#endif
    Result r = Cli(c.args, ".", c.prefix);
    EXPECT_EQ(r.exit, c.exit) << c.err;
    EXPECT_EQ(r.err, c.err.empty() ? "" : "varnok-cli: " + c.err + "\n");
    // While the console does not answer, no processor core is kept busy.
    if (c.exit == 6) {
      EXPECT_TRUE(r.seconds >= 2 && r.cpu < 1) << r.seconds << " s, " << r.cpu << " s of processor time";
    }
    // The summary, when a transfer began, as the last line on stdout.
    EXPECT_TRUE(std::regex_search(r.out, std::regex(c.out.empty() ? "^$" : "\n" + c.out + "\n$"))) << c.err << r.out;
    // The history records every transfer that began, however it ended, and no refusal; the
    // simulated console's receipt stays out of it.
    EXPECT_EQ(Has(Profile(), "RecentFile0="), c.exit != 2) << c.err;
    EXPECT_FALSE(Has(Profile(), "DemoConsole")) << c.err;
  }
}

// Programs linked by the console's toolchain, against what its objcopy makes of them.
TEST_F(CliTest, AnElfFileGoesOutAsObjcopyMakesItOrIsRefusedWithItsReason) {
  const std::string d = dir_.path();
  dir_.Write("p.s", Bytes(kProgram, kProgram + sizeof(kProgram) - 1));
  // far: the default link script's stack segment; game: without it, named as no ELF file is.
  ASSERT_EQ(
      std::system(("cd " + d +
                   " && sh-elf-as -o p.o p.s && sh-elf-ld -Ttext 0x06004000 -Tdata 0x06050000 -e start -o far p.o"
                   " && sh-elf-ld -Ttext 0x06004000 -e other -o entry p.o && sh-elf-objcopy -R .stack entry 2>/dev/null"
                   " && sh-elf-objcopy -R .stack far game 2>/dev/null && sh-elf-objcopy -O binary game game.bin"
                   " && sh-elf-objcopy -O coff-sh game coff 2>/dev/null")
                      .c_str()),
      0);
  std::string elf = Read("game"), image = Read("game.bin");
  ASSERT_GT(image.size(), 0x4C000u) << "the data segment lies apart from the code: zeros between";
  auto Patch = [&](const char* name, size_t at, std::string bytes) {
    dir_.Write(name, Bytes(elf.begin(), elf.end()));
    std::fstream(d + "/" + name, std::ios::in | std::ios::out | std::ios::binary)
        .seekp(at)
        .write(bytes.data(), bytes.size());
  };
  Patch("elf64", 4, "\2");
  Patch("little", 5, "\1");
  Patch("arm", 18, std::string("\0\x28", 2));
  Patch("empty", 44, std::string(2, '\0'));  // no program headers
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"far"}, "lie far apart (06050004 and 3fffff00, more than 1 MiB of zeros between them)"},
      {{"entry"}, "entry point 06004006 is not its load address 06004000"},
      {{"coff"}, "a COFF file, which is not read here: link the program as ELF, or convert it"},
      {{"elf64"}, "a 64-bit ELF file"},
      {{"little"}, "a little-endian ELF file"},
      {{"arm"}, "an ELF file for another machine (40; SuperH is 42)"},
      {{"empty"}, "an ELF file without loadable contents"},
      {{"--address=6000000", "game"}, "--address 06000000 differs from the load address of the ELF file, 06004000"},
  };
  for (const auto& c : refused) {
    std::vector<std::string> args = {"--simulate=fast", "--receipt=r.ini"};
    args.insert(args.end(), c.first.begin(), c.first.end());
    Result r = Cli(args, d);
    EXPECT_EQ(r.exit, 2) << c.second;
    EXPECT_TRUE(Has(r.err, c.second) && Has(r.err, d + "/" + c.first.back())) << r.err;
    EXPECT_EQ(Read("r.ini"), "") << "nothing sent";
    EXPECT_FALSE(Has(Profile(), "RecentFile0")) << "nothing recorded";
  }
  // Sent at its load address, whatever the history's address (here a raw file's, sent first, with
  // plain lines when the output is not a terminal: each status, each tenth of the bytes, then one
  // summary instead of the Ready line); an --address equal to it is fine; a bare run from another
  // folder sends it again (the history keeps its full path and the address), on the same port.
  dir_.Write("prog.bin", PatternBytes(3000));
  Result r = Cli({"--simulate=fast", "--port", "330", "--address", "1234", "--wait", "5", "prog.bin"}, d);
  EXPECT_TRUE(Has(r.out, "Status:Waiting for Saturn   0%\n") &&
              Has(r.out, "Status:Sending data...  50%  1500/3000 bytes"))
      << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nsent 3000 bytes to 00001234 in [0-9]+\\.[0-9]{2} s "
                                                  "\\([0-9]+\\.[0-9] KB/s\\), checksum matched\n$")))
      << r.out;
  EXPECT_FALSE(Has(r.out, "Ready"));
  unsigned h = 2166136261u;
  for (unsigned char c : image) h = (h ^ c) * 16777619u;
  char receipt[100];
  snprintf(receipt, sizeof(receipt), "Address=06004000\r\nLength=%zu\r\nReceived=%zu\r\nDataFnv1a=%08x", image.size(),
           image.size(), h);
  for (const char* run : {"--address=0x6004000 game", "game", ""}) {
    std::remove((d + "/r.ini").c_str());
    r = Cli({"--simulate=fast", "--receipt=" + d + "/r.ini", run}, *run ? d : "/");
    EXPECT_TRUE(r.exit == 0 && r.err.empty()) << r.err;
    EXPECT_TRUE(Has(Read("r.ini"), receipt)) << Read("r.ini");
    EXPECT_TRUE(Has(Profile(), "RecentFile0=" + d + "/game\r\n") && Has(Profile(), "RecentAdrs0=06004000\r\n") &&
                Has(Profile(), "PortNo=3\r\n"));
  }
}

// --watch: each version that has stood still for half a second is sent, whole; a file that is gone
// is waited for; Ctrl-C while waiting ends with the last transfer's exit code.
TEST_F(CliTest, WatchSendsEachSteadyVersionUntilCtrlC) {
  const std::string file = dir_.Write("w.bin", PatternBytes(100));
  pid_t pid = Start("--simulate=bad-checksum --watch --address=1 " + file);
  EXPECT_EQ(Await("\nsent ", 1), 1);
  {
    // Rewritten in five pieces a tenth of a second apart, as a slow build writes it.
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 5; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
      f.write(reinterpret_cast<const char*>(PatternBytes(200, i).data()), 200).flush();
  }
  EXPECT_EQ(Await("\nsent ", 2), 2);
  std::remove(file.c_str());
  std::this_thread::sleep_for(std::chrono::seconds(1));
  dir_.Write("w.bin", PatternBytes(300));
  EXPECT_EQ(Await("\nsent ", 3), 3);
  EXPECT_EQ(Await("watching ", 3), 3);
  kill(pid, SIGINT);
  EXPECT_EQ(Exit(pid), 1);
  EXPECT_EQ(Count(Read("out"), "\nsent (100|1000|300) bytes to 00000001 in .*, checksum differed\n"), 3) << Read("out");
  EXPECT_EQ(Read("err"), "varnok-cli: Checksum Error\nvarnok-cli: Checksum Error\nvarnok-cli: Checksum Error\n");
}

// A second Ctrl-C ends the program at once, even where the first one's end cannot go on: here its
// messages go into a pipe that is full.
TEST_F(CliTest, ASecondCtrlCEndsAtOnce) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  while (write(fds[1], "................", 16) > 0) {
  }
  fcntl(fds[1], F_SETFL, 0);
  pid_t pid =
      Start("--simulate=silent --address=0 " + dir_.Write("p.bin", {1}), ".", "", "2>&" + std::to_string(fds[1]));
  EXPECT_EQ(Await("Waiting for Saturn", 1), 1);
  kill(pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(pid, SIGINT);
  EXPECT_EQ(Exit(pid), 3);
  close(fds[0]);
  close(fds[1]);
}

// The progress line and the summary, in 32-bit arithmetic up to 4 GiB less one byte.
TEST(CliProgressTest, PercentBytesRateAndTimeLeftUpTo4GiB) {
  const DWORD kMax = 0xFFFFFFFF;
  const std::pair<PROGRESS, std::string> lines[] = {
      {{"S", FALSE, 0, 0, 0}, "S   0%"},
      {{"S", TRUE, 1500, 3000, 199}, "S  50%  1500/3000 bytes"},  // the rate after 200 ms
      {{"S", TRUE, 3000000000u, kMax, 3000000}, "S  69%  3000000000/4294967295 bytes  976.5 KB/s  21:34 left"},
      {{"S", TRUE, kMax - 1, kMax, 4000000}, "S  99%  4294967294/4294967295 bytes  1048.5 KB/s  0:00 left"},
      {{"S", TRUE, kMax, kMax, kMax}, "S 100%  4294967295/4294967295 bytes  0.9 KB/s  0:00 left"},
  };
  char sz[300];
  for (const auto& l : lines) {
    FormatProgress(sz, l.first);
    EXPECT_EQ(sz, l.second);
  }
  FormatSummary(sz, 0, {"S", TRUE, kMax, kMax, 3600000}, "06004000");
  EXPECT_STREQ(sz, "sent 4294967295 bytes to 06004000 in 3600.00 s (1165.0 KB/s), checksum matched\n");
  FormatSummary(sz, 3, {"S", TRUE, 12288, kMax, 1}, "06004000");
  EXPECT_STREQ(sz, "stopped after 12288 of 4294967295 bytes to 06004000\n");
}

TEST_F(CliTest, WithoutARightToThePortsItExitsWithFour) {
  // Only where the process can be kept from the ports for certain: the capability dropped and
  // seen to be gone (bit 17, CAP_SYS_RAWIO).
  const std::string drop = "setpriv --bounding-set -sys_rawio --inh-caps -sys_rawio --";
  FILE* p = popen((drop + " grep CapEff /proc/self/status").c_str(), "r");
  char line[128] = "";
  bool read = p && fgets(line, sizeof(line), p);
  if (p) pclose(p);
  if (!read || (strtoull(strchr(line, ':') + 1, nullptr, 16) & (1ull << 17))) GTEST_SKIP() << "no way to drop it";

  Result r = Cli({"--address", "100", dir_.Write("p.bin", {1})}, ".", drop);
  EXPECT_EQ(r.exit, 4);
  EXPECT_TRUE(Has(r.err, "varnok-cli: Port Access Error: no access to I/O ports 310-312")) << r.err;
  EXPECT_FALSE(Has(Profile(), "RecentFile0")) << "a refused Execute records nothing";
}

}  // namespace
