// The browser as the host's user: which tab drives the dialog (Claim), and the plug-in thread's
// side of `serve` (BrowserHost), which takes the server threads' requests one at a time and
// answers them. The thread model is described in serve.h.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "design_file.h"
#include "dialogs.h"
#include "document.h"
#include "host_run.h"
#include "params/burst_params.h"
#include "serve_events.h"
#include "serve_open.h"
#include "session.h"
#include "variant_history.h"

namespace fltools {

// One browser tab at a time works the dialog. The tab that claims it gets a token and sends it
// with everything it does; the claim lapses when the tab has been silent for the idle time, and
// then the plug-in thread cancels whatever dialog the tab left open.
class Claim {
 public:
  explicit Claim(std::chrono::steady_clock::duration idle) : idle_(idle) {}

  std::chrono::steady_clock::duration idle() const { return idle_; }

  // The token to drive with: the offered one when it still holds the claim, a new one when nobody
  // holds it; nullopt while another tab does.
  std::optional<std::string> claim(const std::string& offered) {
    std::lock_guard lock(m_);
    if (!holder_.empty() && offered != holder_) return std::nullopt;
    if (holder_.empty()) holder_ = newToken();
    released_ = false;
    lastSeen_ = std::chrono::steady_clock::now();
    return holder_;
  }

  enum class Check { Holder, Missing, Busy, Lapsed };
  // Whether the token holds the claim; the holder's requests keep the claim alive.
  Check check(const std::string& token) {
    std::lock_guard lock(m_);
    if (token.empty()) return Check::Missing;
    if (token != holder_) return holder_.empty() ? Check::Lapsed : Check::Busy;
    lastSeen_ = std::chrono::steady_clock::now();
    return Check::Holder;
  }

  // Releases a claim whose holder has been silent too long, or that its holder let go of with
  // no tab taking it since; true when it did.
  bool expire() {
    std::lock_guard lock(m_);
    if ((holder_.empty() && !released_) || std::chrono::steady_clock::now() - lastSeen_ < idle_) return false;
    holder_.clear();
    released_ = false;
    return true;
  }

  // A claim that no tab has taken yet lapses as a released one does: for a dialog that ends when
  // its user goes, a browser that never comes.
  void awaitFirstTab() {
    std::lock_guard lock(m_);
    if (!holder_.empty()) return;
    released_ = true;
    lastSeen_ = std::chrono::steady_clock::now();
  }

  bool held() {
    std::lock_guard lock(m_);
    return !holder_.empty();
  }

  // The holder lets go (its tab is closing): the next tab takes the dialog over as it is. Should
  // none come within the idle time, the claim expires as if the holder had gone quiet.
  bool release(const std::string& token) {
    std::lock_guard lock(m_);
    if (token.empty() || token != holder_) return false;
    holder_.clear();
    released_ = true;
    lastSeen_ = std::chrono::steady_clock::now();
    return true;
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
  std::chrono::steady_clock::duration idle_;
  std::string holder_;
  bool released_ = false;  // let go of, and not claimed since
  std::chrono::steady_clock::time_point lastSeen_{};
};

// An answer to one request, made on the plug-in thread and sent by the server thread.
struct Reply {
  int status = 200;
  std::optional<nlohmann::json> data;  // dumped as the body when set
  std::string body;
  std::string contentType = "application/json; charset=utf-8";
  std::string filename;  // a download's name
  // An export's answer: a copy of the document for the server thread to write, and what made
  // the design in it when that is known.
  std::shared_ptr<const flhost::Document> document;
  std::optional<DesignRecord> design;
  double hostMs = -1;  // how long the plug-in thread spent on it, from taking it to answering
};

inline Reply errorReply(int status, const std::string& why) {
  Reply r;
  r.status = status;
  r.data = nlohmann::json{{"error", why}};
  return r;
}

struct Job {
  enum class Kind { State, Event, Export, Geometry, Open } kind = Kind::State;
  BrowserEvent event;
  std::string what;  // Export: svg, png, json (answered with a copy of the document), record
  // Open: a kept file the page sent (`file`, named `name` in messages), and which tile of a sheet.
  std::filesystem::path file;
  std::string name;
  std::optional<int> tile;
  // The document revision the page holds (X-Flarimond-Revision): the answer carries the change
  // since, and Geometry gives only the arts changed since.
  std::optional<uint64_t> since;
  // The newest variant of the history the page holds (X-Flarimond-History): the answer lists only
  // those after it.
  std::optional<uint64_t> historyHeld;
  // The page reads its answers as geometry (documentGeometryBytes) with the state in the header,
  // rather than as the state's JSON alone.
  bool geometryAnswer = false;
  std::string claimWord;  // GET /api/state: the state's "claim", as the asking tab sees it
  std::promise<Reply> answer;
  bool answered = false;
  std::chrono::steady_clock::time_point taken{};  // by the plug-in thread
  // The claim of the tab that sent it, renewed when it is answered: an answer that took longer
  // than the idle time must not make its tab look gone.
  Claim* claim = nullptr;
  std::string token;

