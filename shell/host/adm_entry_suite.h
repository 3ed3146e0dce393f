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
  /* Sets the entry's text. Fails: kHostBadHandleErr for a stale entry, kHostBadParameterErr for
   * null text. [in modal] */
  HostErr (*setText)(HostEntry entry, const char *text);
  /* Copies the entry's text, zero-terminated and cut to fit, into buffer (size bytes). Fails:
   * kHostBadHandleErr for a stale entry, kHostBadParameterErr for a null buffer or size <= 0; a
   * usable buffer holds "" after any failure. [in modal] */
  HostErr (*getText)(HostEntry entry, char *buffer, int32_t size);
  /* Sets the entry's id, which the list reports for its selection. Fails: kHostBadHandleErr for
   * a stale entry. [in modal] */
  HostErr (*setID)(HostEntry entry, int32_t id);
  /* The entry's id; 0 for a stale entry. [in modal] */
  int32_t (*getID)(HostEntry entry);
  /* The entry's position in its list; -1 for a stale entry. [in modal] */
  int32_t (*getIndex)(HostEntry entry);
  /* Selects (non-zero) the entry, deselecting the others, or deselects it. Fails:
   * kHostBadHandleErr for a stale entry. [in modal] */
  HostErr (*select)(HostEntry entry, HostBool selected);
  /* Whether the entry is selected; 0 for a stale entry. [in modal] */
  HostBool (*isSelected)(HostEntry entry);
} AdmEntrySuite;

#ifdef __cplusplus
}
#endif

#endif
