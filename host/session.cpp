#include "session.h"

#include <cstring>

#include "handles.h"
#include "host_context.h"

namespace flhost {

namespace {

Session* gCurrent = nullptr;

}  // namespace

Session* Session::current() { return gCurrent; }

Faults& hostFaults() { return gCurrent->faults(); }
DialogManager& hostDialogs() { return gCurrent->dialogs(); }
const ResourceSet& hostResources() { return gCurrent->resources(); }
Document& hostDocument() { return gCurrent->document(); }
HostPluginRef hostPluginRef() { return gCurrent->pluginRef(); }
HostMemory& hostMemory() { return gCurrent->memory(); }
SuiteRegistry& hostSuites() { return gCurrent->suites(); }

Session::Session(const SessionOptions& options)
    : options_(options),
      random_(options.seed ? *options.seed : RandomSource::freshSeed()),
      document_(std::make_unique<Document>(options.document)),
      dialogs_(std::make_unique<DialogManager>(faults_)) {
  random_.queueDraws(options.draws);
  random_.skip(options.skipDraws);
  previous_ = gCurrent;
  gCurrent = this;
  dialogScope_ = std::make_unique<DialogManager::Scope>(*dialogs_);
  dialogs_->setPluginRef(pluginRef());
  dialogs_->artworkToView = [this](HostRealPoint p) { return document_->artworkToView(p); };
}

HostErr Session::newDocument(DocumentOptions options) {
  if (depth_ > 0) return kHostBadParameterErr;
  document_ = std::make_unique<Document>(std::move(options), document_->revision() + 1);
  return kHostNoErr;
}

Session::~Session() {
  library_.reset();
  dialogScope_.reset();
  gCurrent = previous_;
}

std::unique_ptr<Session> Session::open(const SessionOptions& options, std::string* error) {
  std::unique_ptr<Session> s(new Session(options));
  if (!s->loadModule(error)) return nullptr;
  return s;
}

bool Session::loadModule(std::string* error) {
  std::string why;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(options_.modulePath, ec)) {
    if (error) *error = "plug-in module " + options_.modulePath.string() + " not found";
    return false;
  }
  // The property list is checked before any of the module's code is loaded.
  auto resources = readModuleResources(options_.modulePath, &why);
  if (!resources) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " refused: " + why;
    return false;
  }
  const std::vector<uint8_t>* pipl = resources->find(ResourceId(std::string("PIPL")), 16000);
  if (!pipl) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " refused: it has no property list (PIPL 16000)";
    return false;
  }
  auto list = parsePropertyList(*pipl, &why);
  if (!list) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " refused: " + why;
    return false;
  }
  resources_ = std::move(*resources);
  propertyList_ = *list;
  dialogs_->setResources(&resources_);
  return linkModule(error);
}

bool Session::linkModule(std::string* error) {
  std::string why;
  library_ = ModuleLibrary::load(options_.modulePath, &why);
  if (!library_) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " could not be loaded: " + why;
    return false;
  }
  entry_ = reinterpret_cast<PluginMainProc>(library_->symbol(propertyList_.entryName.c_str()));
  if (!entry_) {
    if (error)
      *error = "plug-in " + options_.modulePath.string() + " refused: it exports no entry point '" +
               propertyList_.entryName + "' named by its property list";
    library_.reset();
    return false;
  }
  return true;
}

HostPluginRef Session::pluginRef() const { return encodeHandle<HostPluginRef>(0, 0, kSaltPlugin); }

HostErr Session::call(const char* caller, const char* selector, void* message) {
  if (!entry_) return kHostNotFoundErr;  // the module could not be loaded again after an unload
  bool topLevel = depth_ == 0;
  ++depth_;
  if (topLevel) document_->beginCall();
  HostErr result = entry_(caller, selector, message);
  if (topLevel) document_->endCall();
  --depth_;
  return result;
}

HostMessage Session::message() const { return HostMessage{SuiteRegistry::basic(), pluginRef(), globals_}; }

HostErr Session::send(const char* caller, const char* selector) {
  if (std::strcmp(caller, kCallerFilter) == 0) return sendFilter(selector, registeredFilter());
  if (std::strcmp(caller, kCallerMenu) == 0) {
    MenuMessage m{message(), nullptr};
    return call(caller, selector, &m);
  }
  HostMessage m = message();
  HostErr e = call(caller, selector, &m);
  // The plug-in hands its globals to the host to keep when it is unloaded or shut down.
  if (std::strcmp(caller, kCallerAccess) == 0 || std::strcmp(selector, kSelectorShutdown) == 0) globals_ = m.globals;
  return e;
}

HostErr Session::sendFilter(const char* selector, HostFilter filter) {
  FilterMessage m{message(), filter, memory_.parametersHandle()};
  HostErr e = call(kCallerFilter, selector, &m);
  memory_.keepParameters(m.parameters);
  return e;
}

HostErr Session::startup() { return send(kCallerInterface, kSelectorStartup); }
HostErr Session::shutdown() { return send(kCallerInterface, kSelectorShutdown); }
HostErr Session::about() { return send(kCallerInterface, kSelectorAbout); }
HostErr Session::menuGo() { return send(kCallerMenu, kSelectorMenuGo); }
HostErr Session::menuUpdate() { return send(kCallerMenu, kSelectorMenuUpdate); }
HostErr Session::getParameters() { return sendFilter(kSelectorGetParameters, registeredFilter()); }
HostErr Session::getParameters(HostFilter filter) { return sendFilter(kSelectorGetParameters, filter); }
HostErr Session::go() { return sendFilter(kSelectorFilterGo, registeredFilter()); }

HostErr Session::unloadAndReload() {
  HostErr e = send(kCallerAccess, kSelectorUnload);
  entry_ = nullptr;
  library_.reset();
  if (!linkModule(nullptr)) return kHostNotFoundErr;
  HostErr r = send(kCallerAccess, kSelectorReload);
  return e ? e : r;
}

HostFilter Session::filterHandle(size_t index) const {
  return encodeHandle<HostFilter>(static_cast<uint32_t>(index), 0, kSaltFilter);
}

HostFilter Session::registeredFilter() const { return filters_.empty() ? nullptr : filterHandle(0); }

HostErr Session::addFilter(HostPluginRef plugin, const char* name, const unsigned char* category,
                           const unsigned char* title, int32_t options, HostFilter* filter) {
  if (plugin != pluginRef()) return kHostBadHandleErr;
  RegisteredFilter f;
  f.name = name;
  f.category.assign(reinterpret_cast<const char*>(category) + 1, category[0]);
  f.title.assign(reinterpret_cast<const char*>(title) + 1, title[0]);
  f.options = options;
  filters_.push_back(std::move(f));
  *filter = filterHandle(filters_.size() - 1);
  return kHostNoErr;
}

HostErr Session::filterMenuItem(HostFilter filter, HostMenuItem* item) {
  auto bits = decodeHandle(filter, kSaltFilter);
  if (!bits || bits->generation != 0 || bits->index >= filters_.size()) return kHostBadHandleErr;
  *item = encodeHandle<HostMenuItem>(bits->index, 0, kSaltMenuItem);
  return kHostNoErr;
}

HostErr Session::updateMenuItem(HostMenuItem item, std::vector<int32_t> criteria) {
  auto bits = decodeHandle(item, kSaltMenuItem);
  if (!bits || bits->index >= filters_.size()) return kHostBadHandleErr;
  filters_[bits->index].menuCriteria = std::move(criteria);
  return kHostNoErr;
}

}  // namespace flhost