  void reply(Reply r) {
    if (answered) return;
    answered = true;
    if (claim) claim->check(token);
    if (taken != std::chrono::steady_clock::time_point{})
      r.hostMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - taken).count();
    answer.set_value(std::move(r));
  }
};
using JobPtr = std::unique_ptr<Job>;

// The user of every modal dialog is the browser; see serve.h for the threads.
class BrowserHost : public flhost::DialogDriver {
 public:
  // stopSignal is set (by a signal handler) when the program is to stop. `config` is what the
  // session was opened with: the downloads' designs name its document options and first draws
  // until the page opens a kept file.
  BrowserHost(flhost::Session& session, Claim& claim, const std::atomic<bool>& stopSignal, HostConfig config,
              OpenKept open);

  // --- server threads

  Reply ask(std::unique_ptr<Job> job);

  void serverEnded() { serverEnded_ = true; }

  // Counts an export being written off the plug-in thread (the state's host.exports) for as
  // long as the returned holder lives.
  std::shared_ptr<void> countExport();

  // The pictures the page made of the history's variants.
  VariantPictures& pictures() { return pictures_; }

  // --- the plug-in thread

  // Sends a message and keeps its result for the state. A cancelled dialog is the user's choice,
  // not a failure, so it is kept as such.
  HostErr send(const char* name, HostErr (flhost::Session::*message)());

  // The user chose the filter: its dialog, then, when confirmed, the drawing.
  void runFilter();

  // The design the last OK drew into an empty document, while the document holds just that.
  std::optional<DesignRecord> drawnDesign();

  // Waits for the host's own commands between dialogs, until asked to stop.
  void runIdle();

  // Called from inside the plug-in's modal call: nothing may leave it by exception.
  void run(flhost::ModalSession& s) noexcept override;

  void alert(std::string_view text) noexcept override;

  // Answers what is left and refuses what comes later.
  void close();

 private:
  struct Frame {
    flhost::ModalSession* session;
    uint64_t serial;  // tells dialogs apart, since a new one may live where an old one did
  };
  struct Pending {
    JobPtr job;
    uint64_t serial = 0;  // the dialog the event went to, 0 for host commands
  };

  bool leaving() const { return stopping_ || abandoning_; }

  JobPtr next();

  // Runs a job's handling; a failure of ours (out of memory making a huge state, say) answers
  // the job, or the pending one it became, and leaves the host waiting as before.
  template <class F>
  void contain(JobPtr& job, F&& handle) noexcept;

  void answerPending() noexcept;

  void handleCommon(Job& job);

  // The job is answered when the host next waits for its user (answerPending).
  void hold(JobPtr& job, uint64_t serial = 0);

  // Undo or Redo of the host between dialogs.
  void undoRedo(Job& job, bool redo);

  // The host's New: an empty document with the same options.
  void newDocument(Job& job);

  // Opens the kept file the job carries: a new document with its options, its random source and
  // record, and the filter dialog on them. The job is answered when the dialog waits.
  void openKept(JobPtr& job);

  void handleInDialog(JobPtr& job, flhost::ModalSession& s);

  // The history's events in the filter dialog: bring a variant back, lock or let go of a field.
  void variantEvent(JobPtr& job, flhost::ModalSession& s);

