/* Transparency of art. */
#ifndef FLARIMOND_BLEND_STYLE_SUITE_H
#define FLARIMOND_BLEND_STYLE_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kBlendStyleSuiteName "AI Blend Style Suite"
#define kBlendStyleSuiteVersion 2

typedef struct BlendStyleSuite {
  /* The art's opacity, 0 to 1; 1 for a stale art. [any time] */
  HostReal (*getOpacity)(HostArt art);
  /* Sets the art's opacity, clamped to 0..1. Fails: kHostBadParameterErr for a NaN opacity,
   * kHostBadHandleErr for a stale art, kHostNotInCallErr. [in call] */
  HostErr (*setOpacity)(HostArt art, HostReal opacity);
} BlendStyleSuite;

#ifdef __cplusplus
}
#endif

#endif
