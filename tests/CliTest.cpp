// varnok-cli run as a user runs it: a separate process, its output, its exit code, its history.
// No test here reaches real I/O ports: every run simulates the card, but the one that checks
// the refusal, which first makes sure the process has no right to the ports. The server and its
// clients talk on 127.0.0.1 only, the server on a free port that it names.
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
#include <regex>
#include <thread>

#include "cli/output/Exit.h"
#include "cli/output/Progress.h"
#include "cli/session/Boxes.h"
#include "tests/TestSupport.h"

namespace {

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

  // A server of a simulated card (--simulate=mode --serve) on a free port of 127.0.0.1, its output
  // into serve.out, the receipt into r.ini; its port.
  int Serve(const std::string& mode, pid_t& pid) {
    std::remove((dir_.path() + "/serve.out").c_str());
    pid = Start("--simulate=" + mode + " --receipt=r.ini --serve 127.0.0.1:0", dir_.path(), "", "2>&1", "serve.out");
    EXPECT_EQ(Await("Whoever reaches this port can run code on the console", 1, "serve.out"), 1);
    std::smatch m;
    std::string out = Read("serve.out");
    if (std::regex_search(out, m, std::regex("/\\?token=([A-Za-z0-9_-]{24})\n"))) token_ = m[1];
    return std::regex_search(out, m, std::regex("at 127\\.0\\.0\\.1:([0-9]+) ")) ? std::stoi(m[1]) : 0;
  }
  // The bytes sent to the server at port; what came back until it closed the connection (nothing
  // read when hangUp: the connection is closed at once).
  static std::string Http(int port, const std::string& bytes, bool hangUp = false) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit = {20, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    std::string r;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 &&
        send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()))
      for (char b[4096]; !hangUp;) {
        ssize_t n = recv(s, b, sizeof(b), 0);
        if (n <= 0) break;
        r.append(b, static_cast<size_t>(n));
      }
    close(s);
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
};

TEST_F(CliTest, EachRunOfTheTableHasItsExitCodeItsMessageAndItsSummary) {
  const std::string d = dir_.path();
  dir_.Write("prog.bin", {1, 2, 3});
  dir_.Write("paced.bin", PatternBytes(50000));
  dir_.Write("mib.bin", Bytes(1 << 20));
  ASSERT_EQ(truncate(dir_.Write("big.bin", {}).c_str(), 0xF0000000), 0);
  MakeElfFiles();
  std::ifstream table(VARNOK_SOURCE_DIR "/tests/cli-cases.txt");
  int runs = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::regex bar(" ?\\| ?");  // arguments, exit code, message, summary, prefix
    std::vector<std::string> f(std::sregex_token_iterator(line.begin(), line.end(), bar, -1), {});
    f.resize(5);
    for (std::string& field : f)
      for (size_t at; (at = field.find("$d")) != std::string::npos;) field.replace(at, 2, d);
    SCOPED_TRACE(line);
    std::remove((d + "/config/varnok/varnok.INI").c_str());
    std::remove((d + "/r.ini").c_str());
    if (Has(f[0], "/sys/") && access("/sys/devices/system/cpu/online", R_OK) != 0) continue;
#ifdef __SANITIZE_ADDRESS__
    if (!f[4].empty()) continue;  // the sanitizer cannot start within an address-space limit
#endif
    Result r = Cli(f[0], d, f[4]);
    ++runs;
    EXPECT_EQ(r.exit, std::stoi(f[1]));
    // Messages one after another: " \n " between them.
    EXPECT_EQ(r.err, f[2].empty()
                         ? ""
                         : "varnok-cli: " + std::regex_replace(f[2], std::regex(" \\\\n "), "\nvarnok-cli: ") + "\n");
    // While the console does not answer, in any phase, no processor core is kept busy.
    if (r.exit == 6) {
      EXPECT_TRUE(r.seconds >= 2 && r.cpu <= 0.6) << r.seconds << " s, " << r.cpu << " s of processor time";
    }
    EXPECT_TRUE(std::regex_search(r.out, std::regex(f[3].empty() ? "^$" : "\n" + f[3] + "\n$"))) << r.out;
    EXPECT_EQ(Has(Profile(), "RecentFile0="), r.exit != 2 && r.exit != 7);
    EXPECT_FALSE(Has(Profile(), "DemoConsole"));
    EXPECT_TRUE(r.exit != 2 || Read("r.ini").empty()) << "nothing sent";
  }
  EXPECT_GT(runs, 30);
}

