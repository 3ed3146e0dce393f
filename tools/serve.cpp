#include "serve.h"

#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <vector>

#include "browser_host.h"
#include "cli_options.h"
#include "export.h"
#include "page_contract.h"
#include "serve_connections.h"

namespace fltools {

namespace {

using json = nlohmann::json;

// An event is a few dozen bytes; anything near this is not from our page.
constexpr size_t kMaxEventBytes = 16 * 1024;
// Any other body but a kept file the page opens, which may be a design of millions of arts.
constexpr size_t kMaxBodyBytes = 1 << 20;
constexpr size_t kMaxOpenBytes = size_t(1) << 30;
constexpr int kListenBacklog = 512;
// The small picture of a variant the page sends.
constexpr const char* kPictureTypes[] = {"image/png", "image/jpeg", "image/webp"};

std::atomic<bool> gStopSignal{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

void onStopSignal(int) { gStopSignal = true; }

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

// The library's set_content copies the body it is given: this moves it.
void setBody(httplib::Response& res, std::string&& body, const std::string& contentType) {
  res.body = std::move(body);
  res.headers.erase("Content-Type");
  res.set_header("Content-Type", contentType);
}

void send(httplib::Response& res, Reply reply) {
  res.status = reply.status;
  // Texts from the request (a reason quoting bytes that are not UTF-8) or the dialog may hold
  // any bytes: those are shown as U+FFFD rather than failing the answer.
  if (reply.data) reply.body = reply.data->dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  if (!reply.filename.empty()) res.set_header("Content-Disposition", "attachment; filename=\"" + reply.filename + "\"");
  res.set_header("Cache-Control", "no-store");
  if (reply.hostMs >= 0) {
    char timing[48];
    std::snprintf(timing, sizeof timing, "host;dur=%.3f", reply.hostMs);
    res.set_header("Server-Timing", timing);
  }
  // Bodies go as they are: compressing them costs more than sending them over loopback. (The
  // library compresses only the content types it knows exactly, and ours carry a charset.)
  setBody(res, std::move(reply.body), reply.contentType);
}

void refuse(httplib::Response& res, int status, const std::string& why) { send(res, errorReply(status, why)); }

struct ExportOptions {
  int pngWidth;
  bool transparent;
};

// Writes an export of the document copy on this server thread; `counted` is held until the last
// byte is sent. With `design`, the file carries it as render's files do. SVG and JSON stream as
// they are written, so a large design starts arriving at once and is never held whole in memory;
// a PNG is made first, since its failure has a status.
void sendExport(httplib::Response& res, const std::string& what, const std::shared_ptr<const flhost::Document>& doc,
                std::optional<DesignRecord> design, std::shared_ptr<void> counted, const ExportOptions& options) {
  res.set_header("Cache-Control", "no-store");
  const std::string name = "flarimond." + what;
  res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
  if (what == "png") {
#ifdef FLARIMOND_HAVE_CAIRO
    std::ostringstream out;
    if (design) {
      try {
        writeDesignDocument(*doc, *design, OutputFormat::Png,
                            PictureOptions{options.pngWidth, options.transparent, flhost::Frame::Page, std::nullopt},
                            out, name);
      } catch (const ToolError& e) {
        return refuse(res, 500, std::string("the PNG could not be made: ") + e.what());
      }
    } else if (std::string why; !flhost::writeDocumentPng(*doc, out, options.pngWidth, options.transparent, &why)) {
      return refuse(res, 500, "the PNG could not be made: " + why);
    }
    res.set_content(out.str(), "image/png");
#else
    (void)doc;
    (void)options;
    refuse(res, 404, "PNG export is not in this build (it needs cairo)");
#endif
    return;
  }
  const bool svg = what == "svg";
  // With a charset the library leaves them uncompressed, as every other answer (see send()).
  res.set_chunked_content_provider(
      svg ? "image/svg+xml; charset=utf-8" : "application/json; charset=utf-8",
      [doc, design = std::move(design), counted = std::move(counted), svg, name](size_t, httplib::DataSink& sink) {
        try {
          if (design)
            writeDesignDocument(*doc, *design, svg ? OutputFormat::Svg : OutputFormat::Json, PictureOptions{}, sink.os,
                                name);
          else if (svg)
            flhost::writeDocumentSvg(*doc, sink.os);
          else
            flhost::writeDocumentJson(*doc, sink.os);
        } catch (const std::exception& e) {
          // The status has gone: a cut connection is all the
          // client can be told.
          std::cerr << "flarimond: the " << (svg ? "SVG" : "JSON") << " export failed: " << e.what() << "\n";
          return false;
        }
        sink.done();
        return true;
      });
}

// Whether the request may act as the tab that drives the dialog; answers it when not.
bool holderOnly(Claim& claim, const httplib::Request& req, httplib::Response& res) {
  switch (claim.check(req.get_header_value(kTokenHeader))) {
    case Claim::Check::Holder:
      return true;
    case Claim::Check::Missing:
      refuse(res, 409, std::string("no ") + kTokenHeader + " header: claim the dialog first (POST /api/claim)");
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

// A whole number the request gives, or nullopt when it gives none; false, with the request
// answered, when the text is not a whole number.
bool readWhole(const std::string& text, const char* what, httplib::Response& res, std::optional<uint64_t>* out) {
  if (text.empty()) return true;
  uint64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) {
    refuse(res, 400, std::string(what) + " \"" + text + "\" is not a whole number");
    return false;
  }
  *out = v;
  return true;
}

// What the page holds: the document revision, from the header (or the query's "since"), and the
// newest variant of the history; and whether it reads its answer as geometry. False, with the request answered, when
// either is not a whole number.
bool readRevision(const httplib::Request& req, httplib::Response& res, Job& job) {
  std::string text =
      req.has_header(kRevisionHeader) ? req.get_header_value(kRevisionHeader) : req.get_param_value("since");
  job.geometryAnswer = req.get_header_value("Accept").find(kGeometryType) != std::string::npos;
  return readWhole(text, "the document revision", res, &job.since) &&
         readWhole(req.get_header_value(kHistoryHeader), "the newest variant held", res, &job.historyHeld);
}

void addRoutes(httplib::Server& server, BrowserHost& host, Claim& claim, int port, int idleSeconds,
               const std::filesystem::path& webDir, ExportOptions exportOptions) {
  // Only our own origin may talk to us: a page elsewhere that resolves its name to 127.0.0.1
  // still sends its own name as Host.
  std::vector<std::string> hosts = {"127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port)};
  if (port == 80) hosts.insert(hosts.end(), {"127.0.0.1", "localhost"});  // browsers leave out the default port
  server.set_pre_routing_handler([hosts](const httplib::Request& req, httplib::Response& res) {
    std::string h = req.get_header_value("Host");
    // Two Host lines name two servers; a proxy and we might each believe a different one.
    if (size_t n = req.get_header_value_count("Host"); n != 1) {
      refuse(res, 400, "the request names " + std::to_string(n) + " Host headers; it must name one");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (std::find(hosts.begin(), hosts.end(), h) == hosts.end()) {
      refuse(res, 400, "unexpected Host \"" + h + "\": open " + hosts[0]);
      return httplib::Server::HandlerResponse::Handled;
    }
    // Only a kept file the page opens may be large; anything else is refused before its body
    // is read, and the connection closed rather than read that body as the next request.
    if (req.path != "/api/open") {
      if (req.has_header("Transfer-Encoding")) {
        GuardedServer::closeAfterAnswer();
        refuse(res, 400, "a body is sent whole, with its Content-Length");
        return httplib::Server::HandlerResponse::Handled;
      }
      const std::string length = req.get_header_value("Content-Length");
      uint64_t n = 0;
      auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), n);
      const bool whole = ec == std::errc() && end == length.data() + length.size();
      if (ec == std::errc::result_out_of_range || (whole && n > kMaxBodyBytes)) {
        GuardedServer::closeAfterAnswer();
        refuse(res, 400, "the request is too large");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.status == 413) {
      refuse(res, 400, "the request is too large");
    } else if (res.body.empty()) {
      std::string why = res.status == 404 ? "no such thing here: " + req.method + " " + req.path
                        : res.status == 400
                            ? "the request could not be read (a POST needs a body and its Content-Length)"
                            : "the request was refused (HTTP " + std::to_string(res.status) + ")";
      refuse(res, res.status, why);
    }
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr e) {
    std::string why = "unknown error";
    try {
      std::rethrow_exception(std::move(e));
    } catch (const std::exception& x) {
      why = x.what();
    } catch (...) {
    }
    refuse(res, 500, why);
  });

  server.Get(R"(/([A-Za-z0-9_.-]*))", [webDir](const httplib::Request& req, httplib::Response& res) {
    std::string path = req.path == "/" ? "/index.html" : req.path;
    // The page shares each answer's geometry with its drawing workers (SharedArrayBuffer), which a
    // browser allows a page that loads nothing from other origins and opens no window of theirs.
    res.set_header("Cross-Origin-Opener-Policy", "same-origin");
    res.set_header("Cross-Origin-Embedder-Policy", "require-corp");
    res.set_header("Cache-Control", "no-cache");
    if (path == "/contract.js") {
      res.set_content(pageContractScript(), "text/javascript; charset=utf-8");
      return;
    }
    for (size_t i = 0; i < kWebAssetCount; ++i) {
      const WebAsset& a = kWebAssets[i];
      if (path != a.path) continue;
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
    if (!readRevision(req, res, *job)) return;
    job->claimWord = who == Claim::Check::Holder ? "yours" : claim.held() ? "other" : "free";
    send(res, host.ask(std::move(job)));
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
      return refuse(res, 400,
                    "the event is too large (" + std::to_string(req.body.size()) + " bytes; at most " +
                        std::to_string(kMaxEventBytes) + ")");
    if (!holderOnly(claim, req, res)) return;
    std::string why;
    std::optional<BrowserEvent> event = parseBrowserEvent(req.body, &why);
    if (!event) return refuse(res, 400, why);
    auto job = std::make_unique<Job>();
    if (!readRevision(req, res, *job)) return;
    job->kind = Job::Kind::Event;
    job->event = *event;
    job->claim = &claim;
    job->token = req.get_header_value(kTokenHeader);
    send(res, host.ask(std::move(job)));
  });

  // The arts as compact geometry (writeDocumentGeometry): all, or those changed since ?since=R.
  server.Get("/api/geometry", [&host, &claim](const httplib::Request& req, httplib::Response& res) {
    claim.check(req.get_header_value(kTokenHeader));
    auto job = std::make_unique<Job>();
    if (!readRevision(req, res, *job)) return;
    job->kind = Job::Kind::Geometry;
    send(res, host.ask(std::move(job)));
  });

  // A kept file the page opens, as its bytes: ?name= names it (its extension says what it is),
  // ?tile=N picks a tile of a sheet. The answer is the state with the filter dialog open on it.
  server.Post("/api/open",
              [&host, &claim](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& read) {
                // The connection closes after the answer, which may come before the body was read.
                GuardedServer::closeAfterAnswer();
                if (!holderOnly(claim, req, res)) return;
                std::optional<std::string> name = uploadName(req.get_param_value("name"));
                if (!name) return refuse(res, 400, "?name= must give the file's name, such as design.svg");
                auto job = std::make_unique<Job>();
                if (req.has_param("tile")) {
                  const std::string text = req.get_param_value("tile");
                  int tile = 0;
                  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tile);
                  if (ec != std::errc() || end != text.data() + text.size() || tile < 1 || tile > 100000)
                    return refuse(res, 400, "the tile \"" + text + "\" is not a tile number from 1");
                  job->tile = tile;
                }
                if (!readRevision(req, res, *job)) return;
                UploadFolder folder;
                job->file = folder.path() / *name;
                std::ofstream out(job->file, std::ios::binary);
                const bool received = read([&](const char* data, size_t size) {
                  out.write(data, static_cast<std::streamsize>(size));
                  return static_cast<bool>(out);
                });
                out.close();
                if (!received || !out) return refuse(res, 400, "the file " + *name + " did not arrive whole");
                job->kind = Job::Kind::Open;
                job->name = *name;
                job->claim = &claim;
                job->token = req.get_header_value(kTokenHeader);
                send(res, host.ask(std::move(job)));
              });

  // A closing tab lets go of the dialog (with navigator.sendBeacon, which sends no headers of
  // ours: the token is the body), so the next tab takes it over at once with its values.
  server.Post("/api/release", [&claim](const httplib::Request& req, httplib::Response& res) {
    if (!claim.release(req.body)) return refuse(res, 409, "this token does not hold the claim");
    Reply r;
    r.data = json{{"released", true}};
    send(res, std::move(r));
  });

  // The small pictures the page makes of the history's variants (?id=N).
  server.Post("/api/history/picture", [&host, &claim](const httplib::Request& req, httplib::Response& res) {
    if (!holderOnly(claim, req, res)) return;
    std::optional<uint64_t> id;
    if (!readWhole(req.get_param_value("id"), "the variant", res, &id)) return;
    const std::string type = req.get_header_value("Content-Type");
    if (std::find(std::begin(kPictureTypes), std::end(kPictureTypes), type) == std::end(kPictureTypes))
      return refuse(res, 400, "a variant's picture is a PNG, JPEG or WebP image (Content-Type)");
    if (req.body.size() > VariantPictures::kMaxBytes)
      return refuse(res, 400,
                    "a variant's picture is at most " + std::to_string(VariantPictures::kMaxBytes) + " bytes");
    if (!id || !host.pictures().put(*id, {type, req.body}))
      return refuse(res, 400, "no variant " + req.get_param_value("id") + " in the history");
    Reply r;
    r.data = json{{"kept", true}};
    send(res, std::move(r));
  });
  server.Get("/api/history/picture", [&host](const httplib::Request& req, httplib::Response& res) {
    std::optional<uint64_t> id;
    if (!readWhole(req.get_param_value("id"), "the variant", res, &id)) return;
    std::optional<VariantPictures::Picture> picture = id ? host.pictures().get(*id) : std::nullopt;
    if (!picture) return refuse(res, 404, "no picture of variant " + req.get_param_value("id"));
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    setBody(res, std::move(picture->bytes), picture->type);
  });

  for (const char* what : {"svg", "png", "json"}) {
    server.Get(std::string("/api/export.") + what,
               [&host, &claim, what, exportOptions](const httplib::Request& req, httplib::Response& res) {
                 claim.check(req.get_header_value(kTokenHeader));
                 auto job = std::make_unique<Job>();
                 job->kind = Job::Kind::Export;
                 job->what = what;
                 Reply reply = host.ask(std::move(job));
                 if (!reply.document) return send(res, std::move(reply));
                 sendExport(res, what, reply.document, std::move(reply.design), host.countExport(), exportOptions);
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
  struct sigaction oldInt_ {
  }, oldTerm_{}, oldPipe_{};
};

}  // namespace

int serveDialog(const ServeArgs& args, const ServeStart& start, OpenKept open) {
  int port = wholeNumber(args.port, "--port", 0, 65535);
  int idleSeconds = wholeNumber(args.idleTimeout, "--idle-timeout", 1, 86400);
  int pngWidth = parsePixelWidth(args.run.width);
  if (args.run.background != "white" && args.run.background != "transparent")
    throw ToolError("--background \"" + args.run.background + "\": expected white or transparent");
  if (!args.webDir.empty() && !std::filesystem::is_regular_file(args.webDir / "index.html"))
    throw ToolError("--web-dir " + displayPath(args.webDir) + ": no index.html there");

  GuardedServer server;
  // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, which would let a second server
  // share the port and take half of the browser's requests.
  socket_t listening = INVALID_SOCKET;
  server.set_socket_options([&listening](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = sock;
  });
  server.set_payload_max_length(kMaxOpenBytes);
  // Small answers go at once instead of waiting for the browser's delayed acknowledgement.
  server.set_tcp_nodelay(true);
  // An idle browser connection holds a thread: keep them short.
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

  std::unique_ptr<flhost::Session> session = openSession(start.config);
  if (!start.config.random.seed) std::cerr << "seed: " << session->random().seed() << "\n";
  Claim claim{std::chrono::seconds(idleSeconds)};
  if (start.finished) claim.awaitFirstTab();
  BrowserHost host(*session, claim, gStopSignal, start.config, std::move(open));
  session->dialogs().setDriver(&host);
  addRoutes(server, host, claim, port, idleSeconds, args.webDir,
            ExportOptions{pngWidth, args.run.background == "transparent"});

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
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
  if (start.announce)
    start.announce(url);
  else
    std::cout << "flarimond: the dialog is served at " << url << " (Ctrl-C stops)" << std::endl;

  int status = kExitOk;
  if (host.send("Startup", &flhost::Session::startup) == 0) {
    if (const std::optional<BurstParams>& record = start.record) {
      std::vector<uint8_t> bytes(sizeof *record);
      std::memcpy(bytes.data(), &*record, sizeof *record);
      session->memory().setParameters(bytes);
    }
    host.runFilter();  // as when the user chooses the filter from the host's menu
    if (start.finished)
      start.finished(session->document(), host.drawnDesign());
    else
      host.runIdle();
  } else {
    status = kExitPluginError;
  }
  host.close();
  if (host.send("Shutdown", &flhost::Session::shutdown) != 0) status = kExitPluginError;
  server.halt();
  listener.join();
  session->dialogs().setDriver(nullptr);
  if (!start.finished) std::cerr << "flarimond: stopped\n";
  return status;
}

}  // namespace fltools
