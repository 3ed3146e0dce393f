/* The entries of a popup list. */
#ifndef FLARIMOND_ADM_LIST_SUITE_H
#define FLARIMOND_ADM_LIST_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmListSuiteName "ADM List Suite"
#define kAdmListSuiteVersion 1

typedef struct AdmListSuite {
  /* Inserts a new empty entry at index (0..count) and returns it; owned by the list. Null, and
   * nothing inserted, for a stale list or an index out of range. [in modal] */
  HostEntry (*insertEntry)(HostList list, int32_t index);
  /* The entry at index; null for a stale list or an index out of range. [in modal] */
  HostEntry (*getEntry)(HostList list, int32_t index);
  /* The selected entry; null when none is or for a stale list. [in modal] */
  HostEntry (*getSelectedEntry)(HostList list);
  /* The number of entries; 0 for a stale list. [in modal] */
  int32_t (*numberOfEntries)(HostList list);
} AdmListSuite;

#ifdef __cplusplus
}
#endif

#endif
