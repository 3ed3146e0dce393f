// `flarimond serve` over loopback: the built program as a browser sees it, one server per test on
// a port of its own choosing.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dialog/dialog_layout.h"
#include "params/burst_params.h"

namespace {

namespace fs = std::filesystem;
using fl::kShuffle;
using fl::kTumble;

// A press of the dialog's item, as the page sends it.
std::string press(int32_t id) { return R"({"type": "press", "id": )" + std::to_string(id) + "}"; }
using json = nlohmann::json;
using namespace std::chrono_literals;

const char* const kProgram = FLARIMOND_PROGRAM;
constexpr auto kStartBound = 20s;  // the sanitizer build starts slowly

fs::path scratchDir() {
  static fs::path dir = [] {
    std::string templ = (fs::temp_directory_path() / "flarimond-serve-XXXXXX").string();
    return fs::path(mkdtemp(templ.data()));
  }();
  return dir;
}

// A `flarimond serve` child process; stopped (SIGTERM, then SIGKILL) when it goes out of scope.
class Server {
 public:
  explicit Server(std::vector<std::string> extra) {
    static int count = 0;
    errPath_ = scratchDir() / ("stderr-" + std::to_string(getpid()) + "-" + std::to_string(++count));
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> args = {kProgram, "serve", "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(err, 2);
      close(out[0]);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(kProgram, argv.data());
      _exit(127);
    }
    close(out[1]);
    // The address line; anything else on stdout is not expected before it.
    std::string text;
    std::smatch m;
    const std::regex address(R"(http://(127\.0\.0\.1):(\d+)/)");
    auto until = std::chrono::steady_clock::now() + kStartBound;
    while (!std::regex_search(text, m, address) && std::chrono::steady_clock::now() < until) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      char buf[256];
      ssize_t n = read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    if (!std::regex_search(text, m, address)) throw std::runtime_error("no address printed: " + stderrText());
    printedHost_ = m[1];
    port_ = std::stoi(m[2]);
  }
  ~Server() { stop(); }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  int port() const { return port_; }
  const std::string& printedHost() const { return printedHost_; }
  std::string stderrText() const {
    std::ifstream in(errPath_);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // SIGTERM, then the exit status (or -1 when it had to be killed).
  int stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    int ws = 0;
    auto until = std::chrono::steady_clock::now() + 10s;
    while (waitpid(pid_, &ws, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &ws, 0);
        pid_ = 0;
        return status_ = -1;
      }
      std::this_thread::sleep_for(20ms);
    }
    pid_ = 0;
    return status_ = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
  }

  httplib::Client client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_read_timeout(60, 0);
    return c;
  }

  json state() const {
    auto res = client().Get("/api/state");
    if (!res || res->status != 200) throw std::runtime_error("GET /api/state failed");
    return json::parse(res->body);
  }

  // POST /api/claim with the token offered; the answer's status and body.
  std::pair<int, json> claim(const std::string& offered = "") const {
    httplib::Headers h;
    if (!offered.empty()) h.emplace("X-Flarimond-Token", offered);
    auto res = client().Post("/api/claim", h, "{}", "application/json");
    if (!res) throw std::runtime_error("POST /api/claim failed");
    return {res->status, json::parse(res->body)};
  }

  std::string token() const {
    auto [status, body] = claim();
    if (status != 200) throw std::runtime_error("the claim was refused: " + body.dump());
    return body["token"];
  }

  std::pair<int, json> event(const std::string& token, const std::string& body, httplib::Headers h = {}) const {
    if (!token.empty()) h.emplace("X-Flarimond-Token", token);
    auto res = client().Post("/api/event", h, body, "application/json");
    if (!res) throw std::runtime_error("POST /api/event failed");
    return {res->status, json::parse(res->body)};
  }

 private:
  pid_t pid_ = 0;
  int status_ = -1;
  int port_ = 0;
  std::string printedHost_;
  fs::path errPath_;
};

// What must not change when an event is refused: the dialog, the document and the record.
json visible(json st) {
  st.erase("claim");
  return st;
}

