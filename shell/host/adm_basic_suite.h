/* The dialog manager's basic services: resource strings and alerts. */
#ifndef FLARIMOND_ADM_BASIC_SUITE_H
#define FLARIMOND_ADM_BASIC_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmBasicSuiteName "ADM Basic Suite"
#define kAdmBasicSuiteVersion 2

typedef struct AdmBasicSuite {
  /* Copies string resource listId + index of the plug-in, zero-terminated and cut to fit
   * maxLength bytes, into buffer; a missing string gives "" and 0. Fails: kHostBadHandleErr for
   * a plug-in ref not the caller's own, kHostBadParameterErr for a null buffer or maxLength <= 0;
   * a usable buffer holds "" after any failure. [any time] */
  HostErr (*getIndexString)(HostPluginRef plugin, int32_t listId, int32_t index, char *buffer, int32_t maxLength);
  /* Shows text in a modal alert with an OK button; returns when the user dismisses it.
   * Fails: kHostBadParameterErr for null text. [any time] */
  HostErr (*messageAlert)(const char *text);
} AdmBasicSuite;

#ifdef __cplusplus
}
#endif

#endif
