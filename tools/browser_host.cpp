#include "browser_host.h"

#include <cstring>
#include <iostream>
#include <sstream>

#include "adm_dialog_suite.h"
#include "cli_options.h"
#include "dialog/dialog_layout.h"
#include "dialog_actions.h"
#include "dialog_script.h"
#include "export.h"
#include "page_contract.h"
#include "param_file.h"
#include "shell/module_ids.h"

namespace fltools {

namespace {

using json = nlohmann::json;

using fl::kAboutDialogId;
using fl::kErrorDialogId;
using fl::kFilterDialogId;
using fl::kUserCancelled;
// How long a request waits for the plug-in thread: a design of millions of paths takes minutes to
// draw, and the browser would rather wait than be told a half-truth.
constexpr auto kAnswerBound = std::chrono::minutes(10);
// How often the waiting plug-in thread looks at the signal flag and the claim's clock.
constexpr auto kTick = std::chrono::milliseconds(100);

// A digest of the arts in paint order: their segments, paint, opacity, named style and whether
// they are closed. Two documents with the same digest hold the same design for a download to
// describe; it is not a defence against anyone.
uint64_t documentDigest(const flhost::Document& doc) {
  uint64_t h = 0x243F6A8885A308D3ull;
  auto mix = [&](const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t at = 0; at < size; at += 8) {
      uint64_t word = 0;
      std::memcpy(&word, bytes + at, std::min<size_t>(8, size - at));
      h = (h ^ word) * 0x9E3779B97F4A7C15ull;
      h ^= h >> 29;
    }
  };
  const uint64_t arts = doc.artCount();
  mix(&arts, sizeof arts);
  doc.forEachArt([&](const flhost::ArtView& art) {
    // Every member of these records is four bytes wide: no padding is read.
    const uint64_t count = art.segments.size();
    const int32_t flags[3] = {art.closed ? 1 : 0, art.artStyle, 0};
    mix(&count, sizeof count);
    mix(art.segments.data(), art.segments.size_bytes());
    mix(&art.style, sizeof art.style);
    mix(&art.opacity, sizeof art.opacity);
    mix(flags, sizeof flags);
  });
  return h;
}

}  // namespace

BrowserHost::BrowserHost(flhost::Session& session, Claim& claim, const std::atomic<bool>& stopSignal, HostConfig config,
                         OpenKept open)
    : session_(session), claim_(claim), stopSignal_(stopSignal), config_(std::move(config)), open_(std::move(open)) {}

