/* Menu items. */
#ifndef FLARIMOND_MENU_SUITE_H
#define FLARIMOND_MENU_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kMenuSuiteName "AI Menu Suite"
#define kMenuSuiteVersion 7

typedef struct MenuSuite {
  /* Lets the host enable the item by itself: the action (1 enable), then the criteria pairs for
   * art kinds in the artwork, selected art kinds and document states (included, excluded).
   * Fails: kHostBadHandleErr for a menu item the host did not make. [any time] */
  HostErr (*updateMenuItemAutomatically)(HostMenuItem item, int32_t action, int32_t artIncluded, int32_t artExcluded,
                                         int32_t selectedIncluded, int32_t selectedExcluded, int32_t documentIncluded,
                                         int32_t documentExcluded);
} MenuSuite;

#ifdef __cplusplus
}
#endif

#endif
