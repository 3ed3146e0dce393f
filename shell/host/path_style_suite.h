/* The paint of path art. */
#ifndef FLARIMOND_PATH_STYLE_SUITE_H
#define FLARIMOND_PATH_STYLE_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPathStyleSuiteName "AI Path Style Suite"
#define kPathStyleSuiteVersion 5

typedef struct PathStyleSuite {
  /* Copies the art's path style into *style. */
  HostErr (*getPathStyle)(HostArt art, HostPathStyle *style);
  /* Replaces the art's path style; a width, colour component, miter limit or dash in use that
   * is not finite is kHostBadParameterErr. */
  HostErr (*setPathStyle)(HostArt art, const HostPathStyle *style);
  /* Blends two styles into *result: fraction is the share of the first, so 0 gives the second
   * unchanged and 1 the first. result may be either operand. A blend that is not finite
   * (a NaN fraction, say) is kHostBadParameterErr and *result is left as it was. */
  HostErr (*interpolatePathStyle)(const HostPathStyle *first, const HostPathStyle *second,
                                  HostPathStyle *result, HostReal fraction);
} PathStyleSuite;

#ifdef __cplusplus
}
#endif

#endif