TEST(Serve, ListensOnLoopbackAddressOnly) {
  Server s({"--seed", "1"});
  EXPECT_EQ(s.printedHost(), "127.0.0.1");
  // The kernel's own table of listening sockets: bound to 127.0.0.1 (0100007F), nowhere else.
  char port[8];
  std::snprintf(port, sizeof port, ":%04X", s.port());
  int listening = 0;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string slot, local, remote, st;
      words >> slot >> local >> remote >> st;
      if (st != "0A" || local.size() < 5 || local.substr(local.size() - 5) != port) continue;
      ++listening;
      EXPECT_EQ(local, std::string("0100007F") + port) << table;
    }
  }
  // Every listener on the port is on 127.0.0.1 (the kernel may list a socket twice while the
  // tests run in parallel); there is at least ours.
  EXPECT_GE(listening, 1);
  // Another loopback address reaches the same machine but not the server.
  httplib::Client other("127.0.0.2", s.port());
  other.set_connection_timeout(2, 0);
  EXPECT_FALSE(other.Get("/api/state"));
  // A name other than ours in Host (a page elsewhere resolving its name to us) is refused.
  auto res = s.client().Get("/api/state", {{"Host", "example.test"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
  // So is a request naming two, even when one of them is ours.
  const std::string ours = "127.0.0.1:" + std::to_string(s.port());
  for (const char* other : {"example.test", ours.c_str()}) {
    auto two = s.client().Get("/api/state", {{"Host", ours}, {"Host", other}});
    ASSERT_TRUE(two);
    EXPECT_EQ(two->status, 400) << other;
    EXPECT_NE(json::parse(two->body)["error"].get<std::string>().find("Host"), std::string::npos);
  }
}

TEST(Serve, BadEventsAreRefusedAndTheDialogGoesOn) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  const json before = visible(s.state());
  ASSERT_EQ(before["dialog"]["kind"], "filter");

  struct Case {
    std::string body;
    std::string why;  // part of the reason given
  };
  const std::vector<Case> cases = {
      {R"({"type": "set", "id": 5, "value": 12)", "malformed JSON"},
      {"", "malformed JSON"},
      {R"([{"type": "confirm"}])", "JSON object"},
      {R"({"id": 5})", "no \"type\""},
      {R"({"type": "explode"})", "unknown event type"},
      {R"({"type": "set", "id": 5})", "needs \"value\""},
      {R"({"type": "set", "id": 5.5, "value": 1})", "whole number"},
      {R"({"type": "set", "id": 4294967301, "value": 1})", "whole number"},
      {R"({"type": "set", "id": 5, "value": "12"})", "must be a number"},
      {R"({"type": "press", "id": )" + std::to_string(kTumble) + R"(, "force": true})", "no key \"force\""},
      {R"({"type": "set", "id": 999, "value": 1})", "no item 999 in this dialog"},
      {R"({"type": "set", "id": 4, "value": 3})", "is hidden"},  // page 2 is not on screen
      {R"({"type": "check", "id": 5, "value": 1})", "not a check box"},
      {R"({"type": "choose", "id": 120, "value": 30})", "30 entries"},
      {R"({"type": "page", "page": 20})", "no tab item"},
      {R"({"type": "open"})", "a dialog is open"},
      {R"({"type": "set", "id": 5, "value": 1, "pad": ")" + std::string(20000, 'x') + "\"}", "too large"},
      {R"({"type": "set", "id": 5, "value": 1e400})", "overflow"},
      {"{\"type\": \"set\xff\xfe\", \"id\": 5, \"value\": 1}", "UTF-8"},
      {R"({"type": "set", "id": 5, "value": 12, "value": 13})", "\"value\" is given twice"},
      {R"({"type": "set", "type": "press", "id": 5, "value": 12})", "\"type\" is given twice"},
  };
  for (const Case& c : cases) {
    auto [status, body] = s.event(token, c.body);
    EXPECT_EQ(status, 400) << c.body.substr(0, 80);
    EXPECT_NE(body.value("error", "").find(c.why), std::string::npos) << c.body.substr(0, 80) << " -> " << body.dump();
  }
  EXPECT_EQ(visible(s.state()), before) << "a refused event changed something";

  auto [status, answer] = s.event(token, R"({"type": "set", "id": 5, "value": 16})");
  ASSERT_EQ(status, 200) << answer.dump();
  EXPECT_EQ(answer["document"]["arts"], 16);
  EXPECT_EQ(answer["record"]["burstCount"], 16);
  EXPECT_EQ(answer["changed"], json::array({5}));
}

TEST(Serve, OneTabDrivesTheDialogAtATime) {
  Server s({"--seed", "1"});
  std::string first = s.token();
  auto [again, renewed] = s.claim(first);
  EXPECT_EQ(again, 200);
  EXPECT_EQ(renewed["token"], first) << "the holder's claim is renewed, not replaced";

  auto [busy, why] = s.claim();
  EXPECT_EQ(busy, 409);
  EXPECT_NE(why["error"].get<std::string>().find("busy"), std::string::npos);
  EXPECT_EQ(s.event("not-the-token", R"({"type": "cancel"})").first, 409);
  EXPECT_EQ(s.event("", R"({"type": "cancel"})").first, 409) << "no token is no claim";
  EXPECT_EQ(s.state()["dialog"]["kind"], "filter") << "the other tab's cancel did nothing";
  EXPECT_EQ(s.state()["claim"], "other");
  EXPECT_EQ(s.event(first, press(kShuffle)).first, 200);
}

TEST(Serve, ABrowserGoneQuietHasItsDialogCancelled) {
  // Two seconds: the claim must outlive the first event even on a loaded machine, and the
  // answer itself shows the preview (a later look could come after the claim has lapsed).
  Server s({"--seed", "1", "--idle-timeout", "2"});
  std::string token = s.token();
  auto [set, preview] = s.event(token, R"({"type": "set", "id": 5, "value": 16})");
  ASSERT_EQ(set, 200);
  ASSERT_EQ(preview["document"]["arts"], 16);

  // Only the holder's requests keep its claim; looking at the state does not.
  json st;
  auto until = std::chrono::steady_clock::now() + 10s;
  do {
    std::this_thread::sleep_for(100ms);
    st = s.state();
  } while (!st["dialog"].is_null() && std::chrono::steady_clock::now() < until);
  ASSERT_TRUE(st["dialog"].is_null()) << "the dialog is still open";
  EXPECT_EQ(st["document"]["arts"], 0) << "the previews were undone";
  EXPECT_EQ(st["record"]["burstCount"], 10) << "the record was restored";
  EXPECT_EQ(st["host"]["lastMessage"]["text"], "cancelled");
  EXPECT_NE(st["host"]["notice"].get<std::string>().find("sent nothing for 2 seconds"), std::string::npos)
      << "the next tab is told why: " << st["host"]["notice"];
  EXPECT_EQ(s.event(token, R"({"type": "open"})").first, 409) << "the lapsed token drives nothing";

  std::string next = s.token();
  EXPECT_NE(next, token);
  auto [status, opened] = s.event(next, R"({"type": "open"})");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(opened["dialog"]["kind"], "filter");
  EXPECT_EQ(opened["document"]["arts"], 10) << "the dialog opens on the stored record with its first preview";
}

TEST(Serve, AClosingTabHandsTheDialogOverWithItsValues) {
  Server s({"--seed", "1"});
  std::string first = s.token();
  ASSERT_EQ(s.event(first, R"({"type": "set", "id": 5, "value": 16})").first, 200);
  httplib::Client c = s.client();
  auto wrong = c.Post("/api/release", "not-the-token", "text/plain");
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->status, 409);
  EXPECT_EQ(s.state()["claim"], "other");

  // As navigator.sendBeacon sends it: the token is the body.
  auto released = c.Post("/api/release", first, "text/plain");
  ASSERT_TRUE(released);
  EXPECT_EQ(released->status, 200);
  json st = s.state();
  EXPECT_EQ(st["claim"], "free");
  EXPECT_EQ(st["dialog"]["kind"], "filter") << "the dialog stays open for the next tab";
  EXPECT_EQ(st["record"]["burstCount"], 16);

  std::string next = s.token();
  EXPECT_NE(next, first);
  EXPECT_EQ(s.event(first, R"({"type": "cancel"})").first, 409) << "the closed tab drives nothing";
  auto [status, answer] = s.event(next, R"({"type": "set", "id": 5, "value": 17})");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(answer["document"]["arts"], 17);
}

