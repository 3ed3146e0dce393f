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
  /* The width and height of an icon resource of the plug-in. Fails: kHostBadHandleErr for a
   * plug-in ref not the caller's own, kHostBadParameterErr for a null width or height,
   * kHostNotFoundErr when the plug-in has no such icon. [any time] */
  HostErr (*getIconSize)(HostPluginRef plugin, int32_t iconId, int32_t *width, int32_t *height);
} AdmIconSuite;

#ifdef __cplusplus
}
#endif

#endif
