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
  /* The number of named art styles. */
  HostErr (*countNamedArtStyles)(int32_t *count);
  /* The named style at position n (from 0) into *style; owned by the document. */
  HostErr (*getNthNamedArtStyle)(int32_t n, HostArtStyle *style);
  /* Applies the style to the art: its paint and opacity replace the art's own. */
  HostErr (*applyArtStyle)(HostArt art, HostArtStyle style);
  /* Copies the style's name, zero-terminated, into buffer (size bytes). */
  HostErr (*getArtStyleName)(HostArtStyle style, char *buffer, int32_t size);
} ArtStyleSuite;

#ifdef __cplusplus
}
#endif

#endif