// The header of an answer in the geometry's layout, and its size as the contract's parts and the
// counts in the header say.
json geometryHeader(const Server& s, const std::string& body, size_t* expectedSize) {
  auto script = s.client().Get("/contract.js");
  EXPECT_TRUE(script && script->status == 200);
  const std::string text = script ? script->body : "";
  const size_t from = text.find("Object.freeze(") + 14, to = text.rfind(");");
  const json contract = json::parse(text.substr(from, to - from));
  uint32_t length = 0;
  std::memcpy(&length, body.data(), 4);
  json h = json::parse(body.substr(4, length));
  *expectedSize = 4 + length;
  for (const json& part : contract["geometry"]["parts"])
    *expectedSize += 4 * h[part["count"].get<std::string>()].get<size_t>() * part["per"].get<size_t>();
  return h;
}

TEST(Serve, ADialogLetGoOfAndNotTakenOverIsCancelledAfterTheIdleTime) {
  Server s({"--seed", "1", "--idle-timeout", "1"});
  auto released = s.client().Post("/api/release", s.token(), "text/plain");
  ASSERT_TRUE(released);
  ASSERT_EQ(released->status, 200);
  json st;
  auto until = std::chrono::steady_clock::now() + 10s;
  do {
    std::this_thread::sleep_for(100ms);
    st = s.state();
  } while (!st["dialog"].is_null() && std::chrono::steady_clock::now() < until);
  EXPECT_TRUE(st["dialog"].is_null()) << "the dialog is still open";
  EXPECT_EQ(st["host"]["lastMessage"]["text"], "cancelled");
}

TEST(Serve, AnAnswerCarriesOnlyWhatChanged) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  json st = s.state();
  const size_t itemCount = st["dialog"]["items"].size();
  auto since = [](const json& answer) {
    return httplib::Headers{{"X-Flarimond-Revision", std::to_string(answer["document"]["revision"].get<uint64_t>())}};
  };

  auto [status, more] = s.event(token, R"({"type": "set", "id": 5, "value": 16})", since(st));
  ASSERT_EQ(status, 200) << more.dump();
  const json& d = more["dialog"];
  EXPECT_EQ(d["partial"], true);
  json ids = json::array();
  for (const json& item : d["items"]) ids.push_back(item["id"]);
  EXPECT_EQ(ids, more["changed"]) << "the items are the changed ones";
  EXPECT_LT(ids.size(), itemCount);
  EXPECT_EQ(d["serial"], st["dialog"]["serial"]);
  const json& change = more["document"]["change"];
  EXPECT_EQ(change["since"], st["document"]["revision"]);
  // The ten arts of the first preview went, and sixteen came. A freed slot waits behind others
  // before it is reused (so a stale handle stays stale): the sixteen are in new slots.
  EXPECT_EQ(change["arts"].size(), 16u);
  EXPECT_EQ(change["removed"].size(), 10u);
  EXPECT_FALSE(change.contains("geometry")) << "the arts themselves come in the geometry's layout";

  // Asked for as geometry, the answer is the change's geometry with the state in its header.
  httplib::Headers asGeometry = since(more);
  asGeometry.emplace("Accept", "application/vnd.flarimond.geometry, application/json");
  asGeometry.emplace("X-Flarimond-Token", token);
  auto binary =
      s.client().Post("/api/event", asGeometry, R"({"type": "set", "id": 5, "value": 12})", "application/json");
  ASSERT_TRUE(binary);
  ASSERT_EQ(binary->status, 200);
  EXPECT_EQ(binary->get_header_value("Content-Type"), "application/vnd.flarimond.geometry");
  size_t size = 0;
  const json header = geometryHeader(s, binary->body, &size);
  EXPECT_EQ(binary->body.size(), size);
  EXPECT_EQ(header["since"], more["document"]["revision"]);
  EXPECT_EQ(header["arts"], 12);
  EXPECT_EQ(header["removed"], 16);
  const json& fewer = header["state"];
  EXPECT_EQ(fewer["document"]["revision"], header["revision"]);
  EXPECT_EQ(fewer["dialog"]["partial"], true);
  EXPECT_FALSE(fewer["document"].contains("change")) << "the geometry is the change";

  auto [zoomStatus, zoomed] = s.event(token, R"({"type": "set", "id": 25, "value": 50})", since(fewer));
  ASSERT_EQ(zoomStatus, 200);
  EXPECT_EQ(zoomed["changed"], json::array({25}));
  EXPECT_EQ(zoomed["document"]["change"]["arts"], json::array()) << "the zoom draws nothing";
  EXPECT_EQ(zoomed["document"]["revision"], fewer["document"]["revision"]);

  // The geometry of the change, and of the whole document.
  httplib::Client c = s.client();
  struct Case {
    std::string query;
    json since;
    size_t arts, removed;
  };
  const uint64_t r0 = st["document"]["revision"], r1 = more["document"]["revision"];
  for (const Case& k :
       {Case{"?since=" + std::to_string(r1), r1, 12, 16}, Case{"?since=" + std::to_string(r0), r0, 12, 26},
        Case{"", nullptr, 12, 0}, Case{"?since=99999999", nullptr, 12, 0}}) {
    SCOPED_TRACE(k.query);
    auto res = c.Get("/api/geometry" + k.query);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200);
    size_t size = 0;
    json h = geometryHeader(s, res->body, &size);
    EXPECT_EQ(res->body.size(), size);
    EXPECT_EQ(h["since"], k.since);
    EXPECT_EQ(h["arts"], k.arts);
    EXPECT_EQ(h["removed"], k.removed);
    EXPECT_EQ(h["revision"], zoomed["document"]["revision"]);
    EXPECT_GE(h["segments"].get<size_t>(), 3 * k.arts);
    EXPECT_GE(h["styles"].size(), 1u);
  }
  auto ahead = s.event(token, R"({"type": "set", "id": 5, "value": 13})", {{"X-Flarimond-Revision", "99999999"}});
  EXPECT_TRUE(ahead.second["document"]["change"].is_null()) << "a revision the host never had: the page needs all";
  auto bad = s.event(token, R"({"type": "set", "id": 5, "value": 14})", {{"X-Flarimond-Revision", "12a"}});
  EXPECT_EQ(bad.first, 400);
  EXPECT_EQ(s.state()["record"]["burstCount"], 13) << "the refused event changed nothing";
}

