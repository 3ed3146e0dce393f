// A running stand-in host with one plug-in module loaded: the host's side of the whole protocol.
//
// A Session checks the module's property list, loads it, resolves its entry point and sends it
// messages. Its calls (startup, getParameters, go, ...) are the messages a host sends; each is a
// top-level call with its own undo journal. What the suites serve lives in members: the document,
// the dialogs, the memory lent to the plug-in (HostMemory) and the account of the suites it holds
// (SuiteRegistry). Only one Session is current at a time: the suites reach it through the
// functions of host_context.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "document.h"
#include "faults.h"
#include "host_memory.h"
#include "module_loader.h"
#include "random_source.h"
#include "resources.h"
#include "suite_registry.h"
#include "plugin_messages.h"

namespace flhost {

struct SessionOptions {
  std::filesystem::path modulePath;  // the module; its resources are read from the module itself
                                     // (Windows) or from the .res file beside it (elsewhere)
  DocumentOptions document = DocumentOptions::standard();
  std::optional<uint64_t> seed;  // none: a fresh seed, reported by seed()
  std::vector<float> draws;      // exact first draws of the random source
  uint64_t skipDraws = 0;        // draws taken and dropped before the first message
};

struct RegisteredFilter {
  std::string name;      // the plug-in's name for it
  std::string category;  // menu category
  std::string title;     // menu title
  int32_t options = 0;
  // The action and six criteria of the plug-in's request that the host update its menu item
  // automatically (empty until it asks).
  std::vector<int32_t> menuCriteria;
};

class Session {
 public:
  // Loads and checks the module; null with a message in *error when it cannot be used.
  static std::unique_ptr<Session> open(const SessionOptions& options, std::string* error);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Messages. Each returns PluginMain's result.
  HostErr startup();
  HostErr shutdown();
  HostErr about();
  // "AI Filter"/"AI Get Parameters" for the registered filter (or filter, when given) with the
  // stored parameter block; the dialog runs through the driver set on dialogs().
  HostErr getParameters();
  HostErr getParameters(HostFilter filter);
  // "AI Filter"/"AI Go" with the stored parameter block.
  HostErr go();
  HostErr menuGo();
  HostErr menuUpdate();
  // Sends "SP Access"/"Unload", unloads the module, loads it again and sends "Reload". When the
  // module cannot be loaded again, kHostNotFoundErr, and so is every later message.
  HostErr unloadAndReload();
  // Any caller/selector with the message record its caller implies (a FilterMessage for the
  // registered filter and its stored block, a MenuMessage, or a plain HostMessage).
  HostErr send(const char* caller, const char* selector);
  // Any message, as a top-level call: opens and closes the call's undo journal.
  HostErr call(const char* caller, const char* selector, void* message);
  // The record every message starts with: the basic suite, the plug-in's reference and the
  // globals the host keeps for it.
  HostMessage message() const;

  Document& document() { return *document_; }
  // The host's New: the document is replaced by an empty one with `options`, as a new file; the
  // arts, the Undo and Redo of the old one and its view go with it, and its revisions carry on
  // (Document's firstRevision). Nothing else changes: the record the host keeps for the filter,
  // the random source and the plug-in. Refused (kHostBadParameterErr) inside a plug-in call,
  // where the plug-in may hold the old document's arts.
  HostErr newDocument(DocumentOptions options);
  Faults& faults() { return faults_; }
  DialogManager& dialogs() { return *dialogs_; }
  RandomSource& random() { return random_; }
  // Blocks, handles and the filter's stored parameter record.
  HostMemory& memory() { return memory_; }
  const HostMemory& memory() const { return memory_; }
  // The suites the plug-in has acquired (held and ever).
  const SuiteRegistry& suites() const { return suites_; }
  SuiteRegistry& suites() { return suites_; }
  const ResourceSet& resources() const { return resources_; }
  const PluginPropertyList& propertyList() const { return propertyList_; }
  const std::vector<RegisteredFilter>& filters() const { return filters_; }
  HostFilter filterHandle(size_t index) const;
  HostPluginRef pluginRef() const;
  void* heldGlobals() const { return globals_; }  // what the host keeps across unload
  int callDepth() const { return depth_; }

  // Filter registration, for the filter and menu suites.
  HostErr addFilter(HostPluginRef plugin, const char* name, const unsigned char* category, const unsigned char* title,
                    int32_t options, HostFilter* filter);
  HostErr filterMenuItem(HostFilter filter, HostMenuItem* item);
  HostErr updateMenuItem(HostMenuItem item, std::vector<int32_t> criteria);
  std::filesystem::path modulePath() const { return options_.modulePath; }

  static Session* current();

 private:
  explicit Session(const SessionOptions& options);
  bool loadModule(std::string* error);
  // Loads the module's code and resolves its entry point.
  bool linkModule(std::string* error);
  HostFilter registeredFilter() const;
  HostErr sendFilter(const char* selector, HostFilter filter);

  SessionOptions options_;
  Faults faults_;
  RandomSource random_;
  std::unique_ptr<Document> document_;
  std::unique_ptr<DialogManager> dialogs_;
  HostMemory memory_;
  SuiteRegistry suites_;
  ResourceSet resources_;
  PluginPropertyList propertyList_{};
  std::unique_ptr<ModuleLibrary> library_;
  std::unique_ptr<DialogManager::Scope> dialogScope_;
  PluginMainProc entry_ = nullptr;
  void* globals_ = nullptr;
  int depth_ = 0;
  std::vector<RegisteredFilter> filters_;
  Session* previous_ = nullptr;
};

}  // namespace flhost
