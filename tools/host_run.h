// The host set-up every command shares, and the one run of the plug-in they all make:
// Startup, then (Get Parameters), then (Go) or (About), then Shutdown.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "commands.h"
#include "dialog_script.h"
#include "host_config.h"
#include "params/burst_params.h"
#include "session.h"
#include "shell/module_ids.h"

namespace fltools {

using fl::kUserCancelled;  // Get Parameters' answer when the user cancels the dialog

// A Session on the configuration with its faults set; ToolError when the module does not load.
std::unique_ptr<flhost::Session> openSession(const HostConfig& config);

// Acts as the user in front of the host: answers the filter dialog (confirms it, or cancels it
// when asked to), reads the plug-in's error dialog out on stderr and, when wanted, its About box on
// stdout. The host's locks hold `locks` (field names, sorted) through each press of Tumble and
// Shuffle, as the page's do (keepLockedAfter).
class User {
 public:
  User(std::vector<flhost::DialogAction> actions, bool printAbout, std::vector<std::string> locks = {});

  flhost::ScriptDriver& driver() { return driver_; }
  // A dialog action the dialog refused is bad input, like a bad argument; the message names the
  // field and, for a disabled control, what enables it. So is a locked field whose control
  // refused its value back (the dialog is then cancelled).
  void checkScript() const;
  int aboutBoxesShown() const { return aboutBoxes_; }

  // Sends one message and says whether it succeeded. A failure the plug-in did not show in its
  // error dialog (it leaves some codes to the host, such as a suite it could not get) is said
  // here, so that no failure passes without a word.
  bool send(const char* message, const std::function<HostErr()>& call);

 private:
  void seen(flhost::ModalSession& s);
  void beforeAction(flhost::ModalSession& s, const flhost::DialogAction& action);
  void afterAction(flhost::ModalSession& s, const flhost::DialogAction& action);

  flhost::ScriptDriver driver_;
  flhost::DialogAction lastAction_;
  std::string lastRefusal_;  // why the dialog will refuse lastAction_, in the user's terms
  bool printAbout_;
  std::vector<std::string> locks_;
  std::optional<BurstParams> beforeAction_;  // the filter dialog's record just before lastAction_
  std::string lockFailure_;
  int errors_ = 0;
  int aboutBoxes_ = 0;
};

// What one run of the plug-in does, in this order: Startup; `afterStartup`; the record handed to
// the host; Get Parameters with the user's actions; Go when the dialog was confirmed (or not
// run); About; Shutdown, which is sent even after a failure since the plug-in frees then what its
// startup took.
struct RunPlan {
  std::optional<BurstParams> record;
  std::vector<flhost::DialogAction> actions;
  std::vector<std::string> locks;  // held through Tumble and Shuffle (see User)
  bool getParameters = false;
  bool acceptCancel = false;  // a cancelled dialog is the user's choice, not a failure
  bool go = false;
  bool about = false;
  bool printAbout = false;
  bool announceSeed = false;                                 // print "seed: N" on stderr (for a seed chosen fresh)
  bool noteUnfiredFaults = true;                             // say which --fail never fired
  std::function<void(flhost::ScriptDriver&)> prepareDriver;  // before the first message
  std::function<void(flhost::Session&)> afterStartup;        // also after a failed Startup
};

struct HostRun {
  std::unique_ptr<flhost::Session> session;
  bool ok = false;         // every message succeeded
  bool confirmed = false;  // the dialog was confirmed, or not run
  int aboutBoxes = 0;
};

// Opens a session and runs the plan. ToolError when the module does not load, or (after
// Shutdown) when the dialog refused one of the user's actions.
HostRun runPlugin(const HostConfig& config, const RunPlan& plan);

// The record the plug-in makes when the host holds none, from its field table
// (params/burst_fields.h): each field's default, and the start point 200 points left of the
// centre of the view a new document of these options shows, which is where the plug-in reads it
// from the host. No session is needed: the plug-in's Get Parameters only writes these defaults
// into the empty block before its dialog.
BurstParams defaultRecord(const flhost::DocumentOptions& document);

// The record a parameter file gives, for a new document of `document`'s options: the fields the
// file leaves out come from defaultRecord (said on `notes`, by name, as are the values outside
// their controls' ranges), and the file's random start goes into `config` unless the command line
// gave its own (overlay); its run state is cleared (storedRecord), as the host hands a record to
// a new document.
BurstParams recordFromFile(const std::filesystem::path& path, HostConfig& config,
                           const flhost::DocumentOptions& document, std::ostream& notes);
// The same for the document `config` describes, with the notes on stderr.
BurstParams recordFromFile(const std::filesystem::path& path, HostConfig& config);

// What `render --from` draws: a design's record and where its drawing began, on its document
// with what `given` sets on top; the dialog's `actions`, when any, edit the record first in a
// session of their own (every preview takes draws, so the design is drawn in a second session,
// from where its own drawing began), with the fields `locks` names held through Tumble and
// Shuffle. `keepPage`: the record keeps the page it was made on.
// nullopt when the editing run failed (said on stderr).
struct DesignToDraw {
  HostConfig config;
  BurstParams record;
};
struct DesignRecord;
std::optional<DesignToDraw> designToDraw(const DesignRecord& design, const HostConfig& given,
                                         std::vector<flhost::DialogAction> actions, std::vector<std::string> locks,
                                         bool keepPage);

// The record the host holds after a run; nullopt (said on stderr) when it holds none of the
// record's size.
std::optional<BurstParams> heldRecord(flhost::Session& session);

}  // namespace fltools