Reply BrowserHost::ask(std::unique_ptr<Job> job) {
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

HostErr BrowserHost::send(const char* name, HostErr (flhost::Session::*message)()) {
  const char* outer = running_;
  running_ = name;
  HostErr result = (session_.*message)();
  running_ = outer;
  lastMessage_ = json{{"name", name},
                      {"result", result},
                      {"text", result == 0                ? "done"
                               : result == kUserCancelled ? "cancelled"
                                                          : codeText(result)}};
  if (result != 0 && result != kUserCancelled)
    std::cerr << "flarimond: the plug-in answered " << name << " with " << codeText(result) << "\n";
  return result;
}

void BrowserHost::runFilter() {
  const bool fromEmpty = session_.document().artCount() == 0;
  redrawsBeforeDialog_ = redrawsAsked();
  if (send("Get Parameters", &flhost::Session::getParameters) == 0 && !leaving()) {
    // The dialog's preview and the drawing are one filter run: one Undo takes back both.
    session_.document().joinNextCall();
    go(fromEmpty);
  }
}

void BrowserHost::go(bool fromEmpty) {
  // A Go that draws on top of the design leaves drawn_ as it is: its Undo gives the design back.
  if (send("Go", &flhost::Session::go) != 0 || !fromEmpty) return;
  if (std::optional<BurstParams> record = storedRecord()) {
    drawn_ = Drawn{session_.document().revision(), describeDesign(config_, session_, fltools::storedRecord(*record)),
                   std::nullopt};
    heldAt_.reset();
  }
}

std::optional<DesignRecord> BrowserHost::drawnDesign() {
  if (!designHeld()) return std::nullopt;
  return drawn_->design;
}

void BrowserHost::keepDrawnDigest() {
  if (drawn_ && !drawn_->digest && session_.document().revision() == drawn_->revision)
    drawn_->digest = documentDigest(session_.document());
}

bool BrowserHost::designHeld() {
  if (!drawn_) return false;
  const uint64_t revision = session_.document().revision();
  if (revision == drawn_->revision) return true;
  // A dialog's previews are never the design; between dialogs the arts are compared once for each
  // revision.
  if (!drawn_->digest || !frames_.empty()) return false;
  if (!heldAt_ || heldAt_->first != revision)
    heldAt_.emplace(revision, documentDigest(session_.document()) == *drawn_->digest);
  return heldAt_->second;
}

void BrowserHost::runIdle() {
  for (;;) {
    abandoning_ = false;  // whatever the lapsed tab left open has been closed by now
    answerPending();
    if (stopping_) return;
    if (JobPtr job = next()) contain(job, [&] { handleIdle(job); });
  }
}

void BrowserHost::run(flhost::ModalSession& s) noexcept {
  frames_.push_back(Frame{&s, ++serial_});
  // The filter dialog opens on a preview of its record: the history's first variant of this run.
  if (s.resourceId() == kFilterDialogId && s.dialog().userData && previewDrawnSince(s, redrawsBeforeDialog_)) {
    try {
      noteVariant(s, openingLabel_);
    } catch (const std::exception& e) {
      std::cerr << "flarimond: the history could not keep the dialog's first preview: " << e.what() << "\n";
    }
  }
  openingLabel_ = "Dialog opened";
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

void BrowserHost::alert(std::string_view text) noexcept {
  std::cerr << "Plug-in Alert: " << text << "\n";
  try {
    alerts_.push_back(std::string(text));
    if (alerts_.size() > 20) alerts_.erase(alerts_.begin());
  } catch (const std::exception&) {
    // The alert was printed; the page only misses it.
  }
}

void BrowserHost::close() {
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

JobPtr BrowserHost::next() {
  JobPtr job;
  {
    std::unique_lock lock(m_);
    cv_.wait_for(lock, kTick, [&] { return !queue_.empty(); });
    if (!queue_.empty()) {
      job = std::move(queue_.front());
      queue_.pop_front();
    }
  }
  if (job) job->taken = std::chrono::steady_clock::now();
  if ((stopSignal_ || serverEnded_) && !stopping_) {
    stopping_ = true;
    std::cerr << "flarimond: stopping" << (frames_.empty() ? "" : "; the open dialog is cancelled") << "\n";
  }
  if (claim_.expire() && !frames_.empty()) {
    abandoning_ = true;
    notice_ = "The dialog was cancelled: the browser tab that drove it sent nothing for " +
              std::to_string(std::chrono::duration_cast<std::chrono::seconds>(claim_.idle()).count()) +
              " seconds (closed or asleep). Its previews were undone and the record restored.";
    std::cerr << "flarimond: the browser went quiet; the open dialog is cancelled\n";
  }
  return job;
}

template <class F>
void BrowserHost::contain(JobPtr& job, F&& handle) noexcept {
  try {
    handle();
  } catch (const std::exception& e) {
    std::cerr << "flarimond: " << e.what() << "\n";
    Job* j = job ? job.get() : pending_ ? pending_->job.get() : nullptr;
    if (j) j->reply(errorReply(500, e.what()));
  }
}

void BrowserHost::answerPending() noexcept {
  if (!pending_) return;
  try {
    const bool sameDialog = pending_->serial != 0 && !frames_.empty() && frames_.back().serial == pending_->serial;
    pending_->job->reply(stateReply(*pending_->job, sameDialog));
  } catch (const std::exception& e) {
    pending_->job->reply(errorReply(500, e.what()));
  }
  pending_.reset();
}

void BrowserHost::handleCommon(Job& job) {
  if (job.kind == Job::Kind::State) {
    job.reply(stateReply(job));
  } else if (job.kind == Job::Kind::Geometry) {
    Reply r;
    r.body = flhost::documentGeometryBytes(flhost::documentGeometry(session_.document(), job.since));
    r.contentType = kGeometryType;
    job.reply(std::move(r));
  } else {
    job.reply(exportReply(job.what));
  }
}

void BrowserHost::hold(JobPtr& job, uint64_t serial) {
  pending_ = Pending{};
  pending_->serial = serial;
  pending_->job = std::move(job);
}

void BrowserHost::handleInDialog(JobPtr& job, flhost::ModalSession& s) {
  if (job->kind == Job::Kind::Open) return job->reply(errorReply(400, "a dialog is open: end it (OK or Cancel) first"));
  if (job->kind != Job::Kind::Event) return handleCommon(*job);
  if (job->event.op == BrowserEvent::Op::Variant || job->event.op == BrowserEvent::Op::Lock)
    return variantEvent(job, s);
  if (job->event.op != BrowserEvent::Op::Action)
    return job->reply(errorReply(400, "a dialog is open: end it (OK or Cancel) first"));
  const flhost::DialogAction& action = job->event.action;
  const bool filter = s.resourceId() == kFilterDialogId && s.dialog().userData;
  const std::optional<BurstParams> before = filter ? std::optional(liveRecord(s)) : std::nullopt;
  const uint64_t redraws = redrawsAsked();
  const bool press = action.kind == flhost::DialogAction::Kind::Press;
  const std::optional<TumbleOrigin> tumble =
      before && press && action.id == fl::kTumble
          ? std::optional(TumbleOrigin{session_.random().position(), before->factorMode})
          : std::nullopt;
  if (std::string why = s.apply(action); !why.empty()) return job->reply(errorReply(400, why));
  if (before && !s.ended()) {
    if (tumble) tumbleOrigin_ = tumble;
    // Tumble and Shuffle leave the locked fields as they were: the host sets them back, as the
    // user would type them.
    if (std::string why = keepLockedAfter(s, action, *before, history_.locks()); !why.empty())
      std::cerr << "flarimond: a locked field could not be set back: " << why << "\n";
    if (previewDrawnSince(s, redraws)) noteVariant(s, variantLabel(s, action, *before, liveRecord(s)));
  }
  hold(job, frames_.back().serial);
}

void BrowserHost::variantEvent(JobPtr& job, flhost::ModalSession& s) {
  if (s.resourceId() != kFilterDialogId || !s.dialog().userData)
    return job->reply(errorReply(400, "the history and the locks work in the filter dialog"));
  const flhost::DialogAction& a = job->event.action;
  if (job->event.op == BrowserEvent::Op::Lock) {
    const std::string field = lockableField(a.id, liveRecord(s).factorMode);
    if (field.empty()) return job->reply(errorReply(400, "item " + std::to_string(a.id) + " has no field to lock"));
    history_.setLock(field, a.value != 0);
    return hold(job, frames_.back().serial);
  }
  const Variant* v = a.id > 0 ? history_.find(static_cast<uint64_t>(a.id)) : nullptr;
  if (!v)
    return job->reply(errorReply(400, "no variant " + std::to_string(a.id) + " in the history (it keeps the newest " +
                                          std::to_string(VariantHistory::kMaxVariants) + ")"));
  if (std::string why = restoreVariant(s, *v, session_.random()); !why.empty())
    return job->reply(errorReply(400, "variant " + std::to_string(a.id) + " could not be brought back: " + why));
  // What OK then draws is that variant, from where the random source stood for it.
  config_.random.firstDraws = v->firstDraws;
  tumbleOrigin_ = v->tumble;
  history_.show(v->id);
  history_.setLocks(v->locks);
  hold(job, frames_.back().serial);
}

void BrowserHost::noteVariant(const flhost::ModalSession& s, std::string label) {
  Variant v;
  v.label = std::move(label);
  v.record = liveRecord(s);
  v.start = session_.random().drawingStartPosition();
  v.firstDraws = config_.random.firstDraws;
  v.locks = history_.locks();
  v.tumble = tumbleOrigin_;
  history_.add(std::move(v));
  pictures_.keep(history_.variants().front().id, history_.variants().back().id);
}

uint64_t BrowserHost::redrawsAsked() const { return session_.faults().count("document.redrawDocument"); }

bool BrowserHost::previewDrawnSince(const flhost::ModalSession& s, uint64_t redraws) const {
  // The plug-in asks for a redraw when it draws a preview and when it takes one back.
  return redrawsAsked() != redraws && liveRecord(s).previewValid != 0;
}

json BrowserHost::historyJson(std::optional<uint64_t> held) const {
  const auto& variants = history_.variants();
  json entries = json::array();
  for (const Variant& v : variants) {
    if (held && v.id <= *held) continue;
    entries.push_back({{"id", v.id}, {"label", v.label}, {"locks", v.locks}, {"picture", pictures_.has(v.id)}});
  }
  return {{"first", variants.empty() ? 0 : variants.front().id},
          {"last", variants.empty() ? 0 : variants.back().id},
          {"current", history_.current()},
          {"locks", history_.locks()},
          {"entries", std::move(entries)}};
}

void BrowserHost::undoRedo(Job& job, bool redo) {
  flhost::Document& doc = session_.document();
  if (!(redo ? doc.canRedo() : doc.canUndo()))
    return job.reply(errorReply(400, redo ? "nothing to redo" : "nothing to undo"));
  if (redo)
    doc.redo();
  else
    doc.undo();
  doc.redraw();
  lastMessage_ = json{{"name", redo ? "Redo" : "Undo"}, {"result", 0}, {"text", "done"}};
  job.reply(stateReply(job));
}

void BrowserHost::newDocument(Job& job) {
  session_.newDocument(session_.document().options());
  drawn_.reset();
  opened_ = nullptr;
  lastMessage_ = json{{"name", "New"}, {"result", 0}, {"text", "done"}};
  job.reply(stateReply(job));
}

void BrowserHost::openKept(JobPtr& job) {
  KeptStart start;
  try {
    start = open_(job->file, job->name, job->tile, session_.document().options());
  } catch (const KeptSheet& e) {
    Reply r = errorReply(400, e.what());
    (*r.data)["tiles"] = e.tiles;
    return job->reply(std::move(r));
  } catch (const ToolError& e) {
    return job->reply(errorReply(400, e.what()));
  }
  session_.newDocument(start.document);
  if (start.design) config_.document = start.config.document;  // a parameter file keeps the document's
  if (const RandomStart& kept = start.config.random; kept.seed) {
    // The random source of the design, where its drawing began; a parameter file gives its own.
    flhost::RandomSource& random = session_.random();
    random.reseed(*kept.seed);
    random.queueDraws(kept.firstDraws);
    random.skip(kept.drawsBefore);
    config_.random.seed = kept.seed;
    config_.random.firstDraws = kept.firstDraws;
  }
  std::vector<uint8_t> bytes(sizeof start.record);
  std::memcpy(bytes.data(), &start.record, sizeof start.record);
  session_.memory().setParameters(bytes);
  drawn_.reset();
  notice_.clear();
  opened_ = json{{"name", job->name}, {"design", start.design}, {"warnings", start.warnings}};
  for (const std::string& w : start.warnings) std::cerr << "flarimond: " << w << "\n";
  lastMessage_ = json{{"name", "Open"}, {"result", 0}, {"text", "done"}};
  openingLabel_ = "Opened " + job->name;
  tumbleOrigin_.reset();
  hold(job);
  runFilter();
}

void BrowserHost::handleIdle(JobPtr& job) {
  if (job->kind == Job::Kind::Open) return openKept(job);
  if (job->kind != Job::Kind::Event) return handleCommon(*job);
  keepDrawnDigest();
  switch (job->event.op) {
    case BrowserEvent::Op::Action:
      return job->reply(errorReply(400, "no dialog is open (send {\"type\": \"open\"} to open it)"));
    case BrowserEvent::Op::Apply:
      if (!storedRecord()) return job->reply(errorReply(400, "nothing to apply: the host holds no record yet"));
      hold(job);
      go(session_.document().artCount() == 0);
      return;
    case BrowserEvent::Op::Open:
      notice_.clear();
      hold(job);
      runFilter();
      return;
    case BrowserEvent::Op::About:
      hold(job);
      send("About", &flhost::Session::about);
      return;
    case BrowserEvent::Op::Undo:
    case BrowserEvent::Op::Redo:
      return undoRedo(*job, job->event.op == BrowserEvent::Op::Redo);
    case BrowserEvent::Op::New:
      return newDocument(*job);
    case BrowserEvent::Op::Variant:
    case BrowserEvent::Op::Lock:
      return job->reply(errorReply(400, "the history and the locks work in the filter dialog; none is open"));
  }
}

std::optional<BurstParams> BrowserHost::storedRecord() const {
  if (!session_.memory().hasParameters()) return std::nullopt;
  std::vector<uint8_t> bytes = session_.memory().parameters();
  if (bytes.size() != sizeof(BurstParams)) return std::nullopt;
  BurstParams p;
  std::memcpy(&p, bytes.data(), sizeof p);
  return p;
}

std::optional<BurstParams> BrowserHost::currentRecord() const {
  for (auto f = frames_.rbegin(); f != frames_.rend(); ++f)
    if (f->session->resourceId() == kFilterDialogId && f->session->dialog().userData)
      return *static_cast<const BurstParams*>(f->session->dialog().userData);
  return storedRecord();
}

json BrowserHost::recordJson(const std::optional<BurstParams>& record) {
  if (!record) return nullptr;
  try {
    return json::parse(paramsToJson(*record));
  } catch (const ToolError&) {
    return nullptr;  // a non-finite real, which JSON cannot hold
  }
}

json BrowserHost::dialogJson(const Frame& frame) const {
  const flhost::ModalSession& s = *frame.session;
  const bool filter = s.resourceId() == kFilterDialogId && s.dialog().userData;
  // The dump is the command line's --dump format; the record goes to the state's top level.
  json d = dialogDump(s);
  std::vector<const flhost::Item*> items = s.items();
  json& dumped = d["items"];
  for (size_t i = 0; i < items.size() && i < dumped.size(); ++i) {
    // A picture button with a tracker completes a pick on the document; the others are pressed.
    if (items[i]->kind == flhost::ItemKind::PictureButton) dumped[i]["pick"] = items[i]->trackProc != nullptr;
    if (items[i]->defaultButton) dumped[i]["default"] = true;
    // The filter's zoom box sets the host's view zoom and has no label of its own; the host
    // labels it beside the dialog's items.
    if (filter && items[i]->id == fl::kZoomItem) dumped[i]["hostLabel"] = "View zoom (%)";
    // The field a control edits, as it shows it now: the host's lock beside it holds that field.
    if (filter)
      if (std::string field = lockableField(items[i]->id, liveRecord(s).factorMode); !field.empty())
        dumped[i]["field"] = field;
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

json BrowserHost::documentJson(const flhost::DocumentGeometry* change) {
  const flhost::Document& doc = session_.document();
  HostRealPoint centre = doc.viewCentre();
  json d = {{"revision", doc.revision()},
            {"arts", doc.artCount()},
            {"page", {{"width", doc.pageWidth()}, {"height", doc.pageHeight()}}},
            {"view", {{"zoom", doc.viewZoom()}, {"centre", {centre.h, centre.v}}}},
            {"undo", doc.canUndo()},
            {"redo", doc.canRedo()},
            {"design", designHeld()}};
  if (change) {
    d["change"] = change->since ? json{{"since", *change->since}, {"arts", change->slots}, {"removed", change->removed}}
                                : json(nullptr);
  }
  return d;
}

Reply BrowserHost::stateReply(const Job& job, bool changedOnly) {
  json st;
  if (frames_.empty()) {
    st["dialog"] = nullptr;
    shownSerial_ = 0;
  } else {
    json d = dialogJson(frames_.back());
    json& items = d["items"];
    const bool known = shownSerial_ == frames_.back().serial && shownItems_.size() == items.size();
    json changed = json::array(), changedItems = json::array();
    for (size_t i = 0; known && i < items.size(); ++i) {
      if (items[i] == shownItems_[i]) continue;
      changed.push_back(items[i]["id"]);
      changedItems.push_back(items[i]);
    }
    shownSerial_ = frames_.back().serial;
    shownItems_ = items;
    if (changedOnly && known) {
      st["changed"] = std::move(changed);
      items = std::move(changedItems);
      d["partial"] = true;
    }
    st["dialog"] = std::move(d);
  }
  // The geometry answer carries the change itself; the JSON one names what changed.
  std::optional<flhost::DocumentGeometry> change;
  if (job.since || job.geometryAnswer) change = flhost::documentGeometry(session_.document(), job.since);
  st["document"] = documentJson(change && !job.geometryAnswer ? &*change : nullptr);
  st["history"] = historyJson(job.historyHeld);
  st["record"] = recordJson(currentRecord());
  st["host"] = {{"seed", session_.random().seed()},
                {"running", running_ ? json(running_) : json(nullptr)},
                {"lastMessage", lastMessage_},
                {"alerts", alerts_},
                {"notice", notice_},
                {"opened", opened_},
                {"depth", frames_.size()},
                {"exports", exports_.load()}};
  if (!job.claimWord.empty()) st["claim"] = job.claimWord;
  Reply r;
  if (!job.geometryAnswer) {
    r.data = std::move(st);
    return r;
  }
  // Texts from the dialog may hold any bytes: those are shown as U+FFFD rather than failing.
  r.body =
      flhost::documentGeometryBytes(*change, "\"state\":" + st.dump(-1, ' ', false, json::error_handler_t::replace));
  r.contentType = kGeometryType;
  return r;
}

Reply BrowserHost::exportReply(const std::string& what) {
  Reply r;
  if (what != "record") {
    // A copy for the server thread to export: a design of hundreds of thousands of arts takes
    // seconds to write, and the plug-in thread answers everyone else meanwhile.
    r.document = std::make_shared<const flhost::Document>(session_.document());
    if (designHeld()) r.design = drawn_->design;
    return r;
  }
  std::optional<BurstParams> record = currentRecord();
  if (!record) return errorReply(404, "the host holds no record yet");
  // A download is a stored record: the live dialog's preview state belongs to this document only.
  // It keeps where the random source stood when the design's drawing began, so that apply draws
  // the same design again.
  RandomStart start{session_.random().seed(), config_.random.firstDraws, session_.random().drawingStart()};
  record->previewValid = 0;
  try {
    r.body = paramsToJson(*record, "record", &start);
  } catch (const ToolError& e) {
    return errorReply(500, e.what());
  }
  r.filename = "flarimond-record.json";
  return r;
}

std::shared_ptr<void> BrowserHost::countExport() {
  ++exports_;
  return std::shared_ptr<void>(nullptr, [this](void*) { --exports_; });
}

}  // namespace fltools
