/* Transforming art by a matrix. */
#ifndef FLARIMOND_TRANSFORM_ART_SUITE_H
#define FLARIMOND_TRANSFORM_ART_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kTransformArtSuiteName "AI Transform Art Suite"
#define kTransformArtSuiteVersion 1

/* Transform flags. */
#define kTransformObjects 1       /* move the art's anchors and handles */
#define kTransformScaleLines 0x10 /* also multiply the stroke width by lineScale */

typedef struct TransformArtSuite {
  /* Moves the art's points by matrix (with kTransformObjects); with kTransformScaleLines the
   * stroke width is multiplied by lineScale. Fails (the art unchanged): kHostBadParameterErr for
   * a null matrix, one that is not finite, or a result that is not (a point or width past the
   * largest float), kHostBadHandleErr for a stale art, kHostNotInCallErr. [in call] */
  HostErr (*transformArt)(HostArt art, const HostMatrix *matrix, HostReal lineScale, int32_t flags);
} TransformArtSuite;

#ifdef __cplusplus
}
#endif

#endif
