#include "serve.h"

#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fstream>
#include <future>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "adm_dialog_suite.h"
#include "cli_options.h"
#include "dialog_actions.h"
#include "dialog_script.h"
#include "export.h"
#include "param_file.h"

namespace fltools {

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using Kind = flhost::DialogAction::Kind;

constexpr int32_t kFilterDialogId = flhost::ScriptDriver::kFilterDialogId;
constexpr int32_t kAboutDialogId = 16050;
constexpr int32_t kErrorDialogId = 16051;
constexpr HostErr kUserCancelled = HOST_FOURCC('S', 'T', 'O', 'P');
// An event is a few dozen bytes; anything near this is not from our page.
constexpr size_t kMaxEventBytes = 16 * 1024;
// How long a request waits for the plug-in thread: a design of millions of paths takes minutes to
// draw, and the browser would rather wait than be told a half-truth.
constexpr auto kAnswerBound = std::chrono::minutes(10);
// How often the waiting plug-in thread looks at the signal flag and the claim's clock.
constexpr auto kTick = std::chrono::milliseconds(100);
constexpr const char* kTokenHeader = "X-Flarimond-Token";
constexpr int kListenBacklog = 512;
constexpr size_t kServerThreads = 64;
// Past this many arts the state carries no picture: the SVG would be hundreds of megabytes, more
// than a page can draw after every change. The downloads still give the whole document.
constexpr size_t kMaxShownArts = 100000;

std::atomic<bool> gStopSignal{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

void onStopSignal(int) { gStopSignal = true; }

// ---- events

struct EventSyntax {
  const char* type;
  BrowserEvent::Op op;
  Kind kind;
  std::vector<const char*> keys;
};

const std::vector<EventSyntax>& eventSyntax() {
  using Op = BrowserEvent::Op;
  static const std::vector<EventSyntax> table = {
      {"set", Op::Action, Kind::Set, {"id", "value"}},
      {"check", Op::Action, Kind::Check, {"id", "value"}},
      {"choose", Op::Action, Kind::Choose, {"id", "value"}},
      {"press", Op::Action, Kind::Press, {"id"}},
      {"page", Op::Action, Kind::Page, {"page"}},
      {"pick", Op::Action, Kind::Pick, {"id", "x", "y"}},
      {"confirm", Op::Action, Kind::Confirm, {}},
      {"cancel", Op::Action, Kind::Cancel, {}},
      {"open", Op::Open, Kind::Confirm, {}},
      {"apply", Op::Apply, Kind::Confirm, {}},
      {"about", Op::About, Kind::Confirm, {}},
  };
  return table;
}

}  // namespace

std::optional<BrowserEvent> parseBrowserEvent(std::string_view body, std::string* why) {
  auto refuse = [&](std::string text) -> std::optional<BrowserEvent> {
    if (why) *why = std::move(text);
    return std::nullopt;
  };
  json j;
  try {
    j = json::parse(body);
  } catch (const json::parse_error& e) {
    std::string text = e.what();
    // nlohmann prefixes its own exception id, which tells the user nothing.
    if (size_t end = text.find("] "); text.rfind("[json.exception", 0) == 0 && end != std::string::npos)
      text = text.substr(end + 2);
    return refuse("malformed JSON: " + text);
  }
  if (!j.is_object()) return refuse("an event is a JSON object such as {\"type\": \"press\", \"id\": 111}");
  auto type = j.find("type");
  if (type == j.end() || !type->is_string()) return refuse("the event has no \"type\" text");
  const EventSyntax* syntax = nullptr;
  for (const EventSyntax& s : eventSyntax())
    if (type->get<std::string>() == s.type) syntax = &s;
  if (!syntax)
    return refuse("unknown event type \"" + type->get<std::string>() +
                  "\" (expected set, check, choose, press, page, pick, confirm, cancel, open, apply or about)");

  BrowserEvent event;
  event.op = syntax->op;
  event.action.kind = syntax->kind;
  event.action.origin = "browser";
  const std::string name = syntax->type;
  for (const auto& [key, value] : j.items()) {
    if (key == "type") continue;
    bool known = false;
    for (const char* k : syntax->keys) known = known || key == k;
    if (!known) return refuse("a \"" + name + "\" event has no key \"" + key + "\"");
  }
  for (const char* key : syntax->keys) {
    auto it = j.find(key);
    if (it == j.end()) return refuse("a \"" + name + "\" event needs \"" + key + "\"");
    if (!it->is_number()) return refuse("\"" + std::string(key) + "\" must be a number");
    double v = it->get<double>();
    if (!std::isfinite(v)) return refuse("\"" + std::string(key) + "\" must be a finite number");
    std::string_view k = key;
    if (k == "id" || k == "page") {
      if (v != std::trunc(v) || v < INT32_MIN || v > INT32_MAX)
        return refuse("\"" + std::string(key) + "\" must be a whole number of 32 bits");
      event.action.id = static_cast<int32_t>(v);
    } else if (k == "value") {
      event.action.value = v;
    } else if (k == "x") {
      event.action.x = v;
    } else {
      event.action.y = v;
    }
  }
  return event;
}

namespace {

// ---- who drives the dialog

// One browser tab at a time works the dialog. The tab that claims it gets a token and sends it
// with everything it does; the claim lapses when the tab has been silent for the idle time, and
// then the plug-in thread cancels whatever dialog the tab left open.
class Claim {
 public:
  explicit Claim(Clock::duration idle) : idle_(idle) {}

