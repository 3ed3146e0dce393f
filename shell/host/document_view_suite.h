/* Views of the current document. */
#ifndef FLARIMOND_DOCUMENT_VIEW_SUITE_H
#define FLARIMOND_DOCUMENT_VIEW_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kDocumentViewSuiteName "AI Document View Suite"
#define kDocumentViewSuiteVersion 7

typedef struct DocumentViewSuite {
  /* The number of open views of the current document. Fails: kHostBadParameterErr for a null
   * count. [any time] */
  HostErr (*countViews)(int32_t *count);
  /* The view at index n (0 the front view) into *view; owned by the document. Fails:
   * kHostBadParameterErr for a null view, kHostNotFoundErr for n outside 0..count - 1.
   * [any time] */
  HostErr (*getNthView)(int32_t n, HostView *view);
  /* The artwork point shown at the centre of the view. Fails: kHostBadHandleErr for a stale
   * view, kHostBadParameterErr for a null centre. [any time] */
  HostErr (*getViewCenter)(HostView view, HostRealPoint *centre);
  /* The zoom factor (1.0 is 100 %). Fails: kHostBadHandleErr for a stale view,
   * kHostBadParameterErr for a null zoom. [any time] */
  HostErr (*getViewZoom)(HostView view, HostReal *zoom);
  /* Sets the zoom factor, keeping the centre. Fails: kHostBadHandleErr for a stale view,
   * kHostBadParameterErr for a factor <= 0 or not finite. [any time] */
  HostErr (*setViewZoom)(HostView view, HostReal zoom);
  /* Converts a point in the view's window coordinates (y down) to artwork coordinates. Fails:
   * kHostBadHandleErr for a stale view, kHostBadParameterErr for a null point. [any time] */
  HostErr (*viewPointToArtworkPoint)(HostView view, const HostViewPoint *point, HostRealPoint *artwork);
  /* Converts an artwork point to the view's window coordinates, rounded to the nearest. Fails:
   * kHostBadHandleErr for a stale view, kHostBadParameterErr for a null point or an artwork point
   * that is not finite. [any time] */
  HostErr (*artworkPointToViewPoint)(HostView view, const HostRealPoint *artwork, HostViewPoint *point);
} DocumentViewSuite;

#ifdef __cplusplus
}
#endif

#endif
