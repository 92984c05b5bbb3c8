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

  // Starts the program; its output goes to files (not a terminal).
  pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& prefix = {}) {
    args.insert(args.begin(), VARNOK_CLI_PATH);
    args.insert(args.begin(), prefix.begin(), prefix.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (dir_.path() + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, (dir_.path() + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
  Result Cli(const std::vector<std::string>& args) { return Wait(Spawn(args)); }
  std::string Read(const std::string& name) {
    std::ifstream f(dir_.path() + "/" + name);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string Profile() { return Read("config/varnok/varnok.INI"); }
  bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  std::string Fnv(const Bytes& data) {
    unsigned h = 2166136261u;
    for (unsigned char c : data) h = (h ^ c) * 16777619u;
    char s[16];
    snprintf(s, sizeof(s), "%08x", h);
    return s;
  }

  TempDir dir_;
};

TEST_F(CliTest, SendsTheFileAndThenSendsTheLastUploadAgain) {
  Bytes data = PatternBytes(3000);
  std::string path = dir_.Write("prog.bin", data);
  Result r = Cli({"--simulate=fast", "--port", "310", "--address", "6004000", path});
  EXPECT_EQ(r.exit, 0) << r.err;
  // Plain lines when the output is not a terminal, one per step of the status line.
  EXPECT_TRUE(Has(r.out, "Status:Waiting for Saturn  10%\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Status:Sending data... 100%  3000/3000 bytes")) << r.out;
  EXPECT_TRUE(Has(r.out, "Status:Checksum  95%")) << r.out;
  EXPECT_TRUE(Has(r.out, "sent 3000 bytes to 06004000")) << r.out;
  EXPECT_EQ(r.err, "");
  std::string profile = Profile();
  EXPECT_TRUE(Has(profile, "DataFnv1a=" + Fnv(data))) << "the console got the file byte for byte";
  EXPECT_TRUE(Has(profile, "Matched=1"));
  EXPECT_TRUE(Has(profile, "RecentFile0=" + path + "\r\n")) << "the history keeps the full path";
  EXPECT_TRUE(Has(profile, "RecentAdrs0=06004000\r\n"));

  std::remove((dir_.path() + "/config/varnok/varnok.INI").c_str());
  std::ofstream(dir_.path() + "/config/varnok/varnok.INI") << profile.substr(profile.find("[Config]"));
  r = Cli({"--simulate=fast"});  // a bare run: the last file, address and port
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(Profile(), "DataFnv1a=" + Fnv(data)));
  EXPECT_TRUE(Has(Profile(), "Address=06004000"));
}

TEST_F(CliTest, BadInputExitsWithTwoAndTheWindowsMessage) {
  std::string path = dir_.Write("prog.bin", {1, 2, 3});
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--simulate=fast"}, "varnok-cli: No File Selected\n"},
      {{"--simulate=fast", "--address", "1", dir_.path() + "/missing.bin"}, "varnok-cli: Open Error\n"},
      {{"--simulate=fast", path}, "varnok-cli: No Start Address\n"},
      {{"--simulate=fast", "--port", "340", path}, "varnok-cli: --port takes 300, 310, 320 or 330\n"},
      {{"--simulate=slow", path}, "varnok-cli: --simulate takes paced, fast, bad-checksum or silent\n"},
      {{"--frobnicate"}, "varnok-cli: unknown option or missing value: --frobnicate (see --help)\n"},
  };
  for (const Case& c : cases) {
    Result r = Cli(c.args);
    EXPECT_EQ(r.exit, 2) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
}

TEST_F(CliTest, AChecksumErrorExitsWithOne) {
  Result r = Cli({"--simulate=bad-checksum", "--address", "0", dir_.Write("c.bin", PatternBytes(50))});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "varnok-cli: Checksum Error\n");
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
  EXPECT_TRUE(Has(r.out, "Status:Ready   0%"));
  EXPECT_TRUE(Has(Profile(), "RecentFile0=" + path)) << "the history is saved";
  EXPECT_TRUE(Has(Profile(), "PortNo=0"));
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
  EXPECT_TRUE(Has(r.err, "varnok-cli: Port Access Error\n"));
  EXPECT_TRUE(Has(r.err, "no access to I/O ports 310-312")) << r.err;
  EXPECT_FALSE(Has(Profile(), "RecentFile0")) << "a refused Execute records nothing";
}

}  // namespace