  // The token to drive with: the offered one when it still holds the claim, a new one when nobody
  // holds it; nullopt while another tab does.
  std::optional<std::string> claim(const std::string& offered) {
    std::lock_guard lock(m_);
    if (!holder_.empty() && offered != holder_) return std::nullopt;
    if (holder_.empty()) holder_ = newToken();
    lastSeen_ = Clock::now();
    return holder_;
  }

  enum class Check { Holder, Missing, Busy, Lapsed };
  // Whether the token holds the claim; the holder's requests keep the claim alive.
  Check check(const std::string& token) {
    std::lock_guard lock(m_);
    if (token.empty()) return Check::Missing;
    if (token != holder_) return holder_.empty() ? Check::Lapsed : Check::Busy;
    lastSeen_ = Clock::now();
    return Check::Holder;
  }

  // Releases a claim whose holder has been silent too long; true when it did.
  bool expire() {
    std::lock_guard lock(m_);
    if (holder_.empty() || Clock::now() - lastSeen_ < idle_) return false;
    holder_.clear();
    return true;
  }

  bool held() {
    std::lock_guard lock(m_);
    return !holder_.empty();
  }

 private:
  static std::string newToken() {
    std::random_device rd;
    std::string token;
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
      uint32_t bits = rd();
      for (int n = 0; n < 4; ++n, bits >>= 4) token += kHex[bits & 15];
    }
    return token;
  }

  std::mutex m_;
  Clock::duration idle_;
  std::string holder_;
  Clock::time_point lastSeen_{};
};

// ---- the plug-in thread

struct Reply {
  int status = 200;
  std::optional<json> data;  // dumped as the body when set
  std::string body;
  std::string contentType = "application/json";
  std::string filename;  // a download's name
};

Reply errorReply(int status, const std::string& why) {
  Reply r;
  r.status = status;
  r.data = json{{"error", why}};
  return r;
}

struct Job {
  enum class Kind { State, Event, Export } kind = Kind::State;
  BrowserEvent event;
  std::string what;  // Export: svg, png, json, record
  std::promise<Reply> answer;
  bool answered = false;

  void reply(Reply r) {
    if (answered) return;
    answered = true;
    answer.set_value(std::move(r));
  }
};
using JobPtr = std::unique_ptr<Job>;

// The user of every modal dialog is the browser; see serve.h for the threads.
class BrowserHost : public flhost::DialogDriver {
 public:
  BrowserHost(flhost::Session& session, Claim& claim, int pngWidth, bool transparent)
      : session_(session), claim_(claim), pngWidth_(pngWidth), transparent_(transparent) {}

