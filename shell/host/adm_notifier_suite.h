/* Notifications handed to notify procedures. */
#ifndef FLARIMOND_ADM_NOTIFIER_SUITE_H
#define FLARIMOND_ADM_NOTIFIER_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmNotifierSuiteName "ADM Notifier Suite"
#define kAdmNotifierSuiteVersion 1

typedef struct AdmNotifierSuite {
  /* The item the notification is for; null for a stale notifier. [in modal] */
  HostItem (*getItem)(HostNotifier notifier);
  /* Non-zero when the notification is of the named type; 0 for a stale notifier or a null
   * type. [in modal] */
  HostBool (*isNotifierType)(HostNotifier notifier, const char *notifierType);
} AdmNotifierSuite;

#ifdef __cplusplus
}
#endif

#endif
