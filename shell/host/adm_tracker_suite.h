/* The pointer while an item tracks it. A null tracker means the one now running. */
#ifndef FLARIMOND_ADM_TRACKER_SUITE_H
#define FLARIMOND_ADM_TRACKER_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmTrackerSuiteName "ADM Tracker Suite"
#define kAdmTrackerSuiteVersion 1

typedef struct AdmTrackerSuite {
  /* The pointer position in the coordinates of the document's front view. Fails:
   * kHostBadHandleErr for a stale tracker, kHostBadParameterErr for a null point. [in modal] */
  HostErr (*getPoint)(HostTracker tracker, HostViewPoint *point);
  /* The tracker's action code (what the pointer did); 0 for a stale tracker. [in modal] */
  int32_t (*getAction)(HostTracker tracker);
  /* The state word: buttons, modifier keys and kTrackerPickDone; 0 for a stale tracker.
   * [in modal] */
  uint32_t (*getModifiers)(HostTracker tracker);
} AdmTrackerSuite;

#ifdef __cplusplus
}
#endif

#endif