  // --- server threads

  Reply ask(std::unique_ptr<Job> job) {
    std::future<Reply> answer = job->answer.get_future();
    {
      std::lock_guard lock(m_);
      if (closed_) return errorReply(503, "the server is shutting down");
      queue_.push_back(std::move(job));
    }
    cv_.notify_one();
    if (answer.wait_for(kAnswerBound) != std::future_status::ready)
      return errorReply(503, "the plug-in has been busy for too long; ask again later");
    return answer.get();
  }

  void serverEnded() { serverEnded_ = true; }

  // --- the plug-in thread

  // Sends a message and keeps its result for the state. A cancelled dialog is the user's choice,
  // not a failure, so it is kept as such.
  HostErr send(const char* name, HostErr (flhost::Session::*message)()) {
    const char* outer = running_;
    running_ = name;
    HostErr result = (session_.*message)();
    running_ = outer;
    lastMessage_ = json{{"name", name}, {"result", result}, {"text", result == 0 ? "done"
                                                                     : result == kUserCancelled ? "cancelled"
                                                                                                : codeText(result)}};
    if (result != 0 && result != kUserCancelled)
      std::cerr << "flarimond: the plug-in answered " << name << " with " << codeText(result) << "\n";
    return result;
  }

  // The user chose the filter: its dialog, then, when confirmed, the drawing.
  void runFilter() {
    if (send("Get Parameters", &flhost::Session::getParameters) == 0 && !leaving())
      send("Go", &flhost::Session::go);
  }

  // Waits for the host's own commands between dialogs, until asked to stop.
  void runIdle() {
    for (;;) {
      abandoning_ = false;  // whatever the lapsed tab left open has been closed by now
      answerPending();
      if (stopping_) return;
      if (JobPtr job = next()) contain(job, [&] { handleIdle(job); });
    }
  }

  // Called from inside the plug-in's modal call: nothing may leave it by exception.
  void run(flhost::ModalSession& s) noexcept override {
    frames_.push_back(Frame{&s, ++serial_});
    while (!s.ended()) {
      if (leaving()) {
        // The filter dialog's cancel restores the document; the others have only their OK.
        s.end(s.resourceId() == kFilterDialogId ? kDialogCancelId : kDialogOkId);
        break;
      }
      answerPending();
      if (JobPtr job = next()) contain(job, [&] { handleInDialog(job, s); });
    }
    frames_.pop_back();
  }

  void alert(std::string_view text) noexcept override {
    std::cerr << "Plug-in Alert: " << text << "\n";
    try {
      alerts_.push_back(std::string(text));
      if (alerts_.size() > 20) alerts_.erase(alerts_.begin());
    } catch (const std::exception&) {
      // The alert was printed; the page only misses it.
    }
  }

  // Answers what is left and refuses what comes later.
  void close() {
    stopping_ = true;  // a dialog the Shutdown message shows closes at once
    answerPending();
    std::deque<std::unique_ptr<Job>> left;
    {
      std::lock_guard lock(m_);
      closed_ = true;
      left.swap(queue_);
    }
    for (auto& job : left) job->reply(errorReply(503, "the server is shutting down"));
  }

 private:
  struct Frame {
    flhost::ModalSession* session;
    uint64_t serial;  // tells dialogs apart, since a new one may live where an old one did
  };
  struct Pending {
    JobPtr job;
    uint64_t serial = 0;  // the dialog the event went to, 0 for host commands
    json itemsBefore;
  };

  bool leaving() const { return stopping_ || abandoning_; }

