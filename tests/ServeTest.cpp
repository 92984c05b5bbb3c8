// varnok-cli --serve and --host, as their users meet them: the server of a simulated card on a
// free port of 127.0.0.1, the client, curl and raw requests.
#include "tests/CliSupport.h"

namespace {

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
      {"a client that sends nothing for 10 s", Put(3000, prog.substr(0, 1000)), false, "HTTP/1.1 408 "},
  };
  for (const auto& f : faults) {
    // (The next upload once the server has ended this one: one that hangs up leaves it still busy
    // for a moment.)
    int requests = Count(Read("serve.out"), "\n127\\.0\\.0\\.1:");
    std::string answer = Http(port, f.bytes, f.hangUp);
    EXPECT_EQ(Await("\n127\\.0\\.0\\.1:", requests + 1, "serve.out"), requests + 1);
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

}  // namespace

namespace {

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  return s;
}

// Each request of tests/serve-cases.txt, its status, its Varnok-Exit and its text; a refusal never
// reaches the card, and a wrong token is answered a second after it came.
TEST_F(CliTest, EachRequestOfTheTableHasItsStatusAndNoRefusalReachesTheCard) {
  std::map<std::string, std::pair<pid_t, int>> servers;  // mode: the process, its port
  std::ifstream table(VARNOK_SOURCE_DIR "/tests/serve-cases.txt");
  std::set<int> statuses;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    SCOPED_TRACE(line);
    const std::regex bar(" ?\\| ?");
    std::vector<std::string> f(std::sregex_token_iterator(line.begin(), line.end(), bar, -1), {});
    f.resize(6);
    const std::string mode = f[0] == "busy" ? "silent" : f[0];
    if (!servers.count(mode)) {
      pid_t pid;
      int port = Serve(mode, pid, "", "");
      std::rename((dir_.path() + "/serve.out").c_str(), (dir_.path() + "/" + mode + ".out").c_str());
      servers[mode] = {pid, port};
      tokens_[mode] = token_;
    }
    const int port = servers[mode].second;
    token_ = tokens_[mode];
    std::string head = Replace(Replace(f[1], " \\n ", "\r\n"), "$token", token_);
    head = Replace(head, "$junk", std::string(16384, 'x'));
    std::string request =
        head + (f[1].find(" \\n ") != std::string::npos || f[1].find("HTTP") != std::string::npos ? "\r\n\r\n" : "") +
        Replace(f[2], "\\r\\n", "\r\n");
    // busy: another upload keeps the silent console's handshake waiting meanwhile.
    int held = -1;
    if (f[0] == "busy") {
      held = Connect(port);
      std::string put = Put(3, "xyz");
      ASSERT_EQ(send(held, put.data(), put.size(), MSG_NOSIGNAL), static_cast<ssize_t>(put.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    const std::string before = Read("r.ini");
    auto start = std::chrono::steady_clock::now();
    std::string answer = Http(port, request);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (held >= 0) close(held);
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 " + f[3]) << answer;
    const std::regex status("HTTP/1.1 ([0-9]{3})");
    for (std::sregex_iterator i(answer.begin(), answer.end(), status), end; i != end; ++i)
      statuses.insert(std::stoi((*i)[1]));
    std::smatch exit;
    bool bExit = std::regex_search(answer, exit, std::regex("\r\nVarnok-Exit: ([0-9]+)\r\n"));
    EXPECT_EQ(bExit ? exit[1].str() : "-", f[4]) << answer;
    EXPECT_TRUE(Has(answer, f[5])) << answer;
    EXPECT_FALSE(Has(answer, "Access-Control-")) << answer;
    if (f[3] != "200" && f[3] != "422" && f[3] != "504") {
      EXPECT_EQ(Read("r.ini"), before) << "nothing reaches the card";
    }
    if (Has(line, "Bearer wrong") || Has(line, "Bearer other")) {
      EXPECT_GE(seconds, 1.0);
    }
  }
  for (int status : {100, 200, 400, 401, 403, 404, 405, 408, 411, 413, 417, 421, 422, 431, 503, 504})
    EXPECT_TRUE(statuses.count(status)) << status;
  for (auto& s : servers) {
    kill(s.second.first, SIGINT);
    EXPECT_EQ(Exit(s.second.first), 0);
  }
}

// The card's data phase reads its slices from a body that comes slower than the card answers:
// each byte the console receives is the one sent.
TEST_F(CliTest, ABodyThatTricklesInArrivesWhole) {
  pid_t server;
  const int port = Serve("fast", server);
  const Bytes bytes = PatternBytes(3000);
  const std::string body(bytes.begin(), bytes.end());
  int s = Connect(port);
  std::string put = Put(body.size(), "");
  ASSERT_EQ(send(s, put.data(), put.size(), MSG_NOSIGNAL), static_cast<ssize_t>(put.size()));
  for (size_t at = 0; at < body.size(); at += 100, std::this_thread::sleep_for(std::chrono::milliseconds(15)))
    ASSERT_EQ(send(s, body.data() + at, 100, MSG_NOSIGNAL), 100);
  std::string answer = ReadAll(s);
  close(s);
  EXPECT_EQ(answer.substr(0, 15), "HTTP/1.1 200 OK") << answer;
  EXPECT_TRUE(Has(Read("r.ini"), Receipt(body))) << Read("r.ini");
  kill(server, SIGINT);
  EXPECT_EQ(Exit(server), 0);
}

// No client holds up another: a head that comes a byte a second is refused 10 s after its
// connection, and 16 connections that send nothing take no upload's place; meanwhile uploads go
// through at once.
TEST_F(CliTest, NoClientHoldsUpAnother) {
  pid_t server;
  const int port = Serve("fast", server);
  const std::string prog = std::string(3000, 'p');
  auto upload = [&] {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Http(port, Put(prog.size(), prog)).substr(0, 15), "HTTP/1.1 200 OK");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  int slow = Connect(port);
  auto start = std::chrono::steady_clock::now();
  std::thread trickle([&] {
    const std::string head = "PUT /upload?address=6004000 HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (size_t i = 0; i < head.size() && send(slow, &head[i], 1, MSG_NOSIGNAL) == 1; ++i)
      std::this_thread::sleep_for(std::chrono::seconds(1));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_LT(upload(), 2.0);
  std::string answer = ReadAll(slow);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(Has(answer, "HTTP/1.1 408 ") && Has(answer, "did not come whole within 10 s")) << answer;
  EXPECT_TRUE(seconds >= 9.9 && seconds < 11.5) << seconds;
  shutdown(slow, SHUT_RDWR);
  trickle.join();
  close(slow);
  std::vector<int> idle;
  for (int i = 0; i < 16; ++i) idle.push_back(Connect(port));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LT(upload(), 2.0);
  for (int s : idle) close(s);
  kill(server, SIGINT);
  EXPECT_EQ(Exit(server), 0);
}

// A token fixed for scripts: --token or VARNOK_TOKEN on either end; a client without it, or with
// another, says so and ends with 8; an ELF file sent by curl goes out as its image.
TEST_F(CliTest, AFixedTokenServesBothEnds) {
  const std::string d = dir_.path();
  dir_.Write("prog.bin", PatternBytes(3000));
  MakeElfFiles();
  ASSERT_EQ(std::system(("cd " + d + " && sh-elf-objcopy -O binary game game.bin").c_str()), 0);
  pid_t server;
  const int port = Serve("fast", server, "", "env VARNOK_TOKEN=fixed-Token.1");
  EXPECT_EQ(token_, "fixed-Token.1");
  const std::string host = "--host 127.0.0.1:" + std::to_string(port) + " --address 6004000 prog.bin";
  EXPECT_EQ(Cli(host + " --token fixed-Token.1", d).exit, 0);
  EXPECT_EQ(Cli(host, d, "env VARNOK_TOKEN=fixed-Token.1").exit, 0);
  Result r = Cli(host, d);
  EXPECT_EQ(r.exit, 8);
  EXPECT_TRUE(Has(r.err, "varnok-cli: the server wants its token: 127.0.0.1:")) << r.err;
  r = Cli(host + " --token other", d);
  EXPECT_EQ(r.exit, 8);
  EXPECT_TRUE(Has(r.err, "did not take the token given")) << r.err;
  EXPECT_EQ(Cli(host + " --token 'a b'", d).exit, 2);
  const std::string curl =
      "cd " + d + " && curl -sS -H 'Authorization: Bearer fixed-Token.1' -w '%{http_code}' -T game ";
  auto status = [&](const std::string& query) {
    FILE* p = popen((curl + "'http://127.0.0.1:" + std::to_string(port) + "/upload" + query + "'").c_str(), "r");
    char out[4096] = "";
    out[fread(out, 1, sizeof(out) - 1, p)] = 0;
    pclose(p);
    return std::string(out);
  };
  EXPECT_TRUE(Has(status(""), "checksum matched\n200")) << "an ELF file's image, to its own address";
  EXPECT_TRUE(Has(Read("r.ini"), Receipt(Read("game.bin"))));
  EXPECT_TRUE(Has(Read("r.ini"), "Address=06004000"));
  std::string refused = status("?address=6000000");
  EXPECT_TRUE(Has(refused, "address= 06000000 differs from the load address of the ELF file, 06004000: ") &&
              Has(refused, "\n400"))
      << refused;
  kill(server, SIGINT);
  EXPECT_EQ(Exit(server), 0);
  pid_t other;
  Serve("fast", other, "--token fixed");
  EXPECT_EQ(token_, "fixed");
  kill(other, SIGINT);
  EXPECT_EQ(Exit(other), 0);
}

}  // namespace
