// The suites the host supplies, and the account of which the plug-in holds: every acquisition
// must be matched by a release, so what is still held after a message is a leak a test can see.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "basic_suite.h"

namespace flhost {

class SuiteRegistry {
 public:
  // The basic suite every message carries: acquire, release and string comparison, each counted
  // and open to injected faults, over the registry of the current host.
  static const BasicSuite* basic();

  // Looks the suite up among the artwork and dialog suites; kHostSuiteNotFoundErr (and a null
  // *suite) for a name or version the host does not supply.
  HostErr acquire(const char* name, int32_t version, const void** suite);
  // kHostNotFoundErr when the suite is not held.
  HostErr release(const char* name, int32_t version);

  // Suites currently acquired and not released, by "name/version", with their counts.
  const std::map<std::string, int>& held() const { return held_; }
  int heldCount() const;
  // Every suite acquired at least once, in first-acquisition order.
  const std::vector<std::string>& everAcquired() const { return everAcquired_; }

 private:
  std::map<std::string, int> held_;
  std::vector<std::string> everAcquired_;
};

}  // namespace flhost