  // Keeps the preview the filter dialog shows as the history's newest variant.
  void noteVariant(const flhost::ModalSession& s, std::string label);

  // How often the plug-in has asked for the document to be redrawn, and whether the filter
  // dialog's preview was drawn since it had asked that often.
  uint64_t redrawsAsked() const;
  bool previewDrawnSince(const flhost::ModalSession& s, uint64_t redraws) const;

  // {"first", "last", "current", "locks", "entries": the variants after `held`, or all}.
  nlohmann::json historyJson(std::optional<uint64_t> held) const;

  void handleIdle(JobPtr& job);

  std::optional<BurstParams> storedRecord() const;

  // The record the user would see: the filter dialog's live one while it is open, else the one
  // the host keeps between runs.
  std::optional<BurstParams> currentRecord() const;

  static nlohmann::json recordJson(const std::optional<BurstParams>& record);

  nlohmann::json dialogJson(const Frame& frame) const;

  // The document's counts, page, view, Undo and Redo, and with `change` (the geometry since a
  // revision the page holds) "change": {"since", "arts": slots changed or made, "removed": slots
  // emptied}, or null when the log no longer reaches back that far.
  nlohmann::json documentJson(const flhost::DocumentGeometry* change);

  // Builds the state once, with the variants the job's page does not hold; with `changedOnly`, an
  // event's answer in the dialog it went to holds only the items whose dump the event changed.
  // The answer is the state's JSON with the document's change since the revision the page holds,
  // or, when the page asks for geometry, the geometry of that change with the state in its header.
  Reply stateReply(const Job& job, bool changedOnly = false);

  Reply exportReply(const std::string& what);

  // Sends Go; when it draws into a document that held nothing before the filter run, notes what
  // made the design and the document revision it left.
  void go(bool fromEmpty);

  // Whether the document is exactly the one the design in drawn_ left, so that a download carries
  // that design: at its revision, or (between dialogs) with the same arts again, as an Undo and a
  // Redo, or a second Apply and its Undo, give it back. A document that holds more or less carries
  // none: opening it again would not give that document back.
  bool designHeld();
  // Notes the drawn document's digest before a host command may change it.
  void keepDrawnDigest();

  flhost::Session& session_;
  Claim& claim_;
  const std::atomic<bool>& stopSignal_;
  HostConfig config_;
  OpenKept open_;
  // The design the last finished Go into an empty document drew, the revision of the document it
  // left and, once that document may change, its digest (documentDigest).
  struct Drawn {
    uint64_t revision;
    DesignRecord design;
    std::optional<uint64_t> digest;
  };
  std::optional<Drawn> drawn_;
  std::optional<std::pair<uint64_t, bool>> heldAt_;  // designHeld's last answer by digest, by revision
  nlohmann::json opened_ = nullptr;                  // the kept file last opened: {"name", "design", "warnings"}

  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::unique_ptr<Job>> queue_;
  bool closed_ = false;
  std::atomic<bool> serverEnded_{false};
  std::atomic<int> exports_{0};

  // Owned by the plug-in thread.
  std::vector<Frame> frames_;  // the running dialogs, innermost last
  uint64_t serial_ = 0;
  std::optional<Pending> pending_;  // an event answered when the host next waits for its user
  bool stopping_ = false;
  bool abandoning_ = false;
  nlohmann::json lastMessage_ = nullptr;  // the last message that ended, with its result
  const char* running_ = nullptr;         // the message under way (Get Parameters while its dialog runs)
  std::vector<std::string> alerts_;
  std::string notice_;        // why the last dialog ended without its user, for the next tab
  uint64_t shownSerial_ = 0;  // the dialog whose items shownItems_ holds as last sent
  nlohmann::json shownItems_;
  VariantHistory history_;
  std::string openingLabel_ = "Dialog opened";  // what the next filter dialog's first preview is
  uint64_t redrawsBeforeDialog_ = 0;
  // The Tumble whose values the dialog's record holds (see TumbleOrigin), for the variants made.
  std::optional<TumbleOrigin> tumbleOrigin_;
  VariantPictures pictures_;
};

}  // namespace fltools
