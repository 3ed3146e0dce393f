/* The swatches of the current document. */
#ifndef FLARIMOND_SWATCH_LIST_SUITE_H
#define FLARIMOND_SWATCH_LIST_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kSwatchListSuiteName "AI Swatch List Suite"
#define kSwatchListSuiteVersion 4

typedef struct SwatchListSuite {
  /* The number of swatches in the current document's list, which is the only list: pass null.
   * 0 for any other list, and 0 on failure. [any time] */
  int32_t (*countSwatches)(void *list);
  /* The swatch at position n (from 0) of the current document's list (pass null); owned by the
   * document. Null when there is none there, for any other list, and on failure. [any time] */
  HostSwatch (*getNthSwatch)(void *list, int32_t n);
  /* Copies the swatch's colour record. Fails: kHostBadHandleErr for a null or stale swatch,
   * kHostBadParameterErr for a null color. [any time] */
  HostErr (*getSwatchColor)(HostSwatch swatch, HostColor *color);
  /* Copies the swatch's name, zero-terminated and cut to fit, into buffer (size bytes). Fails:
   * kHostBadHandleErr for a null or stale swatch, kHostBadParameterErr for a null buffer or
   * size <= 0. [any time] */
  HostErr (*getSwatchName)(HostSwatch swatch, char *buffer, int32_t size);
} SwatchListSuite;

#ifdef __cplusplus
}
#endif

#endif
