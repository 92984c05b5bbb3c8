// varnok-cli run as a user runs it, from this PC: each run's exit code, message and summary, ELF
// files as objcopy makes them, the history, --watch, Ctrl-C.
#include "cli/output/Exit.h"
#include "cli/output/Progress.h"
#include "cli/session/Boxes.h"
#include "tests/CliSupport.h"

namespace {

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
