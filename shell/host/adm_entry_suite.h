/* One entry of a popup list. */
#ifndef FLARIMOND_ADM_ENTRY_SUITE_H
#define FLARIMOND_ADM_ENTRY_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmEntrySuiteName "ADM Entry Suite"
#define kAdmEntrySuiteVersion 2

typedef struct AdmEntrySuite {
  /* The entry's text. */
  HostErr (*setText)(HostEntry entry, const char *text);
  /* Copies the entry's text, zero-terminated and cut to fit, into buffer (size bytes). */
  HostErr (*getText)(HostEntry entry, char *buffer, int32_t size);
  /* The entry's id, which the list reports for its selection. */
  HostErr (*setID)(HostEntry entry, int32_t id);
  int32_t (*getID)(HostEntry entry);
  /* The entry's position in its list, or -1 for a stale entry. */
  int32_t (*getIndex)(HostEntry entry);
  /* Selects (non-zero) the entry, deselecting the others, or deselects it. */
  HostErr (*select)(HostEntry entry, HostBool selected);
  HostBool (*isSelected)(HostEntry entry);
} AdmEntrySuite;

#ifdef __cplusplus
}
#endif

#endif
