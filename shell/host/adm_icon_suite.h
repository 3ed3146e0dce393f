/* Icons. Acquired with the others, never called by Flarimond. */
#ifndef FLARIMOND_ADM_ICON_SUITE_H
#define FLARIMOND_ADM_ICON_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmIconSuiteName "ADM Icon Suite"
#define kAdmIconSuiteVersion 1

typedef struct AdmIconSuite {
  /* The width and height of an icon resource of the plug-in. */
  HostErr (*getIconSize)(HostPluginRef plugin, int32_t iconId, int32_t *width, int32_t *height);
} AdmIconSuite;

#ifdef __cplusplus
}
#endif

#endif
