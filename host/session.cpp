#include "session.h"

#include <cstring>

#include "adm_suites.h"
#include "ai_suites.h"
#include "handles.h"
#include "host_context.h"

namespace flhost {

namespace {

Session* gCurrent = nullptr;

HostErr basicAcquire(const char* name, int32_t version, const void** suite) {
  if (HostErr e = hostFaults().enter("basic.acquireSuite")) return e;
  return guarded([&] { return Session::current()->acquireSuite(name, version, suite); });
}
HostErr basicRelease(const char* name, int32_t version) {
  if (HostErr e = hostFaults().enter("basic.releaseSuite")) return e;
  return guarded([&] { return Session::current()->releaseSuite(name, version); });
}
HostBool basicIsEqual(const char* a, const char* b) {
  if (hostFaults().enter("basic.isEqual")) return 0;
  return a && b && std::strcmp(a, b) == 0;
}

std::string suiteKey(const char* name, int32_t version) { return std::string(name) + "/" + std::to_string(version); }

}  // namespace

Session* Session::current() { return gCurrent; }

Faults& hostFaults() { return gCurrent->faults(); }
DialogManager& hostDialogs() { return gCurrent->dialogs(); }
const ResourceSet& hostResources() { return gCurrent->resources(); }
Document& hostDocument() { return gCurrent->document(); }
HostPluginRef hostPluginRef() { return gCurrent->pluginRef(); }

Session::Session(const SessionOptions& options)
    : options_(options),
      random_(options.seed ? *options.seed : RandomSource::freshSeed()),
      document_(std::make_unique<Document>(options.document)),
      dialogs_(std::make_unique<DialogManager>(faults_)) {
  random_.queueDraws(options.draws);
  random_.skip(options.skipDraws);
  basic_ = BasicSuite{basicAcquire, basicRelease, basicIsEqual};
  previous_ = gCurrent;
  gCurrent = this;
  dialogScope_ = std::make_unique<DialogManager::Scope>(*dialogs_);
  dialogs_->setPluginRef(pluginRef());
  dialogs_->artworkToView = [this](HostRealPoint p) { return document_->artworkToView(p); };
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
  library_ = ModuleLibrary::load(options_.modulePath, &why);
  if (!library_) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " could not be loaded: " + why;
    return false;
  }
  entry_ = reinterpret_cast<PluginMainProc>(library_->symbol(propertyList_.entryName.c_str()));
  if (!entry_) {
    if (error) *error = "plug-in " + options_.modulePath.string() + " refused: it exports no entry point '" +
                        propertyList_.entryName + "' named by its property list";
    library_.reset();
    return false;
  }
  return true;
}

HostPluginRef Session::pluginRef() const { return encodeHandle<HostPluginRef>(0, 0, kSaltPlugin); }

HostErr Session::call(const char* caller, const char* selector, void* message) {
  bool topLevel = depth_ == 0;
  ++depth_;
  if (topLevel) document_->beginCall();
  HostErr result = entry_(caller, selector, message);
  if (topLevel) document_->endCall();
  --depth_;
  return result;
}

HostErr Session::startup() {
  HostMessage m{&basic_, pluginRef(), globals_};
  return call(kCallerInterface, kSelectorStartup, &m);
}

HostErr Session::shutdown() {
  HostMessage m{&basic_, pluginRef(), globals_};
  HostErr e = call(kCallerInterface, kSelectorShutdown, &m);
  globals_ = m.globals;
  return e;
}

HostErr Session::about() {
  HostMessage m{&basic_, pluginRef(), globals_};
  return call(kCallerInterface, kSelectorAbout, &m);
}

HostFilter Session::filterHandle(size_t index) const {
  return encodeHandle<HostFilter>(static_cast<uint32_t>(index), 0, kSaltFilter);
}

HostErr Session::getParameters() { return getParameters(filters_.empty() ? nullptr : filterHandle(0)); }

HostErr Session::getParameters(HostFilter filter) {
  FilterMessage m{{&basic_, pluginRef(), globals_}, filter, parameters_};
  HostErr e = call(kCallerFilter, kSelectorGetParameters, &m);
  // The host keeps whatever block the plug-in made for the filter.
  if (m.parameters != parameters_ && memHandles_.count(m.parameters)) parameters_ = m.parameters;
  return e;
}

HostErr Session::go() {
  FilterMessage m{{&basic_, pluginRef(), globals_}, filters_.empty() ? nullptr : filterHandle(0), parameters_};
  return call(kCallerFilter, kSelectorFilterGo, &m);
}

