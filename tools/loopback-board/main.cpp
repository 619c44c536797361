// loopback-board: serves a topic of numbered message pages on 127.0.0.1 until interrupted.
// Prints the topic's address (the part before the message number) on stdout.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "loopback-board/board_server.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int) {
  g_stop = true;
}

void Usage() {
  std::fputs(
      "usage: loopback-board [--port P] [--count N] [--highest N] [--encoding euc|jis|sjis]\n"
      "                      [--page-bytes B] [--text repeated|dense] [--seed S] [--delay MS]\n"
      "                      [--retry-after S] [--plain] [--misbehave N:KIND[:TIMES]] ...\n"
      "                      [--write-pages DIR]\n"
      "  --plain: never compress the answers\n"
      "  KIND: delay, empty, oversize, reset, 404, redirect, 500, 503, 429\n"
      "  --retry-after: the Retry-After of 503 and 429 answers (default 1; -1: none)\n"
      "  --text dense: pages of B to 1.5 B bytes of varied Japanese text (seeded)\n"
      "  --write-pages DIR: write the pages of messages 1..N as DIR/1 ... DIR/N and exit\n"
      "Serves http://127.0.0.1:P/board/message?mid=N in the layout of _yahoo.bbs.\n",
      stderr);
}

bool ParseKind(const std::string& s, pellucor::testing::Misbehaviour& kind) {
  using pellucor::testing::Misbehaviour;
  if (s == "delay")
    kind = Misbehaviour::Delay;
  else if (s == "empty")
    kind = Misbehaviour::Empty;
  else if (s == "oversize")
    kind = Misbehaviour::Oversize;
  else if (s == "reset")
    kind = Misbehaviour::Reset;
  else if (s == "404")
    kind = Misbehaviour::NotFound;
  else if (s == "redirect")
    kind = Misbehaviour::Redirect;
  else if (s == "500")
    kind = Misbehaviour::ServerError;
  else if (s == "503")
    kind = Misbehaviour::Unavailable;
  else if (s == "429")
    kind = Misbehaviour::TooMany;
  else
    return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pellucor::testing;
  TopicSpec topic;
  int port = 0, delay = -1, retry_after = 1;
  std::string write_dir;
  struct Rule {
    long long n;
    Misbehaviour kind;
    int times;
  };
  std::vector<Rule> rules;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--port")
      port = std::stoi(value());
    else if (a == "--count")
      topic.count = std::stoll(value());
    else if (a == "--highest")
      topic.highest = std::stoll(value());
    else if (a == "--page-bytes")
      topic.page_bytes = std::stoul(value());
    else if (a == "--delay")
      delay = std::stoi(value());
    else if (a == "--retry-after")
      retry_after = std::stoi(value());
    else if (a == "--plain")
      topic.compress = false;
    else if (a == "--seed")
      topic.seed = std::stoull(value());
    else if (a == "--write-pages")
      write_dir = value();
    else if (a == "--text") {
      std::string t = value();
      if (t == "dense")
        topic.text = PageText::Dense;
      else if (t == "repeated")
        topic.text = PageText::Repeated;
      else {
        Usage();
        return 2;
      }
    } else if (a == "--encoding") {
      std::string e = value();
      if (e == "euc")
        topic.encoding = Encoding::EucJp;
      else if (e == "jis")
        topic.encoding = Encoding::Iso2022Jp;
      else if (e == "sjis")
        topic.encoding = Encoding::ShiftJis;
      else {
        Usage();
        return 2;
      }
    } else if (a == "--misbehave") {
      std::string r = value();
      size_t c1 = r.find(':');
      size_t c2 = c1 == std::string::npos ? c1 : r.find(':', c1 + 1);
      Rule rule{0, Misbehaviour::None, -1};
      if (c1 == std::string::npos ||
          !ParseKind(r.substr(c1 + 1, c2 == std::string::npos ? c2 : c2 - c1 - 1), rule.kind)) {
        Usage();
        return 2;
      }
      rule.n = std::stoll(r.substr(0, c1));
      if (c2 != std::string::npos) rule.times = std::stoi(r.substr(c2 + 1));
      rules.push_back(rule);
    } else {
      Usage();
      return a == "--help" || a == "-h" ? 0 : 2;
    }
  }
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  try {
    BoardServer board(topic, port);
    if (delay >= 0) board.SetDelay(delay);
    board.SetRetryAfter(retry_after);
    for (const Rule& r : rules) board.Misbehave(r.n, r.kind, r.times);
    if (!write_dir.empty()) {
      // Static copies of the pages, for a web server to serve.
      for (int64_t n = 1; n <= topic.count; ++n) {
        std::ofstream f(write_dir + "/" + std::to_string(n), std::ios::binary);
        f << board.PageBytes(n);
        if (!f) throw std::runtime_error("cannot write " + write_dir);
      }
      return 0;
    }
    std::printf("%s\n", board.url1().c_str());
    std::fflush(stdout);
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "loopback-board: %s\n", e.what());
    return 1;
  }
  return 0;
}
