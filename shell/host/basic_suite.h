/* The basic suite, carried in every message: how a plug-in reaches every other suite. */
#ifndef FLARIMOND_BASIC_SUITE_H
#define FLARIMOND_BASIC_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct BasicSuite {
  /* Acquires the suite of that name and version into *suite; kHostSuiteNotFoundErr when the host
   * has none. The table stays valid until the matching release; the host owns it. */
  HostErr (*acquireSuite)(const char *name, int32_t version, const void **suite);
  /* Releases one acquisition of the suite; kHostNotFoundErr when none is held. */
  HostErr (*releaseSuite)(const char *name, int32_t version);
  /* Non-zero when the two zero-terminated strings are equal. */
  HostBool (*isEqual)(const char *a, const char *b);
} BasicSuite;

#ifdef __cplusplus
}
#endif

#endif