  JobPtr next() {
    JobPtr job;
    {
      std::unique_lock lock(m_);
      cv_.wait_for(lock, kTick, [&] { return !queue_.empty(); });
      if (!queue_.empty()) {
        job = std::move(queue_.front());
        queue_.pop_front();
      }
    }
    if ((gStopSignal || serverEnded_) && !stopping_) {
      stopping_ = true;
      std::cerr << "flarimond: stopping" << (frames_.empty() ? "" : "; the open dialog is cancelled") << "\n";
    }
    if (claim_.expire() && !frames_.empty()) {
      abandoning_ = true;
      std::cerr << "flarimond: the browser went quiet; the open dialog is cancelled\n";
    }
    return job;
  }

  // Runs a job's handling; a failure of ours (out of memory making a huge state, say) answers
  // the job, or the pending one it became, and leaves the host waiting as before.
  template <class F>
  void contain(JobPtr& job, F&& handle) noexcept {
    try {
      handle();
    } catch (const std::exception& e) {
      std::cerr << "flarimond: " << e.what() << "\n";
      Job* j = job ? job.get() : pending_ ? pending_->job.get() : nullptr;
      if (j) j->reply(errorReply(500, e.what()));
    }
  }

  void answerPending() noexcept {
    if (!pending_) return;
    try {
      Reply reply;
      json st = state();
      if (pending_->serial != 0 && !frames_.empty() && frames_.back().serial == pending_->serial) {
        json changed = json::array();
        const json& before = pending_->itemsBefore;
        const json& after = st["dialog"]["items"];
        for (size_t i = 0; i < after.size() && i < before.size(); ++i)
          if (after[i] != before[i]) changed.push_back(after[i]["id"]);
        st["changed"] = changed;
      }
      reply.data = std::move(st);
      pending_->job->reply(std::move(reply));
    } catch (const std::exception& e) {
      pending_->job->reply(errorReply(500, e.what()));
    }
    pending_.reset();
  }

  void handleCommon(Job& job) {
    if (job.kind == Job::Kind::State) {
      Reply r;
      r.data = state();
      job.reply(std::move(r));
    } else {
      job.reply(exportReply(job.what));
    }
  }

  // The job is answered when the host next waits for its user (answerPending).
  void hold(JobPtr& job, uint64_t serial = 0, json itemsBefore = nullptr) {
    pending_ = Pending{};
    pending_->serial = serial;
    pending_->itemsBefore = std::move(itemsBefore);
    pending_->job = std::move(job);
  }

  void handleInDialog(JobPtr& job, flhost::ModalSession& s) {
    if (job->kind != Job::Kind::Event) return handleCommon(*job);
    if (job->event.op != BrowserEvent::Op::Action)
      return job->reply(errorReply(400, "a dialog is open: end it (OK or Cancel) first"));
    json before = dialogJson(frames_.back())["items"];
    if (std::string why = s.apply(job->event.action); !why.empty()) return job->reply(errorReply(400, why));
    hold(job, frames_.back().serial, std::move(before));
  }

  void handleIdle(JobPtr& job) {
    if (job->kind != Job::Kind::Event) return handleCommon(*job);
    switch (job->event.op) {
      case BrowserEvent::Op::Action:
        return job->reply(errorReply(400, "no dialog is open (send {\"type\": \"open\"} to open it)"));
      case BrowserEvent::Op::Apply:
        if (!storedRecord()) return job->reply(errorReply(400, "nothing to apply: the host holds no record yet"));
        hold(job);
        send("Go", &flhost::Session::go);
        return;
      case BrowserEvent::Op::Open:
        hold(job);
        runFilter();
        return;
      case BrowserEvent::Op::About:
        hold(job);
        send("About", &flhost::Session::about);
        return;
    }
  }

  std::optional<BurstParams> storedRecord() const {
    if (!session_.hasParameters()) return std::nullopt;
    std::vector<uint8_t> bytes = session_.parameters();
    if (bytes.size() != sizeof(BurstParams)) return std::nullopt;
    BurstParams p;
    std::memcpy(&p, bytes.data(), sizeof p);
    return p;
  }

