/* Taking back document changes. */
#ifndef FLARIMOND_UNDO_SUITE_H
#define FLARIMOND_UNDO_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kUndoSuiteName "AI Undo Suite"
#define kUndoSuiteVersion 4

typedef struct UndoSuite {
  /* Takes back every document change made so far in the current top-level plug-in call, newest
   * first; handles to art made in the call become stale. Fails: kHostNotInCallErr. [in call] */
  HostErr (*undoChanges)(void);
} UndoSuite;

#ifdef __cplusplus
}
#endif

#endif
