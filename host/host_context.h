// How the suite functions reach the running host. The host runs one plug-in call at a time on one
// thread, and the suites' C function tables carry no context, so the host in charge is a
// process-wide current object, installed by Session for the length of its life.
#pragma once

#include "host_types.h"

namespace flhost {

class Faults;
class DialogManager;
class ResourceSet;
class Document;
class HostMemory;
class SuiteRegistry;

Faults& hostFaults();
DialogManager& hostDialogs();
// The resources of the loaded plug-in module.
const ResourceSet& hostResources();
Document& hostDocument();
// The reference the host gave the loaded plug-in; other references are refused.
HostPluginRef hostPluginRef();
// The blocks and handles lent to the plug-in, and the suites it holds.
HostMemory& hostMemory();
SuiteRegistry& hostSuites();

// Runs f, turning any exception into a host code so none ever reaches the plug-in.
template <class F>
HostErr guarded(F&& f) noexcept;

}  // namespace flhost

#include <exception>
#include <new>

namespace flhost {
template <class F>
HostErr guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return kHostOutOfMemoryErr;
  } catch (...) {
    return kHostBadParameterErr;
  }
}
}  // namespace flhost