TEST(Serve, TheHistoryKeepsEachPreviewItsLocksAndItsPicture) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  json h = s.state()["history"];
  ASSERT_EQ(h["entries"].size(), 1u);
  EXPECT_EQ(h["entries"][0]["label"], "Dialog opened");
  EXPECT_EQ(h["current"], h["last"]);

  auto [typed, afterTyping] = s.event(token, R"({"type": "set", "id": 5, "value": 16})");
  ASSERT_EQ(typed, 200);
  h = afterTyping["history"];
  EXPECT_EQ(h["entries"].back()["label"], "burstCount 10 \u2192 16");
  EXPECT_EQ(s.event(token, R"({"type": "set", "id": 25, "value": 50})").second["history"]["last"], h["last"])
      << "the zoom draws no preview, so no variant";
  const uint64_t first = h["first"];

  // Back to the first variant: its record, and no new variant.
  auto [back, restored] = s.event(token, R"({"type": "variant", "id": )" + std::to_string(first) + "}");
  ASSERT_EQ(back, 200) << restored.dump();
  EXPECT_EQ(restored["record"]["burstCount"], 10);
  EXPECT_EQ(restored["history"]["current"], first);
  EXPECT_EQ(restored["history"]["last"], h["last"]);

  // Locks: on a control's field, kept through Tumble.
  EXPECT_EQ(s.event(token, R"({"type": "variant", "id": 99})").first, 400);
  EXPECT_EQ(s.event(token, R"({"type": "lock", "id": 41, "value": 1})").first, 400) << "a static text edits no field";
  EXPECT_EQ(s.event(token, R"({"type": "lock", "id": 5, "value": 2})").first, 400);
  ASSERT_EQ(s.event(token, R"({"type": "lock", "id": 5, "value": 1})").second["history"]["locks"],
            json::array({"burstCount"}));
  auto [tumbled, afterTumble] = s.event(token, R"({"type": "press", "id": 111})");
  ASSERT_EQ(tumbled, 200);
  EXPECT_EQ(afterTumble["record"]["burstCount"], 10);
  EXPECT_EQ(afterTumble["history"]["entries"].back()["label"], "Tumble");
  EXPECT_EQ(afterTumble["history"]["entries"].back()["locks"], json::array({"burstCount"}));

  // A page that holds the history up to a variant is sent only the newer ones.
  httplib::Client c = s.client();
  auto held = c.Get("/api/state", {{"X-Flarimond-History", std::to_string(first)}});
  ASSERT_TRUE(held);
  EXPECT_EQ(json::parse(held->body)["history"]["entries"].size(), afterTumble["history"]["entries"].size() - 1);

  // The page's picture of a variant, kept with it.
  const std::string id = std::to_string(afterTumble["history"]["current"].get<uint64_t>());
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "not really";
  httplib::Headers mine{{"X-Flarimond-Token", token}};
  EXPECT_EQ(c.Post("/api/history/picture?id=" + id, png, "image/png")->status, 409) << "only the driving tab";
  EXPECT_EQ(c.Post("/api/history/picture?id=" + id, mine, png, "text/html")->status, 400);
  EXPECT_EQ(c.Post("/api/history/picture?id=999", mine, png, "image/png")->status, 400);
  EXPECT_EQ(c.Post("/api/history/picture?id=" + id, mine, std::string(70000, 'x'), "image/png")->status, 400);
  ASSERT_EQ(c.Post("/api/history/picture?id=" + id, mine, png, "image/png")->status, 200);
  auto picture = c.Get("/api/history/picture?id=" + id);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->body, png);
  EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(s.state()["history"]["entries"].back()["picture"], true);

  ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);
  EXPECT_EQ(s.event(token, R"({"type": "variant", "id": )" + std::to_string(first) + "}").first, 400)
      << "no dialog is open";
  EXPECT_EQ(s.state()["history"]["entries"].size(), afterTumble["history"]["entries"].size()) << "kept after OK";
}

TEST(Serve, UndoAndRedoTakeBackTheLastFilterRun) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  EXPECT_EQ(s.event(token, R"({"type": "undo"})").first, 400) << "a dialog is open";
  ASSERT_EQ(s.event(token, R"({"type": "set", "id": 5, "value": 12})").first, 200);
  auto [status, done] = s.event(token, R"({"type": "confirm"})");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(done["document"]["arts"], 12);
  EXPECT_EQ(done["document"]["undo"], true);
  EXPECT_EQ(done["document"]["redo"], false);

  struct Step {
    const char* event;
    int status;
    int arts;
  };
  // Undo takes back the dialog's preview and Go together; Redo puts them back; Apply's Go is a
  // step of its own, and a new step forgets the Redo.
  for (const Step& step :
       {Step{"undo", 200, 0}, Step{"undo", 400, 0}, Step{"redo", 200, 12}, Step{"redo", 400, 12},
        Step{"apply", 200, 24}, Step{"undo", 200, 12}, Step{"apply", 200, 24}, Step{"redo", 400, 24}}) {
    SCOPED_TRACE(step.event);
    auto [code, answer] = s.event(token, std::string(R"({"type": ")") + step.event + R"("})");
    EXPECT_EQ(code, step.status) << answer.dump().substr(0, 200);
    EXPECT_EQ(s.state()["document"]["arts"], step.arts);
  }
  auto svg = s.client().Get("/api/export.json");
  ASSERT_TRUE(svg);
  EXPECT_EQ(json::parse(svg->body)["arts"].size(), 24u);
}

