#include "bench_host.h"

#include <cstring>
#include <ctime>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <fstream>
#include <string>

#include "params/burst_fields.h"
#include "shell/module_ids.h"

namespace flbench {

std::unique_ptr<flhost::Session> openHost(std::string* error) {
  flhost::SessionOptions options;
  options.modulePath = FLARIMOND_MODULE;
  options.seed = 1;
  std::unique_ptr<flhost::Session> host = flhost::Session::open(options, error);
  if (host && host->startup() != 0) {
    *error = "Startup failed";
    host.reset();
  }
  return host;
}

BurstParams defaults() {
  BurstParams p{};
  writeFieldDefaults(&p, 612.0f * 0.5f, 792.0f * 0.5f);
  return p;
}

BurstParams scalingDesign(int32_t stars) {
  BurstParams p = defaults();
  p.starCount = stars;
  p.burstCount = 150;
  p.uniqueElements = 1;
  p.dropShadow = 1;
  p.pattern = 3;
  p.sketchRepeats = 14;
  p.sketchShift = 5;
  p.sketchWeight = 5;
  return p;
}

BurstParams largestDesign() {
  BurstParams p = scalingDesign(100);
  p.sketchRepeats = 60;
  return p;
}

void BenchUser::run(flhost::ModalSession& s) {
  if (s.resourceId() == fl::kFilterDialogId && onFilterDialog) onFilterDialog(s);
  if (!s.ended()) s.end(1);
}

namespace {

// The baseline host (see run.sh) is built with this harness too; its session held the parameter
// block itself.
template <class Session>
void store(Session& host, const BurstParams& p) {
  std::vector<uint8_t> bytes(sizeof p);
  std::memcpy(bytes.data(), &p, sizeof p);
  if constexpr (requires { host.memory(); })
    host.memory().setParameters(bytes);
  else
    host.setParameters(bytes);
}

int64_t statusField(const char* name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(name);
  while (std::getline(status, line))
    if (line.compare(0, n, name) == 0) return std::stoll(line.substr(n + 1)) * 1024;  // "VmHWM:  123 kB"
  return 0;
}

}  // namespace

HostErr runDialog(flhost::Session& host, const BurstParams& p, BenchUser& user) {
  store(host, p);
  host.dialogs().setDriver(&user);
  return host.getParameters();
}

HostErr goWith(flhost::Session& host, const BurstParams& p) {
  store(host, p);
  return host.go();
}

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void giveBackFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

int64_t residentBytes() { return statusField("VmRSS:"); }
int64_t peakResidentBytes() { return statusField("VmHWM:"); }

void resetPeakMemory() {
  // Writing 5 to clear_refs starts the peak resident set afresh from the current one.
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace flbench
