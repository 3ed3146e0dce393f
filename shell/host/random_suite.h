/* The host's random source. */
#ifndef FLARIMOND_RANDOM_SUITE_H
#define FLARIMOND_RANDOM_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kRandomSuiteName "AI Random Suite"
#define kRandomSuiteVersion 3

typedef struct RandomSuite {
  /* The next uniform draw in [0, 1); 0 on failure. [any time] */
  HostReal (*floatRandom)(void);
} RandomSuite;

#ifdef __cplusplus
}
#endif

#endif
