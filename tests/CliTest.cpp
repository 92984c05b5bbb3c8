// varnok-cli run as a user runs it: a separate process, its output, its exit code, its history.
// No test here reaches real I/O ports: every run simulates the card, but the one that checks
// the refusal, which first makes sure the process has no right to the ports.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/TestSupport.h"

extern char** environ;

namespace {

struct Result {
  int exit = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1); }

  // Starts the program after the prefix's command, in the folder cwd; its output goes to files
  // (not a terminal).
  pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& prefix = {}, const std::string& cwd = "") {
    args.insert(args.begin(), VARNOK_CLI_PATH);
    args.insert(args.begin(), prefix.begin(), prefix.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (dir_.path() + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, (dir_.path() + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    pid_t pid = -1;
    EXPECT_EQ(posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    return pid;
  }
  Result Wait(pid_t pid) {
    Result r;
    int status = 0;
    // Bounded: a run that does not end within a minute is killed and fails.
    for (int i = 0; i < 6000 && waitpid(pid, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(pid, &status, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "varnok-cli did not end";
    }
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Read("out");
    r.err = Read("err");
    return r;
  }
  Result Cli(const std::vector<std::string>& args, const std::string& cwd = "") { return Wait(Spawn(args, {}, cwd)); }
  std::string Read(const std::string& name) {
    std::ifstream f(dir_.path() + "/" + name);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string Profile() { return Read("config/varnok/varnok.INI"); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  static bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
  }
  // What the simulated console's receipt says of data received whole.
  static std::string Fnv(const Bytes& data) {
    unsigned h = 2166136261u;
    for (unsigned char c : data) h = (h ^ c) * 16777619u;
    char s[32];
    snprintf(s, sizeof(s), "DataFnv1a=%08x", h);
    return s;
  }

  TempDir dir_;
};

TEST_F(CliTest, SendsTheFileAndABareRunFromElsewhereSendsTheLastUploadAgain) {
  Bytes data = PatternBytes(3000);
  dir_.Write("prog.bin", data);
  // A FILE relative to the folder, a card at a port other than the usual 310.
  Result r = Cli(
      {"--simulate=fast", "--port", "330", "--address", "6004000", "--wait", "5", "--receipt", "r1.ini", "prog.bin"},
      dir_.path());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Plain lines when the output is not a terminal: each status, each tenth of the bytes, then
  // one summary instead of the Ready line.
  EXPECT_TRUE(Has(r.out, "Status:Waiting for Saturn   0%\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Status:Sending data...  50%  1500/3000 bytes")) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nsent 3000 bytes to 06004000 in [0-9]+\\.[0-9]{2} s "
                                                  "\\([0-9]+\\.[0-9] KB/s\\), checksum matched\n$")))
      << r.out;
  EXPECT_FALSE(Has(r.out, "Ready"));
  EXPECT_TRUE(Has(Read("r1.ini"), Fnv(data) + "\r\nChecksum=")) << "the console got the file byte for byte";
  EXPECT_TRUE(Has(Read("r1.ini"), "Matched=1"));
  EXPECT_FALSE(Has(Profile(), "DemoConsole")) << "the simulated console's receipt stays out of the user's profile";
  EXPECT_TRUE(Has(Profile(), "PortNo=3\r\n"));

  r = Cli({"--simulate=fast", "--wait", "5", "--receipt", dir_.path() + "/r2.ini"}, "/");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(Read("r2.ini"), "Address=06004000\r\nLength=3000\r\nReceived=3000\r\n" + Fnv(data)));
}

TEST_F(CliTest, EachFailureHasItsExitCodeItsMessageAndItsSummary) {
  std::string path = dir_.Write("prog.bin", {1, 2, 3});
  // 4 GB less 256 MB, sparse: no room for a tenth of it within an address space of 256 MB.
  std::string big = dir_.Write("big.bin", {});
  ASSERT_EQ(truncate(big.c_str(), 0xF0000000), 0);
  const std::vector<std::string> kSmallMemory = {"prlimit", "--as=268435456", "--"};
  // Its size says 4096 bytes; it reads a few.
  const std::string kShort = "/sys/devices/system/cpu/online";
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string err, out;
    std::vector<std::string> prefix = {};
  };
  const Case cases[] = {
      {{"--simulate=fast"}, 2, "varnok-cli: No File Selected\n", ""},
      {{"--simulate=fast", "--address", "1", dir_.path() + "/missing.bin"},
       2,
       "varnok-cli: Open Error: " + dir_.path() + "/missing.bin: No such file or directory\n",
       ""},
      {{"--simulate=fast", "--address", "1", dir_.path()},
       2,
       "varnok-cli: Open Error: " + dir_.path() + ": Is a directory\n",
       ""},
      {{"--simulate=fast", path}, 2, "varnok-cli: No Start Address\n", ""},
      {{"--simulate=fast", "--port", "340", path}, 2, "varnok-cli: --port takes 300, 310, 320 or 330\n", ""},
      {{"--simulate=slow", path}, 2, "varnok-cli: --simulate takes paced, fast, bad-checksum or silent\n", ""},
      {{"--wait", "0", path}, 2, "varnok-cli: --wait takes a whole number of seconds, from 1 to 1000000\n", ""},
      {{"--frobnicate"}, 2, "varnok-cli: unknown option or missing value: --frobnicate (see --help)\n", ""},
      {{"--simulate=bad-checksum", "--address", "0", path}, 1, "varnok-cli: Checksum Error\n", ", checksum differed\n"},
      {{"--simulate=silent", "--wait", "1", "--address", "0", path},
       6,
       "varnok-cli: the console did not answer within 1 s\n",
       "\nthe console did not answer during the handshake, nothing sent\n"},
      {{"--simulate=fast", "--address", "0", kShort},
       5,
       "varnok-cli: Read Error: " + kShort + ": the file ended before its length\n",
       "\nfailed after 0 of 4096 bytes to 00000000\n"},
      {{"--simulate=fast", "--address", "0", big},
       5,
       "varnok-cli: Not Enough Memory\n",
       "\nfailed after 0 of 4026531840 bytes to 00000000\n",
       kSmallMemory},
  };
  for (const Case& c : cases) {
    if (c.args.back() == kShort && access(kShort.c_str(), R_OK) != 0) continue;  // no sysfs here
#ifdef __SANITIZE_ADDRESS__
    if (!c.prefix.empty()) continue;  // the sanitizer cannot start within an address-space limit
#endif
    Result r = Wait(Spawn(c.args, c.prefix));
    EXPECT_EQ(r.exit, c.exit) << c.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(c.out.empty() ? r.out.empty() : EndsWith(r.out, c.out)) << c.err << r.out;
  }
}

TEST_F(CliTest, CtrlCDuringTheHandshakeStopsAndKeepsTheHistory) {
  std::string path = dir_.Write("s.bin", PatternBytes(100));
  // A console that never answers: the handshake waits until stopped.
  pid_t pid = Spawn({"--simulate=silent", "--port", "300", "--address", "100", path});
  for (int i = 0; i < 1000 && !Has(Read("out"), "Waiting for Saturn"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(Has(Read("out"), "Waiting for Saturn"));
  kill(pid, SIGINT);
  Result r = Wait(pid);
  EXPECT_EQ(r.exit, 3);
  EXPECT_EQ(r.err, "varnok-cli: stopped\n");
  EXPECT_TRUE(EndsWith(r.out, "\nstopped during the handshake, nothing sent\n")) << r.out;
  EXPECT_TRUE(Has(Profile(), "RecentFile0=" + path)) << "the history is saved";
}

TEST_F(CliTest, WithoutARightToThePortsItExitsWithFour) {
  // Only where the process can be kept from the ports for certain: the capability dropped and
  // seen to be gone (bit 17, CAP_SYS_RAWIO).
  const std::vector<std::string> drop = {"setpriv", "--bounding-set", "-sys_rawio", "--inh-caps", "-sys_rawio", "--"};
  std::string probe;
  for (const std::string& a : drop) probe += a + " ";
  probe += "grep CapEff /proc/self/status 2>/dev/null";
  FILE* p = popen(probe.c_str(), "r");
  char line[128] = "";
  bool read = p && fgets(line, sizeof(line), p);
  if (p) pclose(p);
  unsigned long long caps = read ? strtoull(strchr(line, ':') + 1, nullptr, 16) : ~0ull;
  if (!read || (caps & (1ull << 17))) GTEST_SKIP() << "cannot drop CAP_SYS_RAWIO here";

  Result r = Wait(Spawn({"--address", "100", dir_.Write("p.bin", {1})}, drop));
  EXPECT_EQ(r.exit, 4);
  EXPECT_TRUE(Has(r.err, "varnok-cli: Port Access Error: no access to I/O ports 310-312")) << r.err;
  EXPECT_FALSE(Has(Profile(), "RecentFile0")) << "a refused Execute records nothing";
}

}  // namespace
