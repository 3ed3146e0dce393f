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
  /* The number of swatches in a list; null is the current document's list. */
  int32_t (*countSwatches)(void *list);
  /* The swatch at position n (from 0), or null when there is none; owned by the document. */
  HostSwatch (*getNthSwatch)(void *list, int32_t n);
  /* Copies the swatch's colour record; kHostBadHandleErr, and nothing written, for a null or
   * stale swatch. */
  HostErr (*getSwatchColor)(HostSwatch swatch, HostColor *color);
  /* Copies the swatch's name, zero-terminated, into buffer (size bytes). */
  HostErr (*getSwatchName)(HostSwatch swatch, char *buffer, int32_t size);
} SwatchListSuite;

#ifdef __cplusplus
}
#endif

#endif
