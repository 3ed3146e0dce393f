/* The anchors of path art. */
#ifndef FLARIMOND_PATH_SUITE_H
#define FLARIMOND_PATH_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPathSuiteName "AI Path Suite"
#define kPathSuiteVersion 4

/* The most segments one path may hold. */
#define kHostMaxPathSegments 32000

typedef struct PathSuite {
  /* The number of segments of the path. */
  HostErr (*getPathSegmentCount)(HostArt art, int16_t *count);
  /* Sets the number of segments; new ones are zero, the excess is dropped. */
  HostErr (*setPathSegmentCount)(HostArt art, int16_t count);
  /* Copies count segments from index on into the caller's segments. */
  HostErr (*getPathSegments)(HostArt art, int16_t index, int16_t count, HostPathSegment *segments);
  /* Writes count segments from index on; writing at the end grows the path. An index past the
   * end, or a coordinate that is not finite, is kHostBadParameterErr (nothing is written);
   * growing past kHostMaxPathSegments kHostTooManyPointsErr. */
  HostErr (*setPathSegments)(HostArt art, int16_t index, int16_t count, const HostPathSegment *segments);
  /* Whether the path closes from its last anchor back to its first. */
  HostErr (*getPathClosed)(HostArt art, HostBool *closed);
  /* Opens or closes the path. */
  HostErr (*setPathClosed)(HostArt art, HostBool closed);
} PathSuite;

#ifdef __cplusplus
}
#endif

#endif
