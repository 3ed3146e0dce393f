// `flarimond serve`: the filter's dialog in a web browser.
//
// The stand-in host runs as it does for `render`, except that its user is a browser page. The
// plug-in lives on one thread, the one that opened the Session, as it would in a real host's user
// interface thread; the HTTP server's threads never touch the Session. They queue what the browser
// asks for and wait for the plug-in thread to answer. While a modal dialog runs, the driver's run()
// is that thread's event loop: it takes the queued events one at a time, applies each to the dialog
// (ModalSession::apply, so every change goes through the plug-in's own notifiers) and answers with
// the new state. Between dialogs the same thread waits in an idle loop for the host's own commands
// (open the dialog again, apply again, About). A download is the one piece of work the server's
// threads do themselves: the plug-in thread hands over a copy of the document, and the server
// thread that asked writes it, so a long export never holds up the dialog.
//
// An event's answer is the state at the moment the host next waits for its user: after a value
// change that is at once; after OK it is once Go has drawn (or its error dialog is up).
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "commands.h"
#include "dialogs.h"
#include "host_run.h"
#include "params/burst_params.h"
#include "serve_open.h"

namespace fltools {

struct ServeArgs {
  RenderArgs run;             // host options, --params, --from, --tile, --width/--background for the PNG export
  std::string port = "8150";  // 0: any free port
  std::string idleTimeout = "90";
  std::filesystem::path webDir;  // serve the page's files from here instead of the built-in copies
};

// What the host starts with: the session's options (with any --fail faults) and the stored
// record the first dialog opens on, when there is one.
struct ServeStart {
  HostConfig config;
  std::optional<BurstParams> record;
  // Where the page's address goes; unset: stdout, with how to stop the server.
  std::function<void(const std::string& url)> announce;
  // One dialog only (an editor's custom interface): after its OK has drawn, or its Cancel, the
  // server stops and `finished` gets the document and, when OK drew one, the design it drew.
  std::function<void(const flhost::Document& document, const std::optional<DesignRecord>& design)> finished;
};

// Runs the server until SIGINT or SIGTERM, or with `finished` until the one dialog ends. Returns
// the exit status.
int serveDialog(const ServeArgs& args, const ServeStart& start, OpenKept open);

// The page's files, built into the program from web/ (generated at build time).
struct WebAsset {
  const char* path;  // "/index.html"
  const char* contentType;
  const unsigned char* data;
  size_t size;
};
extern const WebAsset kWebAssets[];
extern const size_t kWebAssetCount;

}  // namespace fltools