TEST(Serve, OkSendsGoAndTheDocumentDownloads) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  ASSERT_EQ(s.event(token, R"({"type": "set", "id": 5, "value": 12})").first, 200);
  auto [status, done] = s.event(token, R"({"type": "confirm"})");
  ASSERT_EQ(status, 200);
  EXPECT_TRUE(done["dialog"].is_null());
  EXPECT_EQ(done["host"]["lastMessage"]["name"], "Go") << "the answer waits for Go";
  EXPECT_EQ(done["document"]["arts"], 12) << "Go keeps the last preview";
  EXPECT_EQ(done["record"]["previewValid"], 0);

  EXPECT_EQ(s.event(token, press(kTumble)).first, 400) << "no dialog to press in";
  auto [applied, after] = s.event(token, R"({"type": "apply"})");
  ASSERT_EQ(applied, 200);
  EXPECT_EQ(after["document"]["arts"], 24) << "apply again draws the stored record once more";

  httplib::Client c = s.client();
  auto svg = c.Get("/api/export.svg");
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg->get_header_value("Content-Type").rfind("image/svg+xml", 0), 0u);
  EXPECT_EQ(svg->get_header_value("Content-Encoding"), "") << "not compressed on loopback";
  EXPECT_NE(svg->get_header_value("Content-Disposition").find("attachment"), std::string::npos);
  size_t paths = 0;
  for (size_t at = svg->body.find("<path "); at != std::string::npos; at = svg->body.find("<path ", at + 1)) ++paths;
  EXPECT_EQ(paths, 24u);
  auto doc = c.Get("/api/export.json");
  ASSERT_TRUE(doc);
  EXPECT_EQ(json::parse(doc->body)["arts"].size(), 24u);
  auto record = c.Get("/api/record.json");
  ASSERT_TRUE(record);
  EXPECT_EQ(json::parse(record->body)["burstCount"], 12);
  auto png = c.Get("/api/export.png");
  ASSERT_TRUE(png);
  if (png->status == 200) {
    EXPECT_EQ(png->body.substr(1, 3), "PNG");
  }
  auto page = c.Get("/");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("app.js"), std::string::npos) << "the page is built in";
}

// Each download of a design carries what made it: `render --from` gives the same document back,
// and `apply` on the downloaded record too, also after Tumble and Shuffle have moved the random
// source on. A document that holds more than one filter run, or was changed since, carries
// nothing rather than a description it does not match.
TEST(Serve, DownloadsCarryTheDesignAndReopenAsTheSameDocument) {
  Server s({"--seed", "3"});
  std::string token = s.token();
  ASSERT_EQ(s.event(token, R"({"type": "set", "id": 5, "value": 12})").first, 200);
  ASSERT_EQ(s.event(token, press(kTumble)).first, 200);
  ASSERT_EQ(s.event(token, press(kShuffle)).first, 200);
  ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);

  httplib::Client c = s.client();
  auto download = [&](const std::string& what, const std::string& name) {
    auto res = c.Get("/api/export." + what);
    if (!res || res->status != 200) throw std::runtime_error("GET /api/export." + what + " failed");
    fs::path p = scratchDir() / (name + "-" + std::to_string(getpid()) + "." + what);
    std::ofstream(p, std::ios::binary) << res->body;
    return p;
  };
  auto bytes = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  // stderr of the command into `err`, and its exit status.
  auto flarimond = [](const std::string& args, const fs::path& err) {
    std::string cmd = std::string(kProgram) + " " + args + " 2>" + err.string();
    return std::system(cmd.c_str());
  };
  fs::path served = download("json", "served");
  std::vector<std::string> formats = {"json", "svg"};
  if (c.Get("/api/export.png")->status == 200) formats.push_back("png");
  for (const std::string& what : formats) {
    SCOPED_TRACE(what);
    fs::path file = download(what, "design");
    fs::path again = scratchDir() / ("again-" + std::to_string(getpid()) + ".json");
    fs::path err = scratchDir() / "render-from.err";
    ASSERT_EQ(flarimond("render --from " + file.string() + " -o " + again.string(), err), 0) << bytes(err);
    EXPECT_EQ(bytes(again), bytes(served)) << "the design reopened is not the document downloaded";
  }

  auto record = c.Get("/api/record.json");
  ASSERT_TRUE(record && record->status == 200);
  fs::path recordFile = scratchDir() / ("record-" + std::to_string(getpid()) + ".json");
  std::ofstream(recordFile, std::ios::binary) << record->body;
  fs::path applied = scratchDir() / ("applied-" + std::to_string(getpid()) + ".json");
  fs::path applyErr = scratchDir() / "apply.err";
  ASSERT_EQ(flarimond("apply --params " + recordFile.string() + " -o " + applied.string(), applyErr), 0)
      << bytes(applyErr);
  EXPECT_EQ(bytes(applied), bytes(served)) << "the record downloaded does not draw the design again";

  ASSERT_EQ(s.event(token, R"({"type": "apply"})").first, 200);  // a second design beside the first
  fs::path both = download("json", "both");
  EXPECT_FALSE(json::parse(bytes(both)).contains("design"));
  fs::path err = scratchDir() / "inspect.err";
  EXPECT_NE(flarimond("inspect " + both.string(), err), 0);
  EXPECT_NE(bytes(err).find("carries no design"), std::string::npos) << bytes(err);
}

std::string fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program with `args` (stderr into scratch); its exit status.
int runProgram(const std::string& args) {
  std::string cmd = std::string("'") + kProgram + "' " + args + " 2>'" + (scratchDir() / "run.err").string() + "'";
  return std::system(cmd.c_str());
}

// A download of the served document, as bytes.
std::string exported(const Server& s, const std::string& what) {
  auto res = s.client().Get("/api/export." + what);
  if (!res || res->status != 200) throw std::runtime_error("GET /api/export." + what + " failed");
  return res->body;
}

// POST /api/open as the page's Open sends a file.
std::pair<int, json> openFile(const Server& s, const std::string& token, const fs::path& file,
                              const std::string& query = "") {
  httplib::Headers h{{"X-Flarimond-Token", token}};
  auto res = s.client().Post("/api/open?name=" + file.filename().string() + query, h, fileBytes(file),
                             "application/octet-stream");
  if (!res) throw std::runtime_error("POST /api/open failed");
  return {res->status, json::parse(res->body)};
}

