/* Creating, copying and measuring art in the current document. */
#ifndef FLARIMOND_ART_SUITE_H
#define FLARIMOND_ART_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kArtSuiteName "AI Art Suite"
#define kArtSuiteVersion 9

/* Art kinds. Paths are the only kind this host makes. */
#define kHostArtPath 2

/* Paint orders: where new art goes in the stacking order. */
#define kPlaceAbove 1    /* directly above the reference art */
#define kPlaceBelow 2    /* directly below the reference art */
#define kPlaceAboveAll 5 /* above all art; no reference */
#define kPlaceBelowAll 6 /* below all art; no reference */

typedef struct ArtSuite {
  /* Makes an empty, open art of the kind at the paint order (relative to reference for
   * kPlaceAbove/kPlaceBelow) with the paint for new paths. The document owns it; *art stays
   * valid until the art is disposed or undone. Fails: kHostBadParameterErr for a null art, a kind
   * other than kHostArtPath or an unknown paint order, kHostBadHandleErr for a stale reference
   * with kPlaceAbove/kPlaceBelow, kHostOutOfMemoryErr when the document is full,
   * kHostNotInCallErr. [in call] */
  HostErr (*newArt)(int16_t kind, int16_t paintOrder, HostArt reference, HostArt *art);
  /* Copies art whole (segments, style, opacity, art style) to the paint order into *copy. Fails:
   * as newArt, and kHostBadHandleErr for a stale art. [in call] */
  HostErr (*duplicateArt)(HostArt art, int16_t paintOrder, HostArt reference, HostArt *copy);
  /* Removes art from the document; its handle becomes stale. Fails: kHostBadHandleErr for a
   * stale art, kHostNotInCallErr. [in call] */
  HostErr (*disposeArt)(HostArt art);
  /* The art's kind. Fails: kHostBadParameterErr for a null kind, kHostBadHandleErr for a stale
   * art. [any time] */
  HostErr (*getArtType)(HostArt art, int16_t *kind);
  /* The geometric bounds of the art's curves (extrema, not control points); an empty path gives
   * left > right. Fails: kHostBadParameterErr for null bounds, kHostBadHandleErr for a stale art.
   * [any time] */
  HostErr (*getArtBounds)(HostArt art, HostRealRect *bounds);
} ArtSuite;

#ifdef __cplusplus
}
#endif

#endif
