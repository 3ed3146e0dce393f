#include "host_run.h"

#include <cstring>
#include <iostream>

#include "adm_dialog_suite.h"
#include "control_notes.h"
#include "faults.h"
#include "param_file.h"
#include "params/burst_fields.h"
#include "progress.h"
#include "swatch_file.h"
#include "variant_history.h"

namespace fltools {

namespace fs = std::filesystem;
using flhost::Session;

namespace {

using fl::kAboutDialogId;
using fl::kErrorDialogId;

// A --fail whose call never came is easy to mistake for a failure path that works; say so. The
// faults are set before the first message, so fewer than N calls means the Nth never came.
void noteUnfiredFaults(Session& session, const std::vector<FailSpec>& fails) {
  for (const FailSpec& f : fails) {
    uint64_t calls = session.faults().count(f.operation);
    if (calls < f.nth)
      diagnostics() << "flarimond: note: --fail " << f.operation << "@" << f.nth << " never fired (" << f.operation
                    << " was called " << calls << (calls == 1 ? " time)\n" : " times)\n");
  }
}

std::vector<uint8_t> hostBytes(const BurstParams& p) {
  std::vector<uint8_t> bytes(sizeof p);
  std::memcpy(bytes.data(), &p, sizeof p);
  return bytes;
}

// Whether Startup gave the host a filter to run. Without one (an empty category string) the host
// has no menu entry for it, so nothing may send Get Parameters or Go.
bool filterRegistered(const Session& session) {
  if (!session.filters().empty()) return true;
  std::cerr << "flarimond: the plug-in registered no filter (its category string is empty), so there is "
               "nothing to run\n";
  return false;
}

// Where an action came from, as messages name it: "--set fillSwatch=5", "script line 3: set 181 5".
std::string actionSource(const flhost::DialogAction& action) {
  if (!action.origin.empty()) return action.origin;
  return "script line " + std::to_string(action.line) + ": " + flhost::describeAction(action);
}

}  // namespace

User::User(std::vector<flhost::DialogAction> actions, bool printAbout, std::vector<std::string> locks)
    : driver_(fl::kFilterDialogId, std::move(actions)), printAbout_(printAbout), locks_(std::move(locks)) {
  driver_.onOtherDialog = [this](flhost::ModalSession& s) { seen(s); };
  driver_.onAlert = [](std::string_view text) { diagnostics() << "Plug-in Alert: " << text << "\n"; };
  driver_.beforeAction = [this](flhost::ModalSession& s, const flhost::DialogAction& a) { beforeAction(s, a); };
  if (!locks_.empty())
    driver_.afterAction = [this](flhost::ModalSession& s, const flhost::DialogAction& a) { afterAction(s, a); };
}

void User::beforeAction(flhost::ModalSession& s, const flhost::DialogAction& action) {
  using Kind = flhost::DialogAction::Kind;
  lastAction_ = action;
  lastRefusal_.clear();
  beforeAction_.reset();
  if (s.dialog().userData) beforeAction_ = liveRecord(s);
  bool onItem = action.kind != Kind::Confirm && action.kind != Kind::Cancel;
  const flhost::Item* item = onItem ? s.item(action.id) : nullptr;
  if (!item) return;
  const auto* record = static_cast<const BurstParams*>(s.dialog().userData);
  int32_t factorMode = record ? record->factorMode : 0;
  lastRefusal_ = refusalReason(*item, factorMode);
  if (!lastRefusal_.empty()) return;
  std::string note = clampNote(action, *item, factorMode);
  if (!note.empty()) diagnostics() << "flarimond: " << actionSource(action) << ": " << note << "\n";
}

void User::afterAction(flhost::ModalSession& s, const flhost::DialogAction& action) {
  if (!beforeAction_ || !lockFailure_.empty()) return;
  lockFailure_ = keepLockedAfter(s, action, *beforeAction_, locks_);
  if (lockFailure_.empty()) return;
  lockFailure_ = actionSource(action) + ": a locked field could not be set back: " + lockFailure_;
  s.end(kDialogCancelId);
}

void User::checkScript() const {
  if (!lockFailure_.empty()) throw ToolError(lockFailure_);
  if (!driver_.failed()) return;
  const std::string& error = driver_.error();
  bool refusedItem = error.ends_with(" is hidden") || error.ends_with(" is disabled");
  if (refusedItem && !lastRefusal_.empty()) throw ToolError(actionSource(lastAction_) + ": " + lastRefusal_);
  throw ToolError(error);
}

bool User::send(const char* message, const std::function<HostErr()>& call) {
  int before = errors_;
  HostErr result = call();
  if (result == 0) return true;
  if (errors_ == before)
    diagnostics() << "flarimond: the plug-in answered " << message << " with " << codeText(result) << "\n";
  return false;
}

void User::seen(flhost::ModalSession& s) {
  if (s.resourceId() == kErrorDialogId) {
    ++errors_;
    const flhost::Item* message = s.item(2);
    const flhost::Item* code = s.item(3);
    diagnostics() << "Plug-in Error: " << (message ? message->text : std::string()) << " ("
                  << (code ? code->text : std::string()) << ")\n";
  } else if (s.resourceId() == kAboutDialogId) {
    ++aboutBoxes_;
    if (!printAbout_) return;
    for (const flhost::Item* item : s.items())
      if (item->kind == flhost::ItemKind::StaticText && !item->text.empty()) std::cout << item->text << "\n";
  }
}

std::unique_ptr<Session> openSession(const HostConfig& config) {
  std::string why;
  std::unique_ptr<Session> session = Session::open(sessionOptions(config), &why);
  if (!session) {
    std::error_code ec;
    if (!fs::exists(config.module, ec)) why += " (give its path with --module or FLARIMOND_MODULE)";
    throw ToolError(why);
  }
  for (const FailSpec& f : config.fails) session->faults().failOn(f.operation, f.nth, f.code);
  return session;
}

HostRun runPlugin(const HostConfig& config, const RunPlan& plan) {
  HostRun run;
  run.session = openSession(config);
  Session& session = *run.session;
  User user(plan.actions, plan.printAbout, plan.locks);
  if (plan.prepareDriver) plan.prepareDriver(user.driver());
  session.dialogs().setDriver(&user.driver());
  if (plan.announceSeed) diagnostics() << "seed: " << session.random().seed() << "\n";

  bool ok = user.send("Startup", [&] { return session.startup(); });
  if (plan.afterStartup) plan.afterStartup(session);
  if (ok && (plan.getParameters || plan.go)) ok = filterRegistered(session);
  run.confirmed = true;
  if (ok) {
    if (plan.record) session.memory().setParameters(hostBytes(*plan.record));
    if (plan.getParameters) {
      HostErr e = 0;
      ok = user.send("Get Parameters", [&] {
        e = session.getParameters();
        return plan.acceptCancel && e == kUserCancelled ? 0 : e;
      });
      run.confirmed = e == 0;
    }
    if (ok && run.confirmed && plan.go) ok = user.send("Go", [&] { return session.go(); });
    if (ok && plan.about) ok = user.send("About", [&] { return session.about(); });
  }
  ok = user.send("Shutdown", [&] { return session.shutdown(); }) && ok;
  if (plan.noteUnfiredFaults) noteUnfiredFaults(session, config.fails);
  user.checkScript();
  run.ok = ok;
  run.aboutBoxes = user.aboutBoxesShown();
  return run;
}

BurstParams defaultRecord(const flhost::DocumentOptions& document) {
  BurstParams p{};
  HostRealPoint centre = flhost::Document(document).viewCentre();
  writeFieldDefaults(&p, centre.h, centre.v);
  return storedRecord(p);
}

BurstParams recordFromFile(const fs::path& path, HostConfig& config, const flhost::DocumentOptions& document,
                           std::ostream& notes) {
  ParamRecord file = readParamFile(path, static_cast<int32_t>(document.swatches.size()), notes);
  config.random = overlay(file.random, config.random);
  if (file.complete()) return storedRecord(file.params);
  std::vector<std::string> missing = file.missing();
  std::string names;
  for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
  notes << "flarimond: " << displayPath(path) << ": " << missing.size() << " of " << kBurstParamsFieldCount
        << " fields from the plug-in's defaults: " << names << "\n";
  return storedRecord(file.over(defaultRecord(document)));
}

BurstParams recordFromFile(const fs::path& path, HostConfig& config) {
  return recordFromFile(path, config, documentOptions(config.document), diagnostics());
}

std::optional<BurstParams> heldRecord(Session& session) {
  std::vector<uint8_t> bytes = session.memory().parameters();
  if (bytes.size() != sizeof(BurstParams)) {
    diagnostics() << "flarimond: the host holds no parameter record to save (" << bytes.size() << " bytes)\n";
    return std::nullopt;
  }
  BurstParams p;
  std::memcpy(&p, bytes.data(), sizeof p);
  return p;
}

}  // namespace fltools