// A Tumble sheet's tile k is the page's k presses of Tumble, one by one, with the same locks: what
// OK draws after them is what `render --from` draws from the tile, byte for byte. The locks hold a
// plain field and the factor member the factor popup shows (Tumble changes both).
TEST(Serve, ATumbleSheetsTilesAreThePagesTumblesWithItsLocks) {
  const fs::path dir = scratchDir() / ("tumbles-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path sheet = dir / "sheet.svg", tile = dir / "tile.json";
  ASSERT_EQ(runProgram("sheet --seed 4 --set factorMode=1 --vary tumble=1..3 --lock burstCount,fillFactorPerElement "
                       "--tile 32 -o '" +
                       sheet.string() + "'"),
            0);
  const fl::DialogItem* factorPopup = fl::controlOf(offsetof(BurstParams, factorMode));
  const fl::DialogItem* fillFactor = fl::controlOf(offsetof(BurstParams, fillFactorPerStar));
  ASSERT_TRUE(factorPopup && fillFactor);
  const auto item = [](const char* type, int32_t id, int value) {
    return std::string(R"({"type": ")") + type + R"(", "id": )" + std::to_string(id) + R"(, "value": )" +
           std::to_string(value) + "}";
  };
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE("tile " + std::to_string(k));
    Server s({"--seed", "4"});
    std::string token = s.token();
    ASSERT_EQ(s.event(token, press(fl::pageTab(factorPopup->page))).first, 200);
    ASSERT_EQ(s.event(token, item("choose", factorPopup->id, 1)).first, 200);
    ASSERT_EQ(s.event(token, item("lock", 5, 1)).first, 200);
    ASSERT_EQ(s.event(token, item("lock", fillFactor->id, 1)).second["history"]["locks"],
              json::array({"burstCount", "fillFactorPerElement"}));
    for (int i = 0; i < k; ++i) ASSERT_EQ(s.event(token, press(kTumble)).first, 200);
    ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);
    const std::string drawn = exported(s, "json");
    ASSERT_EQ(runProgram("render --from '" + sheet.string() + "' --tile " + std::to_string(k) + " -o '" +
                         tile.string() + "'"),
              0);
    EXPECT_EQ(json::parse(fileBytes(tile))["design"], json::parse(drawn)["design"]);
    EXPECT_TRUE(fileBytes(tile) == drawn) << "the tile's document is not the page's, byte for byte";
    const json record = json::parse(drawn)["design"]["record"];
    EXPECT_EQ(record["burstCount"], 10);
    EXPECT_EQ(record["fillFactorPerElement"], 100);
  }
}

// Undo and Redo that give back exactly the document the design drew keep the design on the
// downloads; so does the Undo of a second Apply. The state says whether they carry it.
TEST(Serve, UndoAndRedoThatGiveTheDrawnDocumentBackKeepItsDesign) {
  Server s({"--seed", "3"});
  std::string token = s.token();
  ASSERT_EQ(s.event(token, press(kTumble)).first, 200);
  auto [status, done] = s.event(token, R"({"type": "confirm"})");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(done["document"]["design"], true);
  const std::string drawn = exported(s, "json");
  ASSERT_TRUE(json::parse(drawn).contains("design"));

  struct Step {
    const char* event;
    bool design;
  };
  for (const Step& step : {Step{"undo", false}, Step{"redo", true}, Step{"apply", false}, Step{"undo", true},
                           Step{"redo", false}, Step{"undo", true}}) {
    SCOPED_TRACE(step.event);
    auto [code, answer] = s.event(token, std::string(R"({"type": ")") + step.event + R"("})");
    ASSERT_EQ(code, 200) << answer.dump().substr(0, 200);
    EXPECT_EQ(answer["document"]["design"], step.design);
    const std::string now = exported(s, "json");
    EXPECT_EQ(json::parse(now).contains("design"), step.design);
    if (step.design) {
      EXPECT_EQ(now, drawn) << "the document and its design, as they were after OK";
    }
  }
}

// New: an empty document with the same options, nothing to undo; the record stays.
TEST(Serve, NewStartsAnEmptyDocument) {
  Server s({"--seed", "1", "--page", "500x400"});
  std::string token = s.token();
  auto [busy, why] = s.event(token, R"({"type": "new"})");
  EXPECT_EQ(busy, 400) << "a dialog is open: " << why.dump();
  ASSERT_EQ(s.event(token, R"({"type": "set", "id": 5, "value": 12})").first, 200);
  ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);
  ASSERT_EQ(s.event(token, R"({"type": "set", "id": 25, "value": 50})").first, 400) << "no dialog";

  const json before = s.state();
  const std::string held = std::to_string(before["document"]["revision"].get<uint64_t>());
  auto [status, fresh] = s.event(token, R"({"type": "new"})", {{"X-Flarimond-Revision", held}});
  ASSERT_EQ(status, 200) << fresh.dump();
  const json& doc = fresh["document"];
  EXPECT_EQ(doc["arts"], 0);
  EXPECT_EQ(doc["undo"], false) << "the old document's history went with it";
  EXPECT_EQ(doc["redo"], false);
  EXPECT_EQ(doc["page"], before["document"]["page"]);
  EXPECT_TRUE(doc["change"].is_null()) << "a page holding the old document needs every art again";
  EXPECT_GT(doc["revision"].get<uint64_t>(), before["document"]["revision"].get<uint64_t>());
  EXPECT_EQ(fresh["record"]["burstCount"], 12) << "the record the host keeps stays";
  EXPECT_EQ(json::parse(exported(s, "json"))["arts"].size(), 0u);
  auto [opened, again] = s.event(token, R"({"type": "open"})");
  ASSERT_EQ(opened, 200);
  EXPECT_EQ(again["document"]["arts"], 12) << "the dialog opens on the kept record in the new document";
}

