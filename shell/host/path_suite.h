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
  /* The number of segments of the path. Fails: kHostBadParameterErr for a null count,
   * kHostBadHandleErr for a stale art. [any time] */
  HostErr (*getPathSegmentCount)(HostArt art, int16_t *count);
  /* Sets the number of segments; new ones are zero, the excess is dropped. Fails:
   * kHostBadParameterErr for a negative count, kHostTooManyPointsErr past kHostMaxPathSegments,
   * kHostBadHandleErr for a stale art, kHostNotInCallErr. [in call] */
  HostErr (*setPathSegmentCount)(HostArt art, int16_t count);
  /* Copies count segments from index on into the caller's segments. Fails: kHostBadHandleErr
   * for a stale art, kHostBadParameterErr for null segments or a range not inside the path.
   * [any time] */
  HostErr (*getPathSegments)(HostArt art, int16_t index, int16_t count, HostPathSegment *segments);
  /* Writes count segments from index on; writing at the end grows the path. Fails (nothing is
   * written): kHostBadHandleErr for a stale art, kHostBadParameterErr for null segments, a
   * negative index or count, an index past the end or a coordinate that is not finite,
   * kHostTooManyPointsErr for growing past kHostMaxPathSegments, kHostNotInCallErr. [in call] */
  HostErr (*setPathSegments)(HostArt art, int16_t index, int16_t count, const HostPathSegment *segments);
  /* Whether the path closes from its last anchor back to its first. Fails: kHostBadParameterErr
   * for a null closed, kHostBadHandleErr for a stale art. [any time] */
  HostErr (*getPathClosed)(HostArt art, HostBool *closed);
  /* Opens or closes the path. Fails: kHostBadHandleErr for a stale art, kHostNotInCallErr.
   * [in call] */
  HostErr (*setPathClosed)(HostArt art, HostBool closed);
} PathSuite;

#ifdef __cplusplus
}
#endif

#endif