  // The record the user would see: the filter dialog's live one while it is open, else the one
  // the host keeps between runs.
  std::optional<BurstParams> currentRecord() const {
    for (auto f = frames_.rbegin(); f != frames_.rend(); ++f)
      if (f->session->resourceId() == kFilterDialogId && f->session->dialog().userData)
        return *static_cast<const BurstParams*>(f->session->dialog().userData);
    return storedRecord();
  }

  static json recordJson(const std::optional<BurstParams>& record) {
    if (!record) return nullptr;
    try {
      return json::parse(paramsToJson(*record));
    } catch (const ToolError&) {
      return nullptr;  // a non-finite real, which JSON cannot hold
    }
  }

  json dialogJson(const Frame& frame) const {
    const flhost::ModalSession& s = *frame.session;
    const bool filter = s.resourceId() == kFilterDialogId && s.dialog().userData;
    // The dump is the command line's --dump format; its record is the filter's and goes to the
    // state's top level instead.
    json d = json::parse(dialogDumpJson(s, filter ? *static_cast<const BurstParams*>(s.dialog().userData)
                                                  : BurstParams{}));
    d.erase("record");
    std::vector<const flhost::Item*> items = s.items();
    json& dumped = d["items"];
    for (size_t i = 0; i < items.size() && i < dumped.size(); ++i) {
      // A picture button with a tracker completes a pick on the document; the others are pressed.
      if (items[i]->kind == flhost::ItemKind::PictureButton) dumped[i]["pick"] = items[i]->trackProc != nullptr;
      if (items[i]->defaultButton) dumped[i]["default"] = true;
    }
    d["serial"] = frame.serial;
    d["resourceId"] = s.resourceId();
    d["name"] = s.name();
    d["caption"] = s.caption();
    if (filter) {
      d["kind"] = "filter";
    } else if (s.resourceId() == kErrorDialogId) {
      d["kind"] = "error";
      const flhost::Item* message = s.item(2);
      const flhost::Item* code = s.item(3);
      d["message"] = message ? message->text : "";
      d["code"] = code ? code->text : "";
    } else if (s.resourceId() == kAboutDialogId) {
      d["kind"] = "about";
      json lines = json::array();
      for (const flhost::Item* item : items)
        if (item->kind == flhost::ItemKind::StaticText && !item->text.empty()) lines.push_back(item->text);
      d["lines"] = lines;
    } else {
      d["kind"] = "other";
    }
    return d;
  }

  json state() const {
    json st;
    st["dialog"] = frames_.empty() ? json(nullptr) : dialogJson(frames_.back());
    flhost::Document& doc = session_.document();
    json picture = nullptr;
    if (doc.artCount() <= kMaxShownArts) {
      std::ostringstream svg;
      flhost::writeDocumentSvg(doc, svg);
      picture = svg.str();
    }
    HostRealPoint centre = doc.viewCentre();
    st["document"] = {{"svg", std::move(picture)},
                      {"arts", doc.artCount()},
                      {"page", {{"width", doc.pageWidth()}, {"height", doc.pageHeight()}}},
                      {"view", {{"zoom", doc.viewZoom()}, {"centre", {centre.h, centre.v}}}}};
    st["record"] = recordJson(currentRecord());
    st["host"] = {{"seed", session_.random().seed()},
                  {"running", running_ ? json(running_) : json(nullptr)},
                  {"lastMessage", lastMessage_},
                  {"alerts", alerts_},
                  {"depth", frames_.size()}};
    return st;
  }