HostErr Session::send(const char* caller, const char* selector) {
  if (std::strcmp(caller, kCallerFilter) == 0) {
    FilterMessage m{{&basic_, pluginRef(), globals_}, filters_.empty() ? nullptr : filterHandle(0), parameters_};
    HostErr e = call(caller, selector, &m);
    if (m.parameters != parameters_ && memHandles_.count(m.parameters)) parameters_ = m.parameters;
    return e;
  }
  if (std::strcmp(caller, kCallerMenu) == 0) {
    MenuMessage m{{&basic_, pluginRef(), globals_}, nullptr};
    return call(caller, selector, &m);
  }
  HostMessage m{&basic_, pluginRef(), globals_};
  HostErr e = call(caller, selector, &m);
  if (std::strcmp(caller, kCallerAccess) == 0 || std::strcmp(selector, kSelectorShutdown) == 0) globals_ = m.globals;
  return e;
}

HostErr Session::menuGo() {
  MenuMessage m{{&basic_, pluginRef(), globals_}, nullptr};
  return call(kCallerMenu, kSelectorMenuGo, &m);
}

HostErr Session::menuUpdate() {
  MenuMessage m{{&basic_, pluginRef(), globals_}, nullptr};
  return call(kCallerMenu, kSelectorMenuUpdate, &m);
}

HostErr Session::unloadAndReload() {
  HostMessage unload{&basic_, pluginRef(), globals_};
  HostErr e = call(kCallerAccess, kSelectorUnload, &unload);
  globals_ = unload.globals;
  entry_ = nullptr;
  library_.reset();
  std::string why;
  library_ = ModuleLibrary::load(options_.modulePath, &why);
  if (!library_) return kHostNotFoundErr;
  entry_ = reinterpret_cast<PluginMainProc>(library_->symbol(propertyList_.entryName.c_str()));
  if (!entry_) return kHostNotFoundErr;
  HostMessage reload{&basic_, pluginRef(), globals_};
  HostErr r = call(kCallerAccess, kSelectorReload, &reload);
  return e ? e : r;
}

std::vector<uint8_t> Session::parameters() const {
  if (!parameters_) return {};
  return memHandles_.at(parameters_)->bytes;
}

void Session::setParameters(const std::vector<uint8_t>& bytes) {
  auto h = std::make_unique<MemHandle>();
  h->bytes = bytes;
  h->block = h->bytes.data();
  HostMemHandle handle = &h->block;
  if (parameters_) memHandles_.erase(parameters_);
  memHandles_[handle] = std::move(h);
  parameters_ = handle;
}

void Session::clearParameters() {
  if (parameters_) memHandles_.erase(parameters_);
  parameters_ = nullptr;
}

int Session::heldSuiteCount() const {
  int n = 0;
  for (const auto& [key, count] : held_) n += count;
  return n;
}

HostErr Session::acquireSuite(const char* name, int32_t version, const void** suite) {
  if (!name || !suite) return kHostBadParameterErr;
  const void* table = findAiSuite(name, version);
  if (!table) table = findAdmSuite(name, version);
  if (!table) {
    *suite = nullptr;
    return kHostSuiteNotFoundErr;
  }
  *suite = table;
  std::string key = suiteKey(name, version);
  if (held_[key]++ == 0 && std::find(everAcquired_.begin(), everAcquired_.end(), key) == everAcquired_.end())
    everAcquired_.push_back(key);
  return kHostNoErr;
}

HostErr Session::releaseSuite(const char* name, int32_t version) {
  if (!name) return kHostBadParameterErr;
  auto it = held_.find(suiteKey(name, version));
  if (it == held_.end() || it->second == 0) return kHostNotFoundErr;
  if (--it->second == 0) held_.erase(it);
  return kHostNoErr;
}

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

HostErr Session::allocateBlock(int32_t size, void** block) {
  if (!block || size < 0) return kHostBadParameterErr;
  auto bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(size) + 1);  // zero-filled
  *block = bytes.get();
  blocks_[*block] = std::move(bytes);
  return kHostNoErr;
}

HostErr Session::freeBlock(void* block) {
  auto it = blocks_.find(block);
  if (it == blocks_.end()) return kHostBadHandleErr;
  blocks_.erase(it);
  return kHostNoErr;
}

HostErr Session::newHandle(int32_t size, HostMemHandle* handle) {
  if (!handle || size < 0) return kHostBadParameterErr;
  auto h = std::make_unique<MemHandle>();
  h->bytes.assign(static_cast<size_t>(size), 0);
  h->block = h->bytes.data();
  *handle = &h->block;
  memHandles_[*handle] = std::move(h);
  return kHostNoErr;
}

HostErr Session::disposeHandle(HostMemHandle handle) {
  auto it = memHandles_.find(handle);
  if (it == memHandles_.end()) return kHostBadHandleErr;
  if (handle == parameters_) parameters_ = nullptr;
  memHandles_.erase(it);
  return kHostNoErr;
}

HostErr Session::handleSize(HostMemHandle handle, int32_t* size) {
  auto it = memHandles_.find(handle);
  if (it == memHandles_.end()) return kHostBadHandleErr;
  if (!size) return kHostBadParameterErr;
  *size = static_cast<int32_t>(it->second->bytes.size());
  return kHostNoErr;
}

}  // namespace flhost
