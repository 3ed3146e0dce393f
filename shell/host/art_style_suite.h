/* Named art styles of the current document. */
#ifndef FLARIMOND_ART_STYLE_SUITE_H
#define FLARIMOND_ART_STYLE_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kArtStyleSuiteName "AI Art Style Suite"
#define kArtStyleSuiteVersion 3

typedef struct ArtStyleSuite {
  /* The number of named art styles. Fails: kHostBadParameterErr for a null count. [any time] */
  HostErr (*countNamedArtStyles)(int32_t *count);
  /* The named style at position n (from 0) into *style; owned by the document. Fails:
   * kHostBadParameterErr for a null style, kHostNotFoundErr for n outside 0..count - 1.
   * [any time] */
  HostErr (*getNthNamedArtStyle)(int32_t n, HostArtStyle *style);
  /* Applies the style to the art: its paint and opacity replace the art's own. Fails:
   * kHostBadHandleErr for a stale style or art, kHostNotInCallErr. [in call] */
  HostErr (*applyArtStyle)(HostArt art, HostArtStyle style);
  /* Copies the style's name, zero-terminated and cut to fit, into buffer (size bytes). Fails:
   * kHostBadHandleErr for a stale style, kHostBadParameterErr for a null buffer or size <= 0.
   * [any time] */
  HostErr (*getArtStyleName)(HostArtStyle style, char *buffer, int32_t size);
} ArtStyleSuite;

#ifdef __cplusplus
}
#endif

#endif