  Reply exportReply(const std::string& what) const {
    Reply r;
    std::ostringstream out;
    if (what == "svg") {
      flhost::writeDocumentSvg(session_.document(), out);
      r.contentType = "image/svg+xml";
      r.filename = "flarimond.svg";
    } else if (what == "json") {
      flhost::writeDocumentJson(session_.document(), out);
      r.filename = "flarimond.json";
    } else if (what == "png") {
#ifdef FLARIMOND_HAVE_CAIRO
      std::string why;
      if (!flhost::writeDocumentPng(session_.document(), out, pngWidth_, transparent_, &why))
        return errorReply(500, "the PNG could not be made: " + why);
      r.contentType = "image/png";
      r.filename = "flarimond.png";
#else
      return errorReply(404, "PNG export is not in this build (it needs cairo)");
#endif
    } else {
      std::optional<BurstParams> record = currentRecord();
      if (!record) return errorReply(404, "the host holds no record yet");
      try {
        out << paramsToJson(*record);
      } catch (const ToolError& e) {
        return errorReply(500, e.what());
      }
      r.filename = "flarimond-record.json";
    }
    r.body = out.str();
    return r;
  }

  flhost::Session& session_;
  Claim& claim_;
  int pngWidth_;
  bool transparent_;

  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::unique_ptr<Job>> queue_;
  bool closed_ = false;
  std::atomic<bool> serverEnded_{false};

  // Owned by the plug-in thread.
  std::vector<Frame> frames_;  // the running dialogs, innermost last
  uint64_t serial_ = 0;
  std::optional<Pending> pending_;  // an event answered when the host next waits for its user
  bool stopping_ = false;
  bool abandoning_ = false;
  json lastMessage_ = nullptr;  // the last message that ended, with its result
  const char* running_ = nullptr;  // the message under way (Get Parameters while its dialog runs)
  std::vector<std::string> alerts_;
};

// ---- HTTP

const char* contentTypeOf(const std::string& path) {
  auto ends = [&](std::string_view ext) { return path.size() >= ext.size() && path.ends_with(ext); };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".js")) return "text/javascript; charset=utf-8";
  if (ends(".css")) return "text/css; charset=utf-8";
  if (ends(".svg")) return "image/svg+xml";
  if (ends(".png")) return "image/png";
  return "application/octet-stream";
}

void send(httplib::Response& res, Reply reply) {
  res.status = reply.status;
  if (reply.data) reply.body = reply.data->dump() + "\n";
  if (!reply.filename.empty())
    res.set_header("Content-Disposition", "attachment; filename=\"" + reply.filename + "\"");
  res.set_header("Cache-Control", "no-store");
  res.set_content(std::move(reply.body), reply.contentType.c_str());
}

void refuse(httplib::Response& res, int status, const std::string& why) { send(res, errorReply(status, why)); }

// Whether the request may act as the tab that drives the dialog; answers it when not.
bool holderOnly(Claim& claim, const httplib::Request& req, httplib::Response& res) {
  switch (claim.check(req.get_header_value(kTokenHeader))) {
    case Claim::Check::Holder:
      return true;
    case Claim::Check::Missing:
      refuse(res, 400, std::string("no ") + kTokenHeader + " header: claim the dialog first (POST /api/claim)");
      return false;
    case Claim::Check::Busy:
      refuse(res, 409, "the dialog is busy: another browser tab drives it");
      return false;
    case Claim::Check::Lapsed:
      refuse(res, 409, "this tab's claim has lapsed (the dialog was cancelled); claim it again");
      return false;
  }
  return false;
}

