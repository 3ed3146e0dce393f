/* The host interface headers are plain C: this file includes every one of them (through
 * suites.h) and is compiled as C11 with warnings as errors in the normal build, so a C++-only
 * construct in a header breaks the build rather than a plug-in written in C. */
#include "suites.h"

#include <stddef.h>

/* Records the plug-in and the host both copy whole keep the layout the C++ side sees. */
_Static_assert(sizeof(HostColor) == 68, "colour record is 68 bytes");
_Static_assert(offsetof(HostColor, c) == 4, "colour components follow the kind");
_Static_assert(offsetof(FilterMessage, d) == 0, "a filter message starts with the common message");
_Static_assert(offsetof(MenuMessage, d) == 0, "a menu message starts with the common message");

/* A C plug-in's entry point and a suite call, as such a plug-in would write them. */
HostErr flarimondCHeadersProbe(const char *caller, const char *selector, void *message);

HostErr flarimondCHeadersProbe(const char *caller, const char *selector, void *message) {
  const HostMessage *m = (const HostMessage *)message;
  const void *table = NULL;
  if (!m || !m->basic->isEqual(caller, kCallerInterface) || !m->basic->isEqual(selector, kSelectorStartup))
    return kHostNoErr;
  HostErr e = m->basic->acquireSuite(kPathStyleSuiteName, kPathStyleSuiteVersion, &table);
  if (e == kHostNoErr) e = m->basic->releaseSuite(kPathStyleSuiteName, kPathStyleSuiteVersion);
  return e;
}