// A kept design opened with `serve --from` or the page's Open (POST /api/open) starts the dialog
// on its record, document options and random source: OK draws the design again, byte for byte
// what `render --from` gives. A parameter file gives its record and seed; a sheet its tiles.
TEST(Serve, FromAndOpenStartTheDialogOnAKeptDesign) {
  const fs::path dir = scratchDir() / ("kept-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path script = dir / "tumble.txt", svg = dir / "design.svg", again = dir / "again.json",
                 params = dir / "params.json", sheet = dir / "sheet.svg";
  std::ofstream(script) << "press " << kTumble << "\n";
  // Tumble moves the random source on (and the record): the design's drawing began after some
  // draws.
  ASSERT_EQ(runProgram("render --seed 3 --page 500x400 --set burstCount=12 --dialog-script '" + script.string() +
                       "' -o '" + svg.string() + "' --save-params '" + params.string() + "'"),
            0);
  ASSERT_EQ(runProgram("render --from '" + svg.string() + "' -o '" + again.string() + "'"), 0);
  ASSERT_EQ(runProgram("sheet --seed 2 --vary burstCount=8..9 -o '" + sheet.string() + "'"), 0);
  const std::string expected = fileBytes(again);
  // The record as the open dialog holds it: its run state is the dialog's own.
  auto withoutRunState = [](json record) {
    record.erase("finalRun");
    record.erase("previewValid");
    return record;
  };
  const json kept = withoutRunState(json::parse(expected)["design"]["record"]);

  {
    Server s({"--from", svg.string()});
    std::string token = s.token();
    json st = s.state();
    EXPECT_EQ(withoutRunState(st["record"]), kept);
    EXPECT_EQ(st["document"]["page"], json({{"width", 500.0}, {"height", 400.0}}));
    ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);
    EXPECT_EQ(exported(s, "json"), expected);
  }

  Server s({"--seed", "1"});
  std::string token = s.token();
  auto [inDialog, busy] = openFile(s, token, svg);
  EXPECT_EQ(inDialog, 400) << "a dialog is open: " << busy.dump();
  ASSERT_EQ(s.event(token, R"({"type": "cancel"})").first, 200);
  auto [notHolder, refused] = openFile(s, "not-the-token", svg);
  EXPECT_EQ(notHolder, 409);

  auto [status, opened] = openFile(s, token, svg);
  ASSERT_EQ(status, 200) << opened.dump().substr(0, 300);
  EXPECT_EQ(opened["dialog"]["kind"], "filter");
  EXPECT_EQ(opened["host"]["opened"]["name"], "design.svg");
  EXPECT_EQ(opened["document"]["page"], json({{"width", 500.0}, {"height", 400.0}}));
  EXPECT_EQ(withoutRunState(opened["record"]), kept);
  ASSERT_EQ(s.event(token, R"({"type": "confirm"})").first, 200);
  EXPECT_EQ(exported(s, "json"), expected) << "OK drew the kept design again";

  // A parameter file: its record and its seed, in a document with the options of the one it
  // replaces (the design's page here).
  ASSERT_EQ(s.event(token, R"({"type": "new"})").first, 200);
  auto [paramStatus, fromParams] = openFile(s, token, params);
  ASSERT_EQ(paramStatus, 200) << fromParams.dump().substr(0, 300);
  EXPECT_EQ(fromParams["host"]["opened"]["design"], false);
  EXPECT_EQ(fromParams["document"]["page"], json({{"width", 500.0}, {"height", 400.0}}));
  EXPECT_EQ(fromParams["host"]["seed"], 3);
  EXPECT_EQ(withoutRunState(fromParams["record"]), kept);
  ASSERT_EQ(s.event(token, R"({"type": "cancel"})").first, 200);

  // A sheet names its tiles.
  auto [sheetStatus, which] = openFile(s, token, sheet);
  EXPECT_EQ(sheetStatus, 400);
  EXPECT_EQ(which["tiles"], json::array({1, 2})) << which.dump();
  auto [tileStatus, tile] = openFile(s, token, sheet, "&tile=2");
  ASSERT_EQ(tileStatus, 200) << tile.dump().substr(0, 300);
  EXPECT_EQ(tile["record"]["burstCount"], 9);
  ASSERT_EQ(s.event(token, R"({"type": "cancel"})").first, 200);

  // What cannot be opened is refused by the name the page gave it, and changes nothing.
  const json before = visible(s.state());
  const fs::path bad = dir / "not-a-design.svg";
  std::ofstream(bad) << "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
  auto [badStatus, badWhy] = openFile(s, token, bad);
  EXPECT_EQ(badStatus, 400);
  const std::string error = badWhy["error"];
  EXPECT_EQ(error.rfind("not-a-design.svg: ", 0), 0u) << error;
  EXPECT_EQ(error.find(dir.string()), std::string::npos) << error;
  EXPECT_EQ(visible(s.state()), before);
}

// A client that asks for a download and then stops reading, as a slow or stalled browser would:
// the server cannot finish sending while it holds the connection.
class StalledDownload {
 public:
  StalledDownload(int port, const std::string& path) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;  // a small window that does not grow: the server soon has to wait
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) throw std::runtime_error("connect");
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    if (write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
      throw std::runtime_error("write");
    // The head and the first bytes of the body: from here on the export is under way.
    size_t end;
    while ((end = received_.find("\r\n\r\n")) == std::string::npos || received_.size() < end + 64) {
      char buf[1024];
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      received_.append(buf, static_cast<size_t>(n));
    }
  }
  ~StalledDownload() { close(fd_); }
  StalledDownload(const StalledDownload&) = delete;
  StalledDownload& operator=(const StalledDownload&) = delete;

  const std::string& received() const { return received_; }

 private:
  int fd_ = -1;
  std::string received_;
};

TEST(Serve, ExportsAreWrittenOffThePluginThread) {
  // 105,000 arts: their JSON (about 46 MB) is far more than the connection holds unread.
  fs::path params = scratchDir() / ("large-" + std::to_string(getpid()) + ".json");
  std::string make = std::string("'") + kProgram + "' render -o '" + (scratchDir() / "large.json").string() +
                     "' --seed 1 --set starCount=100 --set burstCount=150 --set dropShadow=1 --set sketchRepeats=5"
                     " --save-params '" +
                     params.string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  Server s({"--seed", "1", "--params", params.string()});
  std::string token = s.token();
  ASSERT_EQ(s.state()["document"]["arts"], 105000) << "the dialog opens with its preview";

  {
    StalledDownload slow(s.port(), "/api/export.json");
    ASSERT_EQ(slow.received().rfind("HTTP/1.1 200", 0), 0u) << slow.received().substr(0, 200);
    EXPECT_NE(slow.received().find("{\"page\""), std::string::npos);
    // The plug-in thread answers while the export waits for its reader, and says so.
    json st = s.state();
    EXPECT_EQ(st["host"]["exports"], 1);
    auto [status, changed] = s.event(token, R"({"type": "page", "page": 2})");
    EXPECT_EQ(status, 200) << changed.dump().substr(0, 200);
    EXPECT_EQ(changed["host"]["exports"], 1);
  }

  // The record download is a stored record: the open dialog's preview is not part of it.
  ASSERT_EQ(s.state()["record"]["previewValid"], 1);
  auto record = s.client().Get("/api/record.json");
  ASSERT_TRUE(record);
  EXPECT_EQ(json::parse(record->body)["previewValid"], 0);
}