void addRoutes(httplib::Server& server, BrowserHost& host, Claim& claim, int port, int idleSeconds,
               const std::filesystem::path& webDir) {
  // Only our own origin may talk to us: a page elsewhere that resolves its name to 127.0.0.1
  // still sends its own name as Host.
  std::vector<std::string> hosts = {"127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port)};
  if (port == 80) hosts.insert(hosts.end(), {"127.0.0.1", "localhost"});  // browsers leave out the default port
  server.set_pre_routing_handler([hosts](const httplib::Request& req, httplib::Response& res) {
    std::string h = req.get_header_value("Host");
    if (std::find(hosts.begin(), hosts.end(), h) != hosts.end()) return httplib::Server::HandlerResponse::Unhandled;
    refuse(res, 400, "unexpected Host \"" + h + "\": open " + hosts[0]);
    return httplib::Server::HandlerResponse::Handled;
  });
  server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.status == 413) {
      refuse(res, 400, "the request is too large");
    } else if (res.body.empty()) {
      std::string why = res.status == 404 ? "no such thing here: " + req.method + " " + req.path
                        : res.status == 400 ? "the request could not be read (a POST needs a body and its Content-Length)"
                                            : "the request was refused (HTTP " + std::to_string(res.status) + ")";
      refuse(res, res.status, why);
    }
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr e) {
    std::string why = "unknown error";
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      why = x.what();
    } catch (...) {
    }
    refuse(res, 500, why);
  });

  server.Get(R"(/([A-Za-z0-9_.-]*))", [webDir](const httplib::Request& req, httplib::Response& res) {
    std::string path = req.path == "/" ? "/index.html" : req.path;
    for (size_t i = 0; i < kWebAssetCount; ++i) {
      const WebAsset& a = kWebAssets[i];
      if (path != a.path) continue;
      res.set_header("Cache-Control", "no-cache");
      if (webDir.empty()) {
        res.set_content(std::string(reinterpret_cast<const char*>(a.data), a.size), a.contentType);
        return;
      }
      std::ifstream in(webDir / path.substr(1), std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      if (!in) return refuse(res, 404, "cannot read " + (webDir / path.substr(1)).string());
      res.set_content(text.str(), contentTypeOf(path));
      return;
    }
    refuse(res, 404, "no such thing here: GET " + req.path);
  });

  server.Get("/api/state", [&host, &claim](const httplib::Request& req, httplib::Response& res) {
    std::string token = req.get_header_value(kTokenHeader);
    // Anyone may look; the driving tab's looks keep its claim alive.
    Claim::Check who = claim.check(token);
    auto job = std::make_unique<Job>();
    Reply reply = host.ask(std::move(job));
    if (reply.status == 200 && reply.data)
      (*reply.data)["claim"] = who == Claim::Check::Holder ? "yours" : claim.held() ? "other" : "free";
    send(res, std::move(reply));
  });

  server.Post("/api/claim", [&claim, idleSeconds](const httplib::Request& req, httplib::Response& res) {
    // A JSON content type cannot be sent across origins without the browser asking us first,
    // which we never agree to: only our own page can claim.
    if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
      return refuse(res, 400, "a claim is sent as application/json");
    std::optional<std::string> token = claim.claim(req.get_header_value(kTokenHeader));
    if (!token) return refuse(res, 409, "the dialog is busy: another browser tab drives it");
    Reply r;
    r.data = json{{"token", *token}, {"idleTimeout", idleSeconds}};
    send(res, std::move(r));
  });

  server.Post("/api/event", [&host, &claim](const httplib::Request& req, httplib::Response& res) {
    if (req.body.size() > kMaxEventBytes)
      return refuse(res, 400, "the event is too large (" + std::to_string(req.body.size()) + " bytes; at most " +
                                  std::to_string(kMaxEventBytes) + ")");
    if (!holderOnly(claim, req, res)) return;
    std::string why;
    std::optional<BrowserEvent> event = parseBrowserEvent(req.body, &why);
    if (!event) return refuse(res, 400, why);
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Event;
    job->event = *event;
    send(res, host.ask(std::move(job)));
  });

  for (const char* what : {"svg", "png", "json"}) {
    server.Get(std::string("/api/export.") + what, [&host, &claim, what](const httplib::Request& req, httplib::Response& res) {
      claim.check(req.get_header_value(kTokenHeader));
      auto job = std::make_unique<Job>();
      job->kind = Job::Kind::Export;
      job->what = what;
      send(res, host.ask(std::move(job)));
    });
  }
  server.Get("/api/record.json", [&host](const httplib::Request&, httplib::Response& res) {
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Export;
    job->what = "record";
    send(res, host.ask(std::move(job)));
  });
}

