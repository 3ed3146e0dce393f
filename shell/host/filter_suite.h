/* Filters in the host's filter menu. */
#ifndef FLARIMOND_FILTER_SUITE_H
#define FLARIMOND_FILTER_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kFilterSuiteName "AI Filter Suite"
#define kFilterSuiteVersion 2

/* The menu texts of a filter, each a length-prefixed string. */
typedef struct HostFilterTitle {
  const unsigned char *category;
  const unsigned char *title;
} HostFilterTitle;

typedef struct FilterSuite {
  /* Registers a filter of the plug-in named name under the category and title into *filter; the
   * host keeps the filter until the plug-in is shut down. Fails: kHostBadParameterErr for a null
   * name, title, category, title text or filter, kHostBadHandleErr for a plug-in ref not the
   * caller's own. [any time] */
  HostErr (*addFilter)(HostPluginRef plugin, const char *name, const HostFilterTitle *title, int32_t options,
                       HostFilter *filter);
  /* The menu item that runs the filter; owned by the host. Fails: kHostBadParameterErr for a null
   * item, kHostBadHandleErr for a filter the host did not register. [any time] */
  HostErr (*getFilterMenuItem)(HostFilter filter, HostMenuItem *item);
} FilterSuite;

#ifdef __cplusplus
}
#endif

#endif
