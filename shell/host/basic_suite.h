/* The basic suite, carried in every message: how a plug-in reaches every other suite. */
#ifndef FLARIMOND_BASIC_SUITE_H
#define FLARIMOND_BASIC_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct BasicSuite {
  /* Acquires the suite of that name and version into *suite. The table stays valid until the
   * matching release; the host owns it. Fails: kHostSuiteNotFoundErr when the host has no suite
   * of that name and exactly that version, kHostBadParameterErr for a null name or suite.
   * [any time] */
  HostErr (*acquireSuite)(const char *name, int32_t version, const void **suite);
  /* Releases one acquisition of the suite. Fails: kHostNotFoundErr when none is held,
   * kHostBadParameterErr for a null name. [any time] */
  HostErr (*releaseSuite)(const char *name, int32_t version);
  /* Non-zero when the two zero-terminated strings are equal; 0 when either is null. [any time] */
  HostBool (*isEqual)(const char *a, const char *b);
} BasicSuite;

#ifdef __cplusplus
}
#endif

#endif
