// Call counting and fault injection for every host operation.
//
// Each suite function announces itself by name ("art.newArt", "item.setText", ...) before it does
// anything; the host counts the call and, when a fault was set for that call, the function
// returns the chosen code without touching any state.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host_types.h"

namespace flhost {

class Faults {
 public:
  // Makes operation `op` fail with `code` on its nth call (1-based), counting from now on.
  void failOn(std::string op, uint64_t nth, HostErr code);
  // Counts a call of `op`; returns the injected code for this call, or 0.
  HostErr enter(std::string_view op);
  uint64_t count(std::string_view op) const;
  const std::map<std::string, uint64_t, std::less<>>& counts() const { return counts_; }
  void resetCounts() {
    counts_.clear();
    byAddress_.clear();
  }
  // Whether any injected fault has not fired yet (a test can check its fault was reached).
  bool pending() const;

 private:
  struct Fault {
    std::string op;
    uint64_t atCall;
    HostErr code;
    bool fired = false;
  };
  std::map<std::string, uint64_t, std::less<>> counts_;
  // Every suite function names itself with the same literal on every call: its address finds the
  // counter without comparing text (a design makes millions of host calls).
  using Counter = std::map<std::string, uint64_t, std::less<>>::iterator;
  std::unordered_map<const char*, Counter> byAddress_;
  std::vector<Fault> faults_;
};

// The names of every operation the host supplies, "suite.operation", in suite order.
const std::vector<std::string_view>& operationNames();

}  // namespace flhost
