#include "faults.h"

namespace flhost {

void Faults::failOn(std::string_view op, uint64_t nth, HostErr code) {
  size_t index = operationIndex(op);
  uint64_t at = count(op) + (nth == 0 ? 1 : nth);
  faults_.push_back({index, at, code});
  if (index < kOperationCount) ++armed_;
}

HostErr Faults::fire(size_t op, uint64_t n) {
  for (Fault& f : faults_)
    if (!f.fired && f.op == op && f.atCall == n) {
      f.fired = true;
      --armed_;
      return f.code;
    }
  return kHostNoErr;
}

uint64_t Faults::count(std::string_view op) const {
  size_t index = operationIndex(op);
  return index < kOperationCount ? counts_[index] : 0;
}

bool Faults::pending() const {
  for (const Fault& f : faults_)
    if (!f.fired) return true;
  return false;
}

std::span<const std::string_view> operationNames() { return kOperationNames; }

}  // namespace flhost
