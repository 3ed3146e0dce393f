// A running stand-in host with one plug-in module loaded: the host's side of the whole protocol.
//
// A Session checks the module's property list, loads it, resolves its entry point and supplies
// every suite. Its calls (startup, getParameters, go, ...) are the messages a host sends; each is a
// top-level call with its own undo journal. Only one Session is current at a time: the suites reach
// it through the functions of host_context.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "document.h"
#include "faults.h"
#include "module_loader.h"
#include "random_source.h"
#include "resources.h"
#include "plugin_messages.h"

namespace flhost {

struct SessionOptions {
  std::filesystem::path modulePath;  // the module; its resources are read from the module itself
                                     // (Windows) or from the .res file beside it (elsewhere)
  DocumentOptions document = DocumentOptions::standard();
  std::optional<uint64_t> seed;      // none: a fresh seed, reported by seed()
  std::vector<float> draws;          // exact first draws of the random source
  uint64_t skipDraws = 0;            // draws taken and dropped before the first message
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
  // Sends "SP Access"/"Unload", unloads the module, loads it again and sends "Reload".
  HostErr unloadAndReload();
  // Any caller/selector with the message record its caller implies (a FilterMessage for the
  // registered filter and its stored block, a MenuMessage, or a plain HostMessage).
  HostErr send(const char* caller, const char* selector);
  // Any message, as a top-level call: opens and closes the call's undo journal.
  HostErr call(const char* caller, const char* selector, void* message);

  // The filter's stored parameter block (the host keeps it between runs).
  bool hasParameters() const { return parameters_ != nullptr; }
  std::vector<uint8_t> parameters() const;
  void setParameters(const std::vector<uint8_t>& bytes);  // makes the block when there is none
  void clearParameters();

  Document& document() { return *document_; }
  Faults& faults() { return faults_; }
  DialogManager& dialogs() { return *dialogs_; }
  RandomSource& random() { return random_; }
  const ResourceSet& resources() const { return resources_; }
  const PluginPropertyList& propertyList() const { return propertyList_; }
  const std::vector<RegisteredFilter>& filters() const { return filters_; }
  HostFilter filterHandle(size_t index) const;
  HostPluginRef pluginRef() const;
  void* heldGlobals() const { return globals_; }  // what the host keeps across unload

  // Suites currently acquired and not released, by "name/version".
  const std::map<std::string, int>& heldSuites() const { return held_; }
  int heldSuiteCount() const;
  // Every suite acquired at least once, in first-acquisition order.
  const std::vector<std::string>& suitesEverAcquired() const { return everAcquired_; }
  int callDepth() const { return depth_; }

  // Host-side services used by the suite functions.
  HostErr acquireSuite(const char* name, int32_t version, const void** suite);
  HostErr releaseSuite(const char* name, int32_t version);
  HostErr addFilter(HostPluginRef plugin, const char* name, const unsigned char* category,
                    const unsigned char* title, int32_t options, HostFilter* filter);
  HostErr filterMenuItem(HostFilter filter, HostMenuItem* item);
  HostErr updateMenuItem(HostMenuItem item, std::vector<int32_t> criteria);
  HostErr allocateBlock(int32_t size, void** block);
  HostErr freeBlock(void* block);
  HostErr newHandle(int32_t size, HostMemHandle* handle);
  HostErr disposeHandle(HostMemHandle handle);
  HostErr handleSize(HostMemHandle handle, int32_t* size);
  std::filesystem::path modulePath() const { return options_.modulePath; }

  static Session* current();

 private:
  explicit Session(const SessionOptions& options);
  bool loadModule(std::string* error);
  void unloadModule();

  struct MemHandle {
    void* block = nullptr;  // what the handle points at: its first member
    std::vector<uint8_t> bytes;
  };

  SessionOptions options_;
  Faults faults_;
  RandomSource random_;
  std::unique_ptr<Document> document_;
  std::unique_ptr<DialogManager> dialogs_;
  ResourceSet resources_;
  PluginPropertyList propertyList_{};
  std::unique_ptr<ModuleLibrary> library_;
  std::unique_ptr<DialogManager::Scope> dialogScope_;
  PluginMainProc entry_ = nullptr;
  BasicSuite basic_{};
  void* globals_ = nullptr;
  int depth_ = 0;
  std::map<std::string, int> held_;
  std::vector<std::string> everAcquired_;
  std::vector<RegisteredFilter> filters_;
  std::map<void*, std::unique_ptr<uint8_t[]>> blocks_;
  std::map<HostMemHandle, std::unique_ptr<MemHandle>> memHandles_;
  HostMemHandle parameters_ = nullptr;
  Session* previous_ = nullptr;
};

}  // namespace flhost
