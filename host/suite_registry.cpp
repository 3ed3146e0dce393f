#include "suite_registry.h"

#include <algorithm>
#include <cstring>

#include "adm_suites.h"
#include "ai_suites.h"
#include "faults.h"
#include "host_context.h"

namespace flhost {

namespace {

HostErr basicAcquire(const char* name, int32_t version, const void** suite) {
  if (HostErr e = hostFaults().enter("basic.acquireSuite")) return e;
  return guarded([&] { return hostSuites().acquire(name, version, suite); });
}
HostErr basicRelease(const char* name, int32_t version) {
  if (HostErr e = hostFaults().enter("basic.releaseSuite")) return e;
  return guarded([&] { return hostSuites().release(name, version); });
}
HostBool basicIsEqual(const char* a, const char* b) {
  if (hostFaults().enter("basic.isEqual")) return 0;
  return a && b && std::strcmp(a, b) == 0;
}

const BasicSuite kBasic = {basicAcquire, basicRelease, basicIsEqual};

std::string suiteKey(const char* name, int32_t version) { return std::string(name) + "/" + std::to_string(version); }

}  // namespace

const BasicSuite* SuiteRegistry::basic() { return &kBasic; }

HostErr SuiteRegistry::acquire(const char* name, int32_t version, const void** suite) {
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

HostErr SuiteRegistry::release(const char* name, int32_t version) {
  if (!name) return kHostBadParameterErr;
  auto it = held_.find(suiteKey(name, version));
  if (it == held_.end() || it->second == 0) return kHostNotFoundErr;
  if (--it->second == 0) held_.erase(it);
  return kHostNoErr;
}

int SuiteRegistry::heldCount() const {
  int n = 0;
  for (const auto& [key, count] : held_) n += count;
  return n;
}

}  // namespace flhost
