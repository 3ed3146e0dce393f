/* Access to plug-in modules. Acquired with the others, never called by Flarimond. */
#ifndef FLARIMOND_ACCESS_SUITE_H
#define FLARIMOND_ACCESS_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAccessSuiteName "SP Access Suite"
#define kAccessSuiteVersion 3

typedef struct AccessSuite {
  /* Copies the file path of the plug-in's module, zero-terminated and cut to fit, into buffer
   * (size bytes). Fails: kHostBadHandleErr for a plug-in ref not the caller's own,
   * kHostBadParameterErr for a null buffer or size <= 0. [any time] */
  HostErr (*getModulePath)(HostPluginRef plugin, char *buffer, int32_t size);
} AccessSuite;

#ifdef __cplusplus
}
#endif

#endif
