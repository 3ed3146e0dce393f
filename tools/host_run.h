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
#include "params/burst_params.h"
#include "session.h"
#include "shell/module_ids.h"

namespace fltools {

using fl::kUserCancelled;  // Get Parameters' answer when the user cancels the dialog

// The session options (module, document, seed, draws) and the faults to inject, from the
// command line's host options, checked. ToolError for a bad option.
struct HostSetup {
  flhost::SessionOptions options;
  std::vector<FailSpec> fails;
  std::string swatchList;  // the swatch list as compact JSON when it is not the default one
};
HostSetup prepareHost(const HostArgs& args, const char* argv0);

// A Session on the set-up with its faults set; ToolError when the module does not load.
std::unique_ptr<flhost::Session> openSession(const HostSetup& setup);

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
  bool announceSeed = false;       // print "seed: N" on stderr (for a seed chosen fresh)
  bool noteUnfiredFaults = true;   // say which --fail never fired
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
HostRun runPlugin(const HostSetup& setup, const RunPlan& plan);

// The record the plug-in makes when the host holds none: Get Parameters on an empty handle, its
// dialog cancelled, in a session of its own (no faults, the random source untouched), so that the
// view-dependent start point is the one this document gives. nullopt when the plug-in fails.
std::optional<BurstParams> pluginDefaults(const HostSetup& setup);

// The record a parameter file gives, for the run `setup` describes: the fields the file leaves
// out come from pluginDefaults (said on stderr, by name), and its seed is used unless the command
// line gave one; its run state is cleared (storedRecord), as the host hands a record to a new
// document. nullopt when the plug-in fails to make its defaults.
std::optional<BurstParams> recordFromFile(const std::filesystem::path& path, HostSetup& setup, bool seedGiven);

// The record the host holds after a run; nullopt (said on stderr) when it holds none of the
// record's size.
std::optional<BurstParams> heldRecord(flhost::Session& session);

}  // namespace fltools