int wholeNumber(const std::string& text, const char* option, long lo, long hi) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || errno != 0 || v < lo || v > hi)
    throw ToolError(std::string(option) + " \"" + text + "\": expected a whole number from " + std::to_string(lo) +
                    " to " + std::to_string(hi));
  return static_cast<int>(v);
}

// Installs the stop handlers for the life of the server and puts the old ones back after.
class StopSignals {
 public:
  StopSignals() {
    gStopSignal = false;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &oldInt_);
    sigaction(SIGTERM, &sa, &oldTerm_);
    // A browser that closes its connection early must not end the program.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipe_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    sigaction(SIGPIPE, &oldPipe_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction oldInt_ {}, oldTerm_ {}, oldPipe_ {};
};

}  // namespace

int serveDialog(const ServeArgs& args, const std::optional<BurstParams>& record, bool seedGiven,
                const std::function<std::unique_ptr<flhost::Session>()>& open) {
  int port = wholeNumber(args.port, "--port", 0, 65535);
  int idleSeconds = wholeNumber(args.idleTimeout, "--idle-timeout", 1, 86400);
  int pngWidth = parsePixelWidth(args.run.width);
  if (args.run.background != "white" && args.run.background != "transparent")
    throw ToolError("--background \"" + args.run.background + "\": expected white or transparent");
  if (!args.webDir.empty() && !std::filesystem::is_regular_file(args.webDir / "index.html"))
    throw ToolError("--web-dir " + displayPath(args.webDir) + ": no index.html there");

  httplib::Server server;
  // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, which would let a second server
  // share the port and take half of the browser's requests.
  socket_t listening = INVALID_SOCKET;
  server.set_socket_options([&listening](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = sock;
  });
  server.set_payload_max_length(1 << 20);
  // Each connection holds a worker while its request trickles in: the library's 8 workers let a
  // few slow clients make every other one wait. Idle workers cost next to nothing.
  server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
  // An idle browser connection holds a server thread, and stopping waits for it: keep them short.
  server.set_keep_alive_timeout(1);
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
    if (port < 0) throw ToolError("cannot listen on 127.0.0.1");
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    throw ToolError("--port " + args.port + ": cannot listen on 127.0.0.1:" + args.port + " (is it in use?)");
  }
  // The library listens with a backlog of 5 connections: a burst of a few hundred clients then
  // sees its connects dropped and retried by the kernel only seconds later. Listening again on
  // the bound socket only raises the backlog.
  if (listening != INVALID_SOCKET) ::listen(listening, kListenBacklog);

  std::unique_ptr<flhost::Session> session = open();
  if (!seedGiven) std::cerr << "seed: " << session->random().seed() << "\n";
  Claim claim{std::chrono::seconds(idleSeconds)};
  BrowserHost host(*session, claim, pngWidth, args.run.background == "transparent");
  session->dialogs().setDriver(&host);
  addRoutes(server, host, claim, port, idleSeconds, args.webDir);

  StopSignals signals;
  // The signals go to the plug-in thread, which looks at the flag while it waits; the server's
  // threads (made by this one) inherit a mask without them.
  sigset_t stop, old;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, &old);
  std::thread listener([&] {
    server.listen_after_bind();
    host.serverEnded();
  });
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  std::cout << "flarimond: the dialog is served at http://127.0.0.1:" << port << "/ (Ctrl-C stops)" << std::endl;

  int status = kExitOk;
  if (host.send("Startup", &flhost::Session::startup) == 0) {
    if (record) {
      std::vector<uint8_t> bytes(sizeof *record);
      std::memcpy(bytes.data(), &*record, sizeof *record);
      session->setParameters(bytes);
    }
    host.runFilter();  // as when the user chooses the filter from the host's menu
    host.runIdle();
  } else {
    status = kExitPluginError;
  }
  host.close();
  if (host.send("Shutdown", &flhost::Session::shutdown) != 0) status = kExitPluginError;
  server.stop();
  listener.join();
  session->dialogs().setDriver(nullptr);
  std::cerr << "flarimond: stopped\n";
  return status;
}

}  // namespace fltools