// Programs linked by the console's toolchain go out as its objcopy makes them: the same bytes to
// the same address as objcopy's image sent as a raw file to the lowest address of its S-records.
// Each link script in tests/elf links the program one way; game is the default script's link.
// Then, after a raw file (plain lines when the output is not a terminal: each status, each tenth
// of the bytes, then one summary instead of the Ready line), game goes to its load address
// whatever the history's; an --address equal to it is fine. The window's lists keep only what the
// window sends the same way: the ELF file changes neither. A bare run from another folder sends
// the most recent upload again, on the same port: the ELF file's image; after a raw upload from
// the command line (the window's newest again) or from the window (emulated: its newest address
// changed), that file.
TEST_F(CliTest, EachLinkGoesOutAsObjcopyMakesIt) {
  const std::string d = dir_.path();
  MakeElfFiles();
  std::vector<std::string> links;
  for (const auto& e : std::filesystem::directory_iterator(VARNOK_SOURCE_DIR "/tests/elf"))
    if (e.path().extension() == ".ld") links.push_back(e.path().stem());
  links.push_back("game");
  for (const std::string& l : links) {
    SCOPED_TRACE(l);
    ASSERT_EQ(std::system(("cd " + d + " && { [ -e " + l + " ] || sh-elf-ld -T " VARNOK_SOURCE_DIR "/tests/elf/" + l +
                           ".ld -o " + l + " p.o; } && sh-elf-objcopy -O binary " + l + " " + l +
                           ".bin && sh-elf-objcopy -O srec --srec-forceS3 " + l + " s")
                              .c_str()),
              0);
    std::string srec = Read("s"), low = "FFFFFFFF";
    const std::regex record("S3..(.{8})");
    for (std::sregex_iterator i(srec.begin(), srec.end(), record), end; i != end; ++i)
      low = std::min(low, (*i)[1].str());
    for (const char* ini : {"/elf.ini", "/bin.ini"}) std::remove((d + ini).c_str());
    EXPECT_EQ(Cli("--simulate=fast --receipt=elf.ini " + l, d).exit, 0);
    EXPECT_EQ(Cli("--simulate=fast --receipt=bin.ini --address=" + low + " " + l + ".bin", d).exit, 0);
    EXPECT_EQ(Read("elf.ini"), Read("bin.ini"));
  }
  EXPECT_GE(links.size(), 7u);
  dir_.Write("prog.bin", PatternBytes(3000));
  Result r = Cli("--simulate=fast --port 330 --address 6001234 --wait 5 prog.bin", d);
  EXPECT_TRUE(Has(r.out, "Status:Waiting for Saturn   0%\n") && Has(r.out, "Status:Sending data...  50%  1500/3000"))
      << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nsent 3000 bytes to 06001234 in [0-9]+\\.[0-9]{2} s "
                                                  "\\([0-9]+\\.[0-9] KB/s\\), checksum matched\n$")))
      << r.out;
  EXPECT_FALSE(Has(r.out, "Ready"));
  auto windows = [](const std::string& t) {  // the window's section
    size_t at = t.find("[Config]");
    return t.substr(at, t.find("\r\n[", at) - at);
  };
  const std::string config = windows(Profile());
  auto send = [&](const std::string& run) {
    std::remove((d + "/r.ini").c_str());
    Result sent = Cli("--simulate=fast --receipt=" + d + "/r.ini " + run, run.empty() ? "/" : d);
    EXPECT_TRUE(sent.exit == 0 && sent.err.empty()) << sent.err;
    return Read("r.ini");
  };
  for (const char* run : {"--address=0x6004000 game", "game", ""}) {
    EXPECT_EQ(send(run), Read("bin.ini"));
    EXPECT_EQ(windows(Profile()), config);
  }
  send("--address 6001234 prog.bin");
  EXPECT_TRUE(Has(send(""), "Length=3000\r\n"));
  send("game");
  std::string text = Profile();
  text.replace(text.find("RecentAdrs0=06001234"), 20, "RecentAdrs0=06002000");
  dir_.Write("config/varnok/varnok.INI", Bytes(text.begin(), text.end()));
  EXPECT_TRUE(Has(send(""), "Address=06002000\r\n"));
}

