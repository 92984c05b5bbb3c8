// varnok-cli run as a user runs it: a separate process, its output, its exit code, its history.
// No test here reaches real I/O ports: every run simulates the card, but the one that checks
// the refusal, which first makes sure the process has no right to the ports.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "tests/TestSupport.h"

namespace {

struct Result {
  int exit;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1); }

  // Runs the program after the prefix's command, in the folder cwd, its output into files (not
  // a terminal); a run that has not ended within a minute is stopped (exit 124). The arguments
  // hold no blanks or quotes.
  Result Cli(const std::vector<std::string>& args, const std::string& cwd = ".",
             const std::vector<std::string>& prefix = {}) {
    std::string command = "cd " + cwd + " && timeout 60";
    for (const std::string& a : prefix) command += " " + a;
    command += std::string(" ") + VARNOK_CLI_PATH;
    for (const std::string& a : args) command += " " + a;
    int status = std::system((command + " >" + dir_.path() + "/out 2>" + dir_.path() + "/err").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Read("out"), Read("err")};
  }
  std::string Read(const std::string& name) {
    std::ifstream f(dir_.path() + "/" + name);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::string Profile() { return Read("config/varnok/varnok.INI"); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  TempDir dir_;
};

TEST_F(CliTest, SendsTheFileAndABareRunFromElsewhereSendsTheLastUploadAgain) {
  dir_.Write("prog.bin", PatternBytes(3000));
  // A FILE relative to the folder, a card at a port other than the usual 310.
  Result r =
      Cli({"--simulate=fast", "--port", "330", "--address", "6004000", "--wait", "5", "--receipt=r1.ini", "prog.bin"},
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
  EXPECT_TRUE(Has(Read("r1.ini"), "Received=3000\r\n") && Has(Read("r1.ini"), "Matched=1")) << Read("r1.ini");
  EXPECT_TRUE(Has(Profile(), "PortNo=3\r\n"));

  r = Cli({"--simulate=fast", "--wait", "5", "--receipt", dir_.path() + "/r2.ini"}, "/");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(Read("r2.ini"), "Address=06004000\r\nLength=3000\r\nReceived=3000\r\n")) << Read("r2.ini");
  EXPECT_TRUE(Has(Read("r2.ini"), "Matched=1"));
}

TEST_F(CliTest, EachFailureHasItsExitCodeItsMessageAndItsSummary) {
  const std::string d = dir_.path(), file = dir_.Write("prog.bin", {1, 2, 3});
  // 4 GB less 256 MB, sparse: no room for a tenth of it within an address space of 256 MB.
  ASSERT_EQ(truncate(dir_.Write("big.bin", {}).c_str(), 0xF0000000), 0);
  const std::vector<std::string> kSmallMemory = {"prlimit", "--as=268435456", "--"};
  const std::string kShort = "/sys/devices/system/cpu/online";  // 4096 bytes by its size, a few by its content
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string err, out;  // the message; the summary, a pattern
    std::vector<std::string> prefix = {};
  };
  // clang-format off
  const Case cases[] = {
      {{"--simulate=fast"}, 2, "No File Selected", ""},
      {{"--simulate=fast", "--address=1", d + "/missing.bin"}, 2,
       "Open Error: " + d + "/missing.bin: No such file or directory", ""},
      {{"--simulate=fast", "--address=1", d}, 2, "Open Error: " + d + ": Is a directory", ""},
      {{"--simulate=fast", file}, 2, "No Start Address", ""},
      {{"--simulate=fast", "--port", "340", file}, 2, "--port takes 300, 310, 320 or 330", ""},
      {{"--simulate=slow", file}, 2, "--simulate takes paced, fast, bad-checksum or silent", ""},
      {{"--wait", "0", file}, 2, "--wait takes a whole number of seconds, from 1 to 1000000", ""},
      {{"--frobnicate"}, 2, "unknown option or missing value: --frobnicate (see --help)", ""},
      {{"--simulate=bad-checksum", "--address=0", file}, 1, "Checksum Error",
       "sent 3 bytes to 00000000 in .*, checksum differed"},
      // Ctrl-C, here after a second, while a silent console keeps the handshake waiting; to the
      // program alone (--foreground), else timeout signals its process group again: a second Ctrl-C.
      {{"--simulate=silent", "--address=0", file}, 3, "stopped", "stopped during the handshake, nothing sent",
       {"timeout", "--foreground", "--preserve-status", "-s", "INT", "1"}},
      {{"--simulate=silent", "--wait=1", "--address=0", file}, 6, "the console did not answer within 1 s",
       "the console did not answer during the handshake, nothing sent"},
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
    EXPECT_EQ(r.err, "varnok-cli: " + c.err + "\n");
    // The summary, when a transfer began, as the last line on stdout.
    EXPECT_TRUE(std::regex_search(r.out, std::regex(c.out.empty() ? "^$" : "\n" + c.out + "\n$"))) << c.err << r.out;
    // The history records every transfer that began, however it ended, and no refusal; the
    // simulated console's receipt stays out of it.
    EXPECT_EQ(Has(Profile(), "RecentFile0="), c.exit != 2) << c.err;
    EXPECT_FALSE(Has(Profile(), "DemoConsole")) << c.err;
  }
}

TEST_F(CliTest, WithoutARightToThePortsItExitsWithFour) {
  // Only where the process can be kept from the ports for certain: the capability dropped and
  // seen to be gone (bit 17, CAP_SYS_RAWIO).
  const std::vector<std::string> drop = {"setpriv", "--bounding-set", "-sys_rawio", "--inh-caps", "-sys_rawio", "--"};
  FILE* p = popen("setpriv --bounding-set -sys_rawio --inh-caps -sys_rawio -- grep CapEff /proc/self/status", "r");
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