TEST(Serve, ErrorDialogAndAboutBoxAreTheHostsModalDialogs) {
  // A record without preview: Go draws, and its first new art fails.
  fs::path params = scratchDir() / ("no-preview-" + std::to_string(getpid()) + ".json");
  std::string make = std::string("'") + kProgram + "' render -o '" + (scratchDir() / "x.json").string() +
                     "' --seed 1 --set preview=0 --save-params '" + params.string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  Server s({"--seed", "1", "--params", params.string(), "--fail", "art.newArt=SEGM"});
  std::string token = s.token();
  ASSERT_EQ(s.state()["document"]["arts"], 0);

  auto [status, failed] = s.event(token, R"({"type": "confirm"})");
  ASSERT_EQ(status, 200);
  const json& d = failed["dialog"];
  ASSERT_EQ(d["kind"], "error") << failed.dump().substr(0, 400);
  EXPECT_EQ(d["message"], "The filter cannot complete because a layer is locked or invisible.");
  EXPECT_EQ(d["code"], "SEGM");
  EXPECT_EQ(failed["host"]["running"], "Go");
  EXPECT_EQ(s.event(token, R"({"type": "apply"})").first, 400) << "the error dialog is modal";
  auto [closed, after] = s.event(token, R"({"type": "press", "id": 1})");
  ASSERT_EQ(closed, 200);
  EXPECT_TRUE(after["dialog"].is_null());
  EXPECT_EQ(after["host"]["lastMessage"]["text"], "'SEGM'");

  auto [shown, about] = s.event(token, R"({"type": "about"})");
  ASSERT_EQ(shown, 200);
  ASSERT_EQ(about["dialog"]["kind"], "about");
  EXPECT_EQ(about["dialog"]["lines"][0], "Flarimond");
  auto [ok, gone] = s.event(token, R"({"type": "confirm"})");
  EXPECT_EQ(ok, 200);
  EXPECT_TRUE(gone["dialog"].is_null());
}

// Clients that send their request a byte a second, as many as the server allows connections and
// more: none of them may keep the driving tab waiting. Every one stays connected and keeps
// sending while the tab works, so a server that gives them its threads until they finish never
// answers the tab; the bound on the tab's answers is generous, for a loaded machine.
TEST(Serve, SlowClientsCannotStarveTheDrivingTab) {
  Server s({"--seed", "1"});
  constexpr int kSlow = 300;  // more than the server keeps open at once (256)
  std::vector<int> slow;
  const std::string start = "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(s.port()) + "\r\nX-Slow: ";
  for (int i = 0; i < kSlow; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(s.port()));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0) << i;
    ASSERT_EQ(send(fd, start.data(), start.size(), MSG_NOSIGNAL), static_cast<ssize_t>(start.size()));
    slow.push_back(fd);
  }
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::thread trickle([&] {
    std::unique_lock lock(m);
    while (!cv.wait_for(lock, 1s, [&] { return done; }))
      for (int fd : slow) send(fd, "x", 1, MSG_NOSIGNAL);  // pacing a slow client, not synchronisation
  });

  httplib::Client c("127.0.0.1", s.port());
  c.set_connection_timeout(10, 0);
  c.set_read_timeout(10, 0);
  double worst = 0;
  auto timed = [&](auto&& request) {
    auto t0 = std::chrono::steady_clock::now();
    auto res = request();
    worst = std::max(worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    return res;
  };
  auto claimed = timed([&] { return c.Post("/api/claim", "{}", "application/json"); });
  ASSERT_TRUE(claimed) << "the claim went unanswered";
  ASSERT_EQ(claimed->status, 200);
  std::string token = json::parse(claimed->body)["token"];
  for (int value : {12, 13, 14}) {
    auto res = timed([&] {
      return c.Post("/api/event", {{"X-Flarimond-Token", token}},
                    R"({"type": "set", "id": 5, "value": )" + std::to_string(value) + "}", "application/json");
    });
    ASSERT_TRUE(res) << "the event went unanswered";
    EXPECT_EQ(json::parse(res->body)["document"]["arts"], value);
  }
  RecordProperty("slowest_answer_ms", std::to_string(worst));

  // Room was made by closing the connections that had waited longest: at least the ones past
  // the cap are told so (an end of file) while they are still sending.
  int closed = 0;
  auto until = std::chrono::steady_clock::now() + 10s;
  std::vector<bool> ended(slow.size(), false);
  while (closed < kSlow - 256 && std::chrono::steady_clock::now() < until) {
    std::vector<pollfd> fds;
    for (int fd : slow) fds.push_back({fd, POLLIN, 0});
    poll(fds.data(), fds.size(), 100);
    for (size_t i = 0; i < fds.size(); ++i) {
      char b;
      if (!ended[i] && (fds[i].revents & (POLLIN | POLLHUP)) && recv(slow[i], &b, 1, MSG_DONTWAIT) <= 0) {
        ended[i] = true;
        ++closed;
      }
    }
  }
  EXPECT_GE(closed, kSlow - 256);
  {
    std::lock_guard lock(m);
    done = true;
  }
  cv.notify_one();
  trickle.join();
  for (int fd : slow) close(fd);
  EXPECT_EQ(s.stop(), 0);
}

TEST(Serve, SigtermCancelsTheOpenDialogAndStopsCleanly) {
  Server s({"--seed", "1"});
  std::string token = s.token();
  ASSERT_EQ(s.event(token, press(kTumble)).first, 200);
  EXPECT_EQ(s.stop(), 0);
  std::string err = s.stderrText();
  EXPECT_NE(err.find("the open dialog is cancelled"), std::string::npos) << err;
  EXPECT_NE(err.find("stopped"), std::string::npos) << err;
}

}  // namespace