// The full path made of any spelling of a file is one history entry.
TEST_F(CliTest, TheSpellingsOfOneFileAreOneHistoryEntry) {
  const std::string d = dir_.path(), b = d + "/a/b";
  ASSERT_TRUE(std::filesystem::create_directories(b));
  dir_.Write("a/b/x.bin", {1});
  for (const std::string& f :
       std::vector<std::string>{"../b/x.bin", "./x.bin", "../../a/b/./x.bin", b + "/x.bin", "/.." + d + "//a/b/x.bin"})
    EXPECT_EQ(Cli("--simulate=fast --address=6004000 " + f, b).exit, 0) << f;
  EXPECT_TRUE(Has(Profile(), "RecentFiles=1\r\nRecentFile0=" + b + "/x.bin\r\n")) << Profile();
}

// --watch: each version that has stood still for half a second is sent, whole; a file that is gone
// is waited for; Ctrl-C while waiting ends with the last transfer's exit code.
TEST_F(CliTest, WatchSendsEachSteadyVersionUntilCtrlC) {
  const std::string file = dir_.Write("w.bin", PatternBytes(100));
  pid_t pid = Start("--simulate=bad-checksum --watch --address=6004000 " + file);
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
  EXPECT_EQ(Count(Read("out"), "\nsent (100|1000|300) bytes to 06004000 in .*, checksum differed\n"), 3) << Read("out");
  EXPECT_EQ(Read("err"), "varnok-cli: Checksum Error\nvarnok-cli: Checksum Error\nvarnok-cli: Checksum Error\n");
}

// A second Ctrl-C ends the program at once, even where the first one's end cannot go on: here its
// messages go into a pipe that is full.
TEST_F(CliTest, ASecondCtrlCEndsAtOnce) {
  int fds[2];
  ASSERT_TRUE(pipe(fds) == 0 && fcntl(fds[1], F_SETPIPE_SZ, 4096) == 4096 &&
              write(fds[1], Bytes(4096).data(), 4096) == 4096);
  pid_t pid =
      Start("--simulate=silent --address=6004000 " + dir_.Write("p.bin", {1}), ".", "", "2>&" + std::to_string(fds[1]));
  EXPECT_EQ(Await("Waiting for Saturn", 1), 1);
  kill(pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(pid, SIGINT);
  EXPECT_EQ(Exit(pid), 3);
  for (int fd : fds) close(fd);
}

// The progress line and the summary, in 32-bit arithmetic up to 4 GiB less one byte.
TEST(CliProgressTest, PercentBytesRateAndTimeLeftUpTo4GiB) {
  const DWORD kMax = 0xFFFFFFFF;
  const std::pair<PROGRESS, std::string> lines[] = {
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

// The card of a server, from the client and from curl: byte-exact, with the local upload's lines
// and summary; each fault of a client answered as it must be, and a correct upload after it; 200
// uploads leave the server with the descriptors and (nearly) the memory it had.
TEST_F(CliTest, TheServersCardTakesUploadsFromTheClientAndCurlAndEachFaultLeavesItServing) {
  const std::string d = dir_.path();
  dir_.Write("prog.bin", PatternBytes(3000));
  MakeElfFiles();
  const std::string prog = Read("prog.bin");
  pid_t server;
  const int port = Serve("fast", server);
  ASSERT_GT(port, 0);
  const std::string host = "--host 127.0.0.1:" + std::to_string(port) + " --token " + token_ + " ",
                    url = "'http://127.0.0.1:" + std::to_string(port) + "/upload?";
  auto sends = [&](const std::string& after) {
    Result r = Cli(host + "--address 6004000 prog.bin", d);
    EXPECT_TRUE(r.exit == 0 && r.err.empty() && Has(Read("r.ini"), Receipt(prog))) << after << ": " << r.err;
    return r;
  };
  Result r = sends("first");
  EXPECT_TRUE(
      std::regex_search(r.out, std::regex("^Status:Init   0%\n(.*\n)*Status:Sending data...  50%  1500/3000 bytes"
                                          ".*\n(.*\n)*sent 3000 bytes to 06004000 in .*, checksum matched\n$")))
      << r.out;
  EXPECT_EQ(Cli(host + "game", d).exit, 0) << "an ELF file, as its image";
  EXPECT_TRUE(Has(Read("r.ini"), Receipt(Read("game.bin"))));
  FILE* curl = popen(("cd " + d + " && curl -sS -T prog.bin -H 'Authorization: Bearer " + token_ +
                      "' -w '%{http_code}' " + url + "address=06004000'")
                         .c_str(),
                     "r");
  char out[4096] = "";
  out[fread(out, 1, sizeof(out) - 1, curl)] = 0;
  pclose(curl);
  EXPECT_TRUE(std::regex_search(out, std::regex("\nsent 3000 bytes to 06004000 in .*, checksum matched\n200$"))) << out;

  const struct {
    const char* what;
    std::string bytes;
    bool hangUp;
    const char* answer;
  } faults[] = {
      {"a body longer than said: the bytes said go", Put(100, prog.substr(0, 100) + "more"), false, "HTTP/1.1 200 "},
      {"a body shorter than said, the connection closed", Put(3000, prog.substr(0, 1000)), true, ""},
      {"16 KiB of header junk", "PUT /upload?address=1 HTTP/1.1\r\n" + std::string(16384, 'x'), false, "HTTP/1.1 431 "},
      {"a file pushed with netcat", prog, false, "HTTP/1.1 400 Bad Request\r\n"},
      {"a client that sends nothing for 10 s", Put(3000, prog.substr(0, 1000)), false, "HTTP/1.1 408 "},
  };
  for (const auto& f : faults) {
    std::string answer = Http(port, f.bytes, f.hangUp);
    EXPECT_EQ(answer.substr(0, strlen(f.answer)), f.answer) << f.what << ": " << answer;
    EXPECT_TRUE(f.what != faults[0].what || Has(Read("r.ini"), Receipt(prog.substr(0, 100))));
    sends(f.what);
  }
  EXPECT_TRUE(Has(Read("serve.out"), "stopped after 900 of 3000 bytes to 06004000 (the client sent nothing for 10 s)"));

  // 200 uploads: the descriptors, and the memory (less the sanitizer's own), as they were.
  std::ifstream children("/proc/" + std::to_string(server) + "/task/" + std::to_string(server) + "/children");
  std::string pid;
  children >> pid;
  auto count = [&](const char* what) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
      if (!line.compare(0, 6, "VmRSS:") && !strcmp(what, "kB")) return std::stol(line.substr(6));
    return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/" + pid + "/fd"), {}));
  };
  // (A connection whose response has gone is closed once its client has closed it: soon.)
  auto settled = [&](long fds) {
    for (int i = 0; i < 60 && count("fds") > fds; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return count("fds");
  };
  long fds = count("fds");
  [[maybe_unused]] long kB = count("kB");
  for (int i = 0; i < 10; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
    fds = std::min(fds, count("fds"));
  for (int i = 0; i < 200; ++i) ASSERT_EQ(Http(port, Put(3000, prog)).substr(0, 15), "HTTP/1.1 200 OK") << i;
  EXPECT_EQ(settled(fds), fds);
#ifndef __SANITIZE_ADDRESS__
  EXPECT_LT(count("kB") - kB, 256);
#endif
  kill(server, SIGINT);
  EXPECT_EQ(Exit(server), 0) << Read("serve.out");
  EXPECT_EQ(Profile(), "") << "remote uploads leave no history, on either side";
}

// A server whose console differs in its checksum, or does not answer: the client's exit codes
// and curl's status; a second client answered at once, busy, while the first one's upload goes on;
// Ctrl-C on the client stops the transfer, and the server goes on.
TEST_F(CliTest, TheServersOutcomesAreTheClientsExitCodesAndCurlsStatus) {
  const std::string d = dir_.path();
  dir_.Write("prog.bin", PatternBytes(3000));
  for (const char* mode : {"bad-checksum", "silent"}) {
    pid_t server;
    const int port = Serve(mode, server);
    const std::string host =
        "--host 127.0.0.1:" + std::to_string(port) + " --token " + token_ + " --address 6004000 prog.bin ";
    const bool silent = !strcmp(mode, "silent");
    if (silent) {
      pid_t client = Start(host, d, "", "2>" + d + "/client.err", "client.out");
      EXPECT_EQ(Await("Waiting for Saturn", 1, "client.out"), 1);
      std::string busy = Http(port, Put(3, "abc"));
      EXPECT_TRUE(Has(busy, "HTTP/1.1 503 Service Unavailable\r\n") && Has(busy, "\r\nRetry-After: ")) << busy;
      EXPECT_EQ(waitpid(client, nullptr, WNOHANG), 0) << "the first upload goes on";
      kill(client, SIGINT);
      EXPECT_EQ(Exit(client), 3);
      EXPECT_EQ(
          Await("stopped during the handshake, nothing sent \\(the client closed the connection\\)", 1, "serve.out"),
          1);
    }
    Result r = Cli(host + (silent ? "--wait 1" : ""), d);
    EXPECT_EQ(r.exit, silent ? 6 : 1);
    EXPECT_EQ(r.err, silent ? "varnok-cli: the console did not answer within 1 s\n" : "varnok-cli: Checksum Error\n");
    std::string answer = Http(port, Put(3, "abc", "address=6004000&wait=1"));
    EXPECT_EQ(answer.substr(0, 12), silent ? "HTTP/1.1 504" : "HTTP/1.1 422") << answer;
    kill(server, SIGINT);
    EXPECT_EQ(Exit(server), 0);
  }
}

// A profile that cannot be written (read-only, even for root): one line says so, the upload keeps
// its exit code, and the profile keeps what it held.
TEST_F(CliTest, AReadOnlyProfileIsReportedOnceAndKeptWhole) {
  const std::string d = dir_.path(), ini = d + "/config/varnok/varnok.INI";
  dir_.Write("a.bin", {1, 2, 3});
  ASSERT_EQ(Cli("--simulate=fast --address 6004000 a.bin", d).exit, 0);
  const std::string before = Profile();
  ASSERT_EQ(chmod(ini.c_str(), 0444), 0);
  Result r = Cli("--simulate=bad-checksum --port 330 --address 6004002 a.bin", d);
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "varnok-cli: Checksum Error\nvarnok-cli: cannot save the history in the profile: " + ini +
                       ": Permission denied\n");
  EXPECT_EQ(Profile(), before);
}

// A message the command line does not know is an internal fault of its own, never a bad input.
TEST(CliBoxTest, AnUnknownMessageIsAnInternalFault) {
  HEADLESS_MESSAGEBOX box;
  box.nID = IDS_STATUS_INFO;
  box.strText = "Status:Info";
  UPLOAD_END end = {};
  ReadBox(box, "/a.bin", nullptr, "", end);
  ASSERT_EQ(end.nMessages, 1);
  EXPECT_STREQ(end.messages[0].szWhat, "internal fault: message 13 is not known here");
  EXPECT_STREQ(end.messages[0].szObject, "Status:Info");
  EXPECT_EQ(end.nExit, kExitInternal);
}

// A relative path the window kept as typed: a bare run says where it looked for it, and why.
TEST_F(CliTest, ARelativePathFromTheWindowIsExplained) {
  const std::string d = dir_.path();
  const std::string ini = "[Config]\nRecentFiles=1\nRecentFile0=x.bin\nRecentAdrss=1\nRecentAdrs0=6004000\n";
  ASSERT_TRUE(std::filesystem::create_directories(d + "/config/varnok"));
  dir_.Write("config/varnok/varnok.INI", Bytes(ini.begin(), ini.end()));
  Result r = Cli("--simulate=fast", d);
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.err,
            "varnok-cli: Open Error: x.bin: No such file or directory\nvarnok-cli: the window's history holds a "
            "relative path, looked for as: " +
                d +
                "/x.bin: the window keeps a path typed into its File box as "
                "typed; give the file again, or choose it with Browse in the window, which keeps full paths\n");
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

  Result r = Cli("--address 100 " + dir_.Write("p.bin", {1}), ".", drop);
  EXPECT_EQ(r.exit, 4);
  EXPECT_TRUE(Has(r.err, "varnok-cli: Port Access Error: no access to I/O ports 310-312")) << r.err;
  EXPECT_FALSE(Has(Profile(), "RecentFile0")) << "a refused Execute records nothing";
}

}  // namespace
